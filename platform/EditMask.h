#pragma once

#include <QChar>
#include <QString>
#include <vector>

// The edit-mask language of the masked edits: "mask;save;blank".
//
// Mask characters: 0 digit, 9 optional digit, # optional digit or sign, L letter, l optional
// letter, A letter or digit, a optional letter or digit, C any character, c optional any
// character; > upper case, < lower case, <> neither, for the characters that follow; \ makes
// the next character a literal; ! is accepted and ignored; _ is a literal space; everything else
// is a literal. The second field is 0 when the literals are not part of the stored text (default
// 1); the third is the character shown in unfilled positions (default _). An empty mask means
// free text.
//
// Positions are positions of the displayed text: one per literal or mask character.
class EditMask {
public:
    EditMask() = default;
    explicit EditMask(const QString& mask);

    const QString& source() const { return m_source; }
    bool isEmpty() const { return m_slots.empty(); }
    bool saveLiterals() const { return m_saveLiterals; }
    QChar blank() const { return m_blank; }
    // Number of displayed positions.
    int length() const { return int(m_slots.size()); }

    bool isLiteral(int position) const;
    // The first position at or after `position` that takes a character, or -1.
    int nextEditable(int position) const;
    // The last position at or before `position` that takes a character, or -1.
    int previousEditable(int position) const;
    // Converts `c` to the case the position asks for; false when the position (or a literal)
    // does not accept it.
    bool fit(int position, QChar& c) const;

    // The displayed text with nothing filled: literals and blanks.
    QString emptyDisplay() const;
    // The displayed text for a stored value. The value fills the editable positions in order;
    // a value character equal to the literal at a literal position is taken as that literal, so
    // an already formatted value is accepted whether or not literals are stored. Case
    // conversion applies; characters beyond the mask are dropped.
    QString display(const QString& stored) const;
    // The stored text of a displayed text: literals only when saved, blanks as spaces, and
    // nothing after the last filled position (so an untouched field stores the empty text).
    QString stored(const QString& displayed) const;

    // The stored value shown through `mask`, as the component library's FormatMaskText does:
    // literals inserted and blanks in unfilled positions. An empty mask gives the value.
    static QString formatMaskText(const QString& mask, const QString& value);

private:
    enum class Kind { Literal, Digit, DigitOrSign, Letter, LetterOrDigit, Any };
    enum class Case { Keep, Upper, Lower };
    struct Slot {
        Kind kind = Kind::Literal;
        bool required = false;
        Case charCase = Case::Keep;
        QChar literal;
    };

    void parse(const QString& mask);
    QChar applyCase(const Slot& slot, QChar c) const;

    QString m_source;
    std::vector<Slot> m_slots;
    bool m_saveLiterals = true;
    QChar m_blank = QLatin1Char('_');
};
