#include "platform/EditMask.h"

#include <gtest/gtest.h>

namespace {

// Types `keys` into an empty mask position by position, as the edit does, and returns the
// displayed text.
QString typeInto(const EditMask& mask, const QString& keys) {
    QString shown = mask.emptyDisplay();
    int position = mask.nextEditable(0);
    for (QChar key : keys) {
        if (position < 0)
            break;
        if (mask.fit(position, key)) {
            shown[position] = key;
            position = mask.nextEditable(position + 1);
        }
    }
    return shown;
}

TEST(EditMaskParse, FieldsAndDefaults) {
    const EditMask branch(">aaaa;0; ");
    EXPECT_EQ(branch.length(), 4);
    EXPECT_FALSE(branch.saveLiterals());
    EXPECT_EQ(branch.blank(), QLatin1Char(' '));

    const EditMask bare("99-99");
    EXPECT_TRUE(bare.saveLiterals());
    EXPECT_EQ(bare.blank(), QLatin1Char('_'));
    EXPECT_TRUE(bare.isLiteral(2));

    const EditMask escaped("\\a\\;9;0;*");
    EXPECT_EQ(escaped.length(), 3);
    EXPECT_EQ(escaped.emptyDisplay(), "a;*");
    EXPECT_EQ(escaped.blank(), QLatin1Char('*'));

    EXPECT_TRUE(EditMask("").isEmpty());
    EXPECT_EQ(EditMask::formatMaskText("", "free text"), "free text");
}

TEST(EditMaskAccept, CharacterClassesAndCase) {
    const EditMask mask("0L<lA>a<>c9");
    struct Case {
        int position;
        QChar typed;
        bool accepted;
        QChar stored;
    };
    const Case cases[] = {
        {0, '5', true, '5'}, {0, 'x', false, {}},                      // digit
        {1, 'q', true, 'q'}, {1, '3', false, {}},                      // letter, case kept
        {2, 'Q', true, 'q'}, {2, '_', false, {}},                      // lower-cased letter
        {3, 'z', true, 'z'}, {3, '7', true, '7'}, {3, '-', false, {}}, // alphanumeric
        {4, 'z', true, 'Z'},                                           // upper-cased alphanumeric
        {5, '-', true, '-'}, {5, 'e', true, 'e'}, // any character, case back to normal
        {6, 'a', false, {}}, {6, '0', true, '0'},
    };
    for (const Case& c : cases) {
        QChar key = c.typed;
        EXPECT_EQ(mask.fit(c.position, key), c.accepted) << c.position << " " << c.typed.toLatin1();
        if (c.accepted) {
            EXPECT_EQ(key, c.stored) << c.position;
        }
    }
    QChar literal = '.';
    EXPECT_FALSE(EditMask("9.9").fit(1, literal));
}

TEST(EditMaskCarrier, CompanyNumberMask) {
    const QString maskText = "99.999.999/9999-99;0;_";
    const EditMask mask(maskText);
    const QString shown = typeInto(mask, "12a345.678/0001-99");
    EXPECT_EQ(shown, "12.345.678/0001-99");
    EXPECT_EQ(mask.stored(shown), "12345678000199");
    EXPECT_EQ(EditMask::formatMaskText(maskText, "12345678000199"), "12.345.678/0001-99");
    // A short value fills from the left; the rest shows blanks.
    EXPECT_EQ(EditMask::formatMaskText(maskText, "1234"), "12.34_.___/____-__");
    EXPECT_EQ(mask.stored("12.34_.___/____-__"), "1234");
    EXPECT_EQ(mask.stored(mask.emptyDisplay()), "");
    // An already formatted value is recognised rather than shifted.
    EXPECT_EQ(EditMask::formatMaskText(maskText, "12.345.678/0001-99"), "12.345.678/0001-99");
}

TEST(EditMaskCarrier, PersonNumberMask) {
    const QString maskText = "999.999.999-99;0;_";
    const EditMask mask(maskText);
    EXPECT_EQ(mask.stored(typeInto(mask, "123.456.789-09")), "12345678909");
    EXPECT_EQ(EditMask::formatMaskText(maskText, "12345678909"), "123.456.789-09");
    // Extra characters are dropped, not wrapped.
    EXPECT_EQ(EditMask::formatMaskText(maskText, "1234567890999"), "123.456.789-09");

    const EditMask saved("999.999.999-99;1;_");
    EXPECT_EQ(saved.stored("123.456.789-09"), "123.456.789-09");
    EXPECT_EQ(saved.stored("123.4__.___-__"), "123.4");
    EXPECT_EQ(saved.display("123.456.789-09"), "123.456.789-09");
}

TEST(EditMaskBlanks, InteriorBlanksStoredAsSpaces) {
    const EditMask mask(">aaaa;0; ");
    EXPECT_EQ(mask.display("ab"), "AB  ");
    EXPECT_EQ(mask.stored("A B "), "A B");
    EXPECT_EQ(EditMask::formatMaskText("9999;0; ", "12"), "12  ");
}

} // namespace
