#include "external/shared/TDateEditPlus.h"

#include "core/Exception.h"
#include "platform/TForm.h"

#include <gtest/gtest.h>

class TDateEditPlusTest : public ::testing::Test {
protected:
    TDateEditPlusTest() {
        date = new TDateEditPlus(&form, &form);
        date->setName(QStringLiteral("depDataIni"));
        date->OnDateChange = [this](TComponent&) { ++dateChanges; };
    }

    TForm form;
    TDateEditPlus* date = nullptr;
    int dateChanges = 0;
};

TEST_F(TDateEditPlusTest, SetDateShowsShortDateAndNotifiesOnlyOnChange) {
    date->SetDate(QDate(2024, 3, 15));
    EXPECT_EQ(date->text(), "15/03/2024");
    EXPECT_EQ(date->GetDate(), QDate(2024, 3, 15));
    EXPECT_EQ(dateChanges, 1);
    date->SetDate(QDate(2024, 3, 15));
    EXPECT_EQ(dateChanges, 1);
    date->SetDate(QDate(2024, 3, 16));
    EXPECT_EQ(dateChanges, 2);
    date->SetDate(QDate());
    EXPECT_TRUE(date->text().trimmed().isEmpty());
    EXPECT_FALSE(date->GetDate().isValid());
    EXPECT_EQ(dateChanges, 3);
}

TEST_F(TDateEditPlusTest, TypingNotifiesOnceTheDateIsComplete) {
    date->setFocus();
    date->selectAll();
    for (QChar c : QStringLiteral("01022024"))
        date->typeKey(c);
    EXPECT_EQ(date->displayText(), "01/02/2024");
    EXPECT_EQ(date->GetDate(), QDate(2024, 2, 1));
    EXPECT_EQ(dateChanges, 1);
    EXPECT_EQ(date->font().color, clBlue);
}

TEST_F(TDateEditPlusTest, CheckValidDateRefusesAnImpossibleDate) {
    date->setText(QStringLiteral("31/02/2024"));
    EXPECT_FALSE(date->IsDateValid());
    EXPECT_EQ(dateChanges, 0);
    try {
        date->CheckValidDate();
        FAIL() << "an invalid date passed";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "'31/02/2024' não é uma data válida.");
    }
    date->clear();
    EXPECT_NO_THROW(date->CheckValidDate());
    EXPECT_NE(date->font().color, clBlue);
}
