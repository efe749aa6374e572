#include "protocol/ArgKind.h"

namespace protocol {

bool isByReference(ArgKind kind) {
    return kind == ArgKind::R || kind == ArgKind::V;
}

QChar argKindLetter(ArgKind kind) {
    switch (kind) {
    case ArgKind::S:
        return u'S';
    case ArgKind::R:
        return u'R';
    case ArgKind::D:
        return u'D';
    case ArgKind::V:
        return u'V';
    }
    return u'?';
}

bool parseArgKinds(QStringView letters, QList<ArgKind>* kinds) {
    QList<ArgKind> result;
    for (QChar c : letters) {
        switch (c.unicode()) {
        case u' ':
            continue;
        case u'S':
            result.append(ArgKind::S);
            break;
        case u'R':
            result.append(ArgKind::R);
            break;
        case u'D':
            result.append(ArgKind::D);
            break;
        case u'V':
            result.append(ArgKind::V);
            break;
        default:
            return false;
        }
    }
    *kinds = std::move(result);
    return true;
}

bool fitsArgKind(ArgKind kind, const RemoteValue& value) {
    switch (kind) {
    case ArgKind::S:
    case ArgKind::R:
        return value.type() == RemoteValue::Type::Text;
    case ArgKind::D:
        return value.type() == RemoteValue::Type::Date || value.isNull();
    case ArgKind::V:
        return true;
    }
    return false;
}

QMap<int, RemoteValue> referenceValues(const QList<ArgKind>& kinds,
                                       const QList<RemoteValue>& values) {
    QMap<int, RemoteValue> refs;
    const qsizetype count = qMin(kinds.size(), values.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (isByReference(kinds[i]))
            refs.insert(int(i), values[i]);
    }
    return refs;
}

} // namespace protocol
