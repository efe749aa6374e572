#include "screens/common/TFailureTranslation.h"

#include "core/EAbort.h"
#include "core/Exception.h"
#include "external/shared/Consiste.h"
#include "external/shared/TMessages.h"

#include <algorithm>
#include <utility>

namespace {

// The failure a translated server text becomes: shown, then the step ends silently.
[[noreturn]] void showAndAbort(const QString& text) {
    Consiste::MensErro(text, true);
    Abort();
}

// The value that precedes the first "*", at most `width` characters and never reaching back
// into the key; empty when there is no "*".
QString valueBeforeStar(const QString& failure, qsizetype keyEnd, int width) {
    const qsizetype star = failure.indexOf(u'*', keyEnd);
    if (star < 0)
        return QString();
    const qsizetype start = std::max(keyEnd, star - width);
    return failure.mid(start, star - start).trimmed();
}

} // namespace

void TFailureTranslation::translate(const QString& failure, const TMessages& messages,
                                    const std::function<void()>& beforeDelvalo) {
    if (failure.contains(QStringLiteral("ORA")))
        throw Exception(failure);
    for (const auto& [mark, width] : {std::pair{QChar(0xBF), 20}, std::pair{QChar(u'#'), 5}}) {
        const qsizetype at = failure.indexOf(mark);
        if (at < 0)
            continue;
        const QString key = failure.mid(at + 1, 10);
        // A key the table lacks would show an empty box: show the server's text instead.
        if (!messages.contains(key))
            showAndAbort(failure);
        QString text = messages.Msg(key);
        text.replace(QStringLiteral("%s"), valueBeforeStar(failure, at + 11, width));
        showAndAbort(text);
    }
    if (failure == u"DELVALO_nf") {
        if (beforeDelvalo)
            beforeDelvalo();
        showAndAbort(messages.Msg(QStringLiteral("DELVALO_nf")));
    }
    if (failure == u"dir_n_exists")
        showAndAbort(messages.Msg(QStringLiteral("dir_n_exists")));
}
