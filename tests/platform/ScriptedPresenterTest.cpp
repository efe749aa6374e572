#include "platform/EUnexpectedDialog.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TScreen.h"
#include "platform/TScriptedPresenter.h"

#include <gtest/gtest.h>

namespace {

using Kind = TScriptedPresenter::Kind;

TEST(ScriptedPresenter, AnswersQuestionsInOrderAndRecordsThem) {
    TScriptedPresenter presenter;
    presenter.answerYes();
    presenter.answerNo();
    EXPECT_TRUE(presenter.askYesNo("Confirma?", "Sim", "Não"));
    EXPECT_FALSE(presenter.askYesNo("Taxa?", "Sim", "Não"));
    const auto questions = presenter.records(Kind::Question);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[1].text, "Taxa?");
    EXPECT_EQ(questions[1].noCaption, "Não");
    EXPECT_FALSE(presenter.hasUnexpected());

    EXPECT_THROW(presenter.askYesNo("Mais uma?", "Sim", "Não"), EUnexpectedDialog);
    EXPECT_EQ(presenter.unexpected(), QStringList({"pergunta: Mais uma?"}));
}

TEST(ScriptedPresenter, LookupsPositionTheDataSetOrCancel) {
    TClientDataSet data;
    TDataPacket packet;
    packet.fields = {TFieldDef{"CDFILIAL", TFieldType::ftString, 4}};
    packet.rows = {{"SP01"}, {"RJ02"}, {"BH03"}};
    data.setData(std::move(packet));

    TScriptedPresenter presenter;
    presenter.chooseRowIndex(2);
    presenter.cancelLookup();
    presenter.chooseRowIndex(5);
    EXPECT_TRUE(presenter.chooseRow(data, "Filial"));
    EXPECT_EQ(data.recNo(), 3);
    EXPECT_FALSE(presenter.chooseRow(data, "Filial"));
    EXPECT_EQ(data.recNo(), 3);
    EXPECT_THROW(presenter.chooseRow(data, "Filial"), EUnexpectedDialog); // no such row
    EXPECT_THROW(presenter.chooseRow(data, "Filial"), EUnexpectedDialog); // nothing queued
    EXPECT_EQ(presenter.records(Kind::Lookup).front().title, "Filial");
}

TEST(ScriptedPresenter, ErrorsAreCheckedAgainstExpectations) {
    TScriptedPresenter presenter;
    presenter.showError("Companhia deve ser informada.");
    EXPECT_FALSE(presenter.hasUnexpected()); // recorded, not expected either way

    presenter.expectError("Filial não cadastrada.");
    presenter.showError("Filial não cadastrada.");
    EXPECT_EQ(presenter.pendingAnswers(), 0);
    presenter.expectInformation("Apuração concluída.");
    EXPECT_THROW(presenter.showError("Apuração concluída."), EUnexpectedDialog);

    TScriptedPresenter strict;
    strict.setStrict(true);
    EXPECT_THROW(strict.showInformation("Nada"), EUnexpectedDialog);
}

TEST(ScriptedPresenter, DialogsKeepTheirKindHelpTopicAndTheFocusTheyOpenedOver) {
    TScriptedPresenter presenter;
    Application().setPresenter(&presenter);
    presenter.showError("Filial não cadastrada.");
    presenter.showInformation("Última apuração interrompida.", 1);
    TMessageDialog question;
    question.type = TMsgDlgType::mtInformation;
    question.text = "Taxa?";
    question.yesCaption = "Sim";
    question.noCaption = "Não";
    question.defaultButton = 1;
    presenter.answerNo();
    EXPECT_FALSE(presenter.askQuestion(question));
    presenter.answerYes();
    EXPECT_TRUE(presenter.askYesNo("Confirma?", "Sim", "Não"));
    presenter.showHelp("Vevivez.idi", 13200100);
    Application().setPresenter(nullptr);

    const auto& records = presenter.records();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].dialogType, TMsgDlgType::mtError);
    EXPECT_EQ(records[0].helpContext, 0);
    EXPECT_EQ(records[1].kind, Kind::Information);
    EXPECT_EQ(records[1].helpContext, 1);
    // A question keeps the kind its step gave, not only that it asks.
    EXPECT_EQ(records[2].kind, Kind::Question);
    EXPECT_EQ(records[2].dialogType, TMsgDlgType::mtInformation);
    EXPECT_EQ(records[2].defaultButton, 1);
    EXPECT_EQ(records[3].dialogType, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(records[3].defaultButton, 0);
    EXPECT_EQ(records[4].kind, Kind::Help);
    EXPECT_EQ(records[4].title, "Vevivez.idi");
    EXPECT_EQ(records[4].helpContext, 13200100);
    // No form was active: no focus to name.
    EXPECT_TRUE(records[0].focus.isEmpty());
}

TEST(ScriptedPresenter, WaitAnimationIsRecordedAndNeverUnexpected) {
    TScriptedPresenter presenter;
    presenter.waitBegin(6);
    presenter.waitProgress(3, 10, "Carregando");
    presenter.waitEnd();
    ASSERT_EQ(presenter.records().size(), 3u);
    EXPECT_EQ(presenter.records()[0].kindNumber, 6);
    EXPECT_EQ(presenter.records()[1].done, 3);
    EXPECT_EQ(presenter.records()[1].total, 10);
    EXPECT_FALSE(presenter.hasUnexpected());
}

TEST(ScriptedPresenter, UnexpectedDialogsEscapeTheUserDispatch) {
    TScriptedPresenter presenter;
    Application().setPresenter(&presenter);
    EXPECT_THROW(Application().runUserAction([&] { presenter.askYesNo("?", "Sim", "Não"); }),
                 EUnexpectedDialog);
    Application().setPresenter(nullptr);
}

TEST(Clock, FixedDateAndReset) {
    Clock().setToday(QDate(2024, 2, 29));
    EXPECT_EQ(Clock().today(), QDate(2024, 2, 29));
    EXPECT_EQ(Application().clock().now().date(), QDate(2024, 2, 29));
    Clock().setNow(QDateTime(QDate(2023, 12, 31), QTime(23, 59)));
    EXPECT_EQ(Clock().today(), QDate(2023, 12, 31));
    Clock().reset();
    EXPECT_FALSE(Clock().isFixed());
}

TEST(Screen, CursorChangesReachThePresenter) {
    struct CursorPresenter : TScriptedPresenter {
        QList<int> cursors;
        void cursorChanged(TCursor cursor) override { cursors << int(cursor); }
    } presenter;
    Application().setPresenter(&presenter);
    Screen().setCursor(crHourGlass);
    Screen().setCursor(crHourGlass);
    Screen().setCursor(crDefault);
    EXPECT_EQ(presenter.cursors, QList<int>({crHourGlass, crDefault}));
    Application().setPresenter(nullptr);
}

} // namespace
