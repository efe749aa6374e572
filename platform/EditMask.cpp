#include "platform/EditMask.h"

#include <QStringList>

namespace {

// Splits "mask;save;blank" at the unescaped semicolons.
QStringList splitFields(const QString& text) {
    QStringList fields{QString()};
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            fields.last() += c;
            fields.last() += text.at(++i);
        } else if (c == QLatin1Char(';') && fields.size() < 3) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    return fields;
}

} // namespace

EditMask::EditMask(const QString& mask)
    : m_source(mask) {
    parse(mask);
}

void EditMask::parse(const QString& text) {
    const QStringList fields = splitFields(text);
    if (fields.size() > 1)
        m_saveLiterals = fields.at(1).trimmed() != QLatin1String("0");
    if (fields.size() > 2 && !fields.at(2).isEmpty())
        m_blank = fields.at(2).at(0);

    const QString& mask = fields.at(0);
    Case charCase = Case::Keep;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        Slot slot;
        slot.charCase = charCase;
        switch (c.unicode()) {
        case '>':
            charCase = Case::Upper;
            continue;
        case '<':
            if (i + 1 < mask.size() && mask.at(i + 1) == QLatin1Char('>')) {
                ++i;
                charCase = Case::Keep;
            } else {
                charCase = Case::Lower;
            }
            continue;
        case '!':
            continue;
        case '\\':
            if (i + 1 >= mask.size())
                continue;
            slot.literal = mask.at(++i);
            break;
        case '0':
            slot = {Kind::Digit, true, charCase, {}};
            break;
        case '9':
            slot = {Kind::Digit, false, charCase, {}};
            break;
        case '#':
            slot = {Kind::DigitOrSign, false, charCase, {}};
            break;
        case 'L':
            slot = {Kind::Letter, true, charCase, {}};
            break;
        case 'l':
            slot = {Kind::Letter, false, charCase, {}};
            break;
        case 'A':
            slot = {Kind::LetterOrDigit, true, charCase, {}};
            break;
        case 'a':
            slot = {Kind::LetterOrDigit, false, charCase, {}};
            break;
        case 'C':
            slot = {Kind::Any, true, charCase, {}};
            break;
        case 'c':
            slot = {Kind::Any, false, charCase, {}};
            break;
        case '_':
            slot.literal = QLatin1Char(' ');
            break;
        default:
            slot.literal = c;
            break;
        }
        m_slots.push_back(slot);
    }
}

bool EditMask::isLiteral(int position) const {
    return position >= 0 && position < length() &&
           m_slots[std::size_t(position)].kind == Kind::Literal;
}

int EditMask::nextEditable(int position) const {
    for (int i = std::max(position, 0); i < length(); ++i) {
        if (!isLiteral(i))
            return i;
    }
    return -1;
}

int EditMask::previousEditable(int position) const {
    for (int i = std::min(position, length() - 1); i >= 0; --i) {
        if (!isLiteral(i))
            return i;
    }
    return -1;
}

QChar EditMask::applyCase(const Slot& slot, QChar c) const {
    switch (slot.charCase) {
    case Case::Upper:
        return c.toUpper();
    case Case::Lower:
        return c.toLower();
    case Case::Keep:
        break;
    }
    return c;
}

bool EditMask::fit(int position, QChar& c) const {
    if (position < 0 || position >= length())
        return false;
    const Slot& slot = m_slots[std::size_t(position)];
    bool accepted = false;
    switch (slot.kind) {
    case Kind::Literal:
        return false;
    case Kind::Digit:
        accepted = c.isDigit();
        break;
    case Kind::DigitOrSign:
        accepted = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-');
        break;
    case Kind::Letter:
        accepted = c.isLetter();
        break;
    case Kind::LetterOrDigit:
        accepted = c.isLetterOrNumber();
        break;
    case Kind::Any:
        accepted = c.isPrint();
        break;
    }
    if (accepted)
        c = applyCase(slot, c);
    return accepted;
}

QString EditMask::emptyDisplay() const {
    QString text;
    text.reserve(length());
    for (const Slot& slot : m_slots)
        text += slot.kind == Kind::Literal ? slot.literal : m_blank;
    return text;
}

QString EditMask::display(const QString& value) const {
    if (isEmpty())
        return value;
    QString text;
    text.reserve(length());
    int next = 0;
    for (const Slot& slot : m_slots) {
        if (slot.kind == Kind::Literal) {
            if (next < value.size() && value.at(next) == slot.literal)
                ++next;
            text += slot.literal;
        } else if (next < value.size()) {
            const QChar c = value.at(next++);
            text += c == QLatin1Char(' ') ? m_blank : applyCase(slot, c);
        } else {
            text += m_blank;
        }
    }
    return text;
}

QString EditMask::stored(const QString& displayed) const {
    if (isEmpty())
        return displayed;
    QString text;
    int filledLength = 0;
    for (int i = 0; i < length(); ++i) {
        const Slot& slot = m_slots[std::size_t(i)];
        const QChar c = i < displayed.size() ? displayed.at(i) : m_blank;
        if (slot.kind == Kind::Literal) {
            if (m_saveLiterals)
                text += slot.literal;
        } else if (c == m_blank) {
            text += QLatin1Char(' ');
        } else {
            text += c;
            filledLength = int(text.size());
        }
    }
    return text.left(filledLength);
}

QString EditMask::formatMaskText(const QString& mask, const QString& value) {
    return EditMask(mask).display(value);
}
