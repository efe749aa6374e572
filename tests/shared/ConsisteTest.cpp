#include "external/shared/Consiste.h"

#include "core/EAbort.h"
#include "platform/TApplication.h"
#include "platform/TColumn.h"
#include "platform/TDBGrid.h"
#include "platform/TScriptedPresenter.h"

#include <gtest/gtest.h>

using namespace Consiste;

TEST(Consiste, ReplaceReplacesEveryOccurrence) {
    // A check-all lists a flight once per leg; one toggle must remove them all.
    EXPECT_EQ(Replace("_1000_", "_1000_1000_200_1000_", "_", 1), "_200_");
    EXPECT_EQ(Replace("_10_", "_100_10_", "_", 1), "_100_");
    EXPECT_EQ(Replace("_X_", "_A_B_", "_", 1), "_A_B_");
    EXPECT_EQ(Replace("", "abc", "_", 1), "abc");
}

TEST(Consiste, AjustaZeroFillsDigitCodesOnly) {
    EXPECT_EQ(Ajusta("1", 4), "0001");
    EXPECT_EQ(Ajusta(" 12 ", 4), "0012");
    EXPECT_EQ(Ajusta("1234", 4), "1234");
    EXPECT_EQ(Ajusta("12345", 4), "12345");
    EXPECT_EQ(Ajusta("42", 10), "0000000042");
    EXPECT_EQ(Ajusta(" AB1 ", 4), "AB1");
    EXPECT_EQ(Ajusta("1A", 4), "1A");
    EXPECT_EQ(Ajusta("   ", 4), "");
}

TEST(Consiste, EmptyStringCountsBlanksAndUntouchedDates) {
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("    "));
    EXPECT_TRUE(EmptyString("  /  /    "));
    EXPECT_FALSE(EmptyString("0001"));
    EXPECT_FALSE(EmptyString("1 /  /    "));
}

TEST(Consiste, PictPessMasksByCarrierKind) {
    EXPECT_EQ(PictPess("J"), "99.999.999/9999-99;0; ");
    EXPECT_EQ(PictPess("F"), "999.999.999-99;0; ");
    EXPECT_EQ(PictPess("O"), "");
    EXPECT_EQ(PictPess("I"), "");
    EXPECT_EQ(PictPess("X"), "");
}

TEST(Consiste, MonthArithmetic) {
    EXPECT_EQ(SomaMes(QDate(2024, 12, 1), 1), QDate(2025, 1, 1));
    EXPECT_EQ(SomaMes(QDate(2024, 1, 31), 1), QDate(2024, 2, 29));
    EXPECT_EQ(SomaMes(QDate(2024, 3, 15), -3), QDate(2023, 12, 15));
    EXPECT_EQ(UltDiaMes(4, 2024), QDate(2024, 4, 30));
    EXPECT_EQ(UltDiaMes(2, 2023), QDate(2023, 2, 28));
    EXPECT_EQ(UltDiaMes(2, 2024), QDate(2024, 2, 29));
    EXPECT_EQ(UltDiaMes(12, 2024), QDate(2024, 12, 31));
}

TEST(Consiste, IndiceColFindsColumnByFieldIgnoringCase) {
    TDBGrid grid;
    grid.addColumn(QStringLiteral("IDCHECK"));
    grid.addColumn(QStringLiteral("NRLANCTONF"));
    EXPECT_EQ(IndiceCol(grid, "idcheck"), 0);
    EXPECT_EQ(IndiceCol(grid, "NRLANCTONF"), 1);
    EXPECT_EQ(IndiceCol(grid, "VRNOTAFISC"), -1);
}

class MensErroTest : public ::testing::Test {
protected:
    void SetUp() override { Application().setPresenter(&presenter); }
    void TearDown() override { Application().setPresenter(nullptr); }
    TScriptedPresenter presenter;
};

TEST_F(MensErroTest, ShowsTheTextThenAbortsOnlyWhenAsked) {
    EXPECT_NO_THROW(MensErro("Aviso sem aborto.", false));
    EXPECT_THROW(MensErro("Filial deve ser informada.", true), EAbort);
    EXPECT_EQ(presenter.errors(), QStringList({"Aviso sem aborto.", "Filial deve ser informada."}));
    for (const auto& record : presenter.records(TScriptedPresenter::Kind::Error))
        EXPECT_EQ(record.dialogType, TMsgDlgType::mtError);
}
