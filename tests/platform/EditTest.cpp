#include "platform/TEdit.h"
#include "platform/TMaskEdit.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

struct ChangeCounter {
    int count = 0;
    QStringList texts;
    void attach(TCustomEdit& edit) {
        edit.OnChange = [this, &edit](TComponent&) {
            ++count;
            texts << edit.text();
        };
    }
};

TEST(Edit, OnChangeOnlyWhenTheTextDiffers) {
    TEdit edit;
    ChangeCounter changes;
    changes.attach(edit);
    edit.setText("GOL");
    edit.setText("GOL");
    edit.setText("TAM");
    EXPECT_EQ(changes.texts, QStringList({"GOL", "TAM"}));

    // Clearing always notifies, so dependent fields are cleared whatever their state.
    edit.clear();
    edit.clear();
    EXPECT_EQ(changes.texts, QStringList({"GOL", "TAM", "", ""}));
}

TEST(Edit, TypingRunsKeyPressCaseAndLengthBeforeInsertion) {
    TEdit edit;
    edit.setMaxLength(5);
    edit.setCharCase(ecUpperCase);
    ChangeCounter changes;
    changes.attach(edit);
    QString pressed;
    edit.OnKeyPress = [&](TComponent&, QChar& key) {
        pressed += key;
        if (key == QLatin1Char('-'))
            key = QChar(); // swallowed
        else if (key == QLatin1Char('0'))
            key = QLatin1Char('o'); // a handler may change the key; case conversion follows
    };
    edit.typeText("ab-c0xyz");
    EXPECT_EQ(pressed, "ab-c0xyz"); // the handler sees every key, even refused ones
    EXPECT_EQ(edit.text(), "ABCOX");
    EXPECT_EQ(changes.count, 5); // swallowed and refused keys change nothing

    edit.typeBackspace();
    EXPECT_EQ(edit.text(), "ABCO");
    edit.setSelStart(1);
    edit.setSelLength(2);
    edit.typeKey('z');
    EXPECT_EQ(edit.text(), "AZO");
    EXPECT_EQ(edit.selStart(), 2);
}

TEST(Edit, ProgramTextIsNotCutByMaxLengthButIsCaseConverted) {
    TEdit edit;
    edit.setMaxLength(3);
    edit.setCharCase(ecUpperCase);
    edit.setText("abcdef");
    EXPECT_EQ(edit.text(), "ABCDEF");
    edit.typeKey('g');
    EXPECT_EQ(edit.text(), "ABCDEF");
}

TEST(Edit, DisabledAndReadOnlyFieldsTakeNoTyping) {
    TEdit edit;
    int keyPresses = 0;
    edit.OnKeyPress = [&](TComponent&, QChar&) { ++keyPresses; };
    edit.setReadOnly(true);
    edit.typeText("ab");
    EXPECT_EQ(keyPresses, 2);
    edit.setEnabled(false);
    edit.setReadOnly(false);
    edit.typeText("ab");
    EXPECT_EQ(keyPresses, 2);
    EXPECT_EQ(edit.text(), "");
}

TEST(MaskEdit, BranchMaskUpperCasesAndStoresWithoutBlanks) {
    TMaskEdit edit;
    edit.setEditMask(">aaaa;0; ");
    ChangeCounter changes;
    changes.attach(edit);
    EXPECT_EQ(edit.displayText(), "    ");
    EXPECT_EQ(edit.text(), "");
    edit.typeText("sp-0");
    EXPECT_EQ(edit.text(), "SP0"); // '-' is neither letter nor digit
    EXPECT_EQ(edit.displayText(), "SP0 ");
    edit.typeText("1x");
    EXPECT_EQ(edit.text(), "SP01"); // full: the fifth key is refused
    EXPECT_EQ(changes.count, 4);
    edit.typeBackspace();
    EXPECT_EQ(edit.text(), "SP0");
    edit.setText("rj");
    EXPECT_EQ(edit.text(), "RJ");
    EXPECT_EQ(edit.displayText(), "RJ  ");
}

TEST(MaskEdit, YearMaskTakesDigitsOnly) {
    TMaskEdit edit;
    edit.setEditMask("9999;0; ");
    edit.typeText("2a0b2c4");
    EXPECT_EQ(edit.text(), "2024");
}

TEST(MaskEdit, CarrierMaskSkipsLiteralsWhileTyping) {
    TMaskEdit edit;
    edit.setEditMask("99.999.999/9999-99;0;_");
    EXPECT_EQ(edit.displayText(), "__.___.___/____-__");
    edit.typeText("1234");
    EXPECT_EQ(edit.displayText(), "12.34_.___/____-__");
    EXPECT_EQ(edit.text(), "1234");
    edit.typeText("5678000199");
    EXPECT_EQ(edit.displayText(), "12.345.678/0001-99");
    EXPECT_EQ(edit.text(), "12345678000199");
    // Backspace skips back over the literal.
    edit.setSelStart(16);
    edit.typeBackspace();
    EXPECT_EQ(edit.displayText(), "12.345.678/000_-99");

    // A selection typed over is blanked first.
    edit.selectAll();
    edit.typeKey('9');
    EXPECT_EQ(edit.displayText(), "9_.___.___/____-__");
    EXPECT_EQ(edit.text(), "9");
}

TEST(MaskEdit, ChangingTheMaskKeepsTheStoredText) {
    TMaskEdit edit;
    edit.setEditMask("99.999.999/9999-99;0;_");
    edit.setText("12345678000199");
    int changes = 0;
    edit.OnChange = [&](TComponent&) { ++changes; };
    edit.setEditMask("999.999.999-99;0;_");
    EXPECT_EQ(edit.text(), "12345678000");
    edit.clear();
    edit.setEditMask("");
    edit.typeText("ab12");
    EXPECT_EQ(edit.text(), "ab12");
    EXPECT_EQ(changes, 5); // the clear and four keys; the mask changes fired nothing
}

TEST(MaskEdit, LiteralsStoredWhenTheMaskSaysSo) {
    TMaskEdit edit;
    edit.setEditMask("999.999.999-99;1;_");
    edit.typeText("1234");
    EXPECT_EQ(edit.text(), "123.4");
    edit.setText("98765432100");
    EXPECT_EQ(edit.text(), "987.654.321-00");
    edit.setText("987.654.321-00");
    EXPECT_EQ(edit.displayText(), "987.654.321-00");
    edit.clear();
    EXPECT_EQ(edit.text(), "");
}

} // namespace
