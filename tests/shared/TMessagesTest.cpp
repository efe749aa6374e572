#include "external/shared/TMessages.h"

#include "platform/TApplication.h"
#include "platform/TForm.h"
#include "platform/TScriptedPresenter.h"

#include <gtest/gtest.h>

class TMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().setPresenter(&presenter);
        messages.setMessages({
            QStringLiteral("DataIni_deve|Período inicial deve ser informado."),
            QStringLiteral(
                "Apur_Irreg|Última apuração realizada %s para a companhia foi interrompida."),
            QStringLiteral("Sim|Sim"),
            QStringLiteral("Nao|Não"),
            QStringLiteral("Pipe|texto com | barra"),
            QStringLiteral("Grup_Taxa|Agrupamento de taxa?"),
            QStringLiteral("linha sem separador"),
            QStringLiteral("sim|duplicada"),
        });
    }
    void TearDown() override { Application().setPresenter(nullptr); }

    TScriptedPresenter presenter;
    TMessages messages{nullptr, QStringLiteral("msgPadrao")};
};

TEST_F(TMessagesTest, LooksKeysUpIgnoringCase) {
    EXPECT_EQ(messages.Msg("DataIni_Deve"), "Período inicial deve ser informado.");
    EXPECT_EQ(messages.Msg("dataini_deve"), "Período inicial deve ser informado.");
    // The text is everything after the first bar; the first line of a key wins.
    EXPECT_EQ(messages.Msg("Pipe"), "texto com | barra");
    EXPECT_EQ(messages.Msg("SIM"), "Sim");
    EXPECT_EQ(messages.Msg("Inexistente"), "");
    EXPECT_FALSE(messages.contains("linha sem separador"));
    EXPECT_EQ(messages.messages().size(), 8);
}

TEST_F(TMessagesTest, ShowMsgReturnsYesOrNo) {
    presenter.answerYes();
    presenter.answerNo();
    EXPECT_EQ(messages.ShowMsg("Grup_Taxa", TMsgDlgType::mtConfirmation, mbYes | mbNo, 0), mrYes);
    EXPECT_EQ(messages.ShowMsg("Grup_Taxa", TMsgDlgType::mtConfirmation, mbYes | mbNo, 0), mrNo);
}

TEST_F(TMessagesTest, ShowMsgAlertExNumbersButtonsFromTheBase) {
    presenter.answerNo();
    presenter.answerYes();
    const QStringList buttons{QStringLiteral("Sim"), QStringLiteral("Nao")};
    EXPECT_EQ(messages.ShowMsgAlertEx("Grup_Taxa", TMsgDlgType::mtInformation, buttons, 2, 10, 0),
              11);
    EXPECT_EQ(messages.ShowMsgAlertEx("Grup_Taxa", TMsgDlgType::mtInformation, buttons, 2, 10, 0),
              10);
    const auto questions = presenter.records(TScriptedPresenter::Kind::Question);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].text, "Agrupamento de taxa?");
    EXPECT_EQ(questions[0].yesCaption, "Sim");
    EXPECT_EQ(questions[0].noCaption, "Não");
}

TEST_F(TMessagesTest, DialogsKeepTheKindTheDefaultButtonAndTheHelpTopicAsked) {
    presenter.answerYes();
    presenter.answerNo();
    presenter.answerNo();
    EXPECT_EQ(messages.ShowMsg("Grup_Taxa", TMsgDlgType::mtConfirmation, mbYes | mbNo, 7), mrYes);
    const QStringList buttons{QStringLiteral("Sim"), QStringLiteral("Nao")};
    EXPECT_EQ(messages.ShowMsgAlertEx("Grup_Taxa", TMsgDlgType::mtInformation, buttons, 2, 10, 0),
              11);
    EXPECT_EQ(messages.ShowMsgAlertEx("Grup_Taxa", TMsgDlgType::mtWarning, buttons, 1, 10, 3), 11);
    const auto questions = presenter.records(TScriptedPresenter::Kind::Question);
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0].dialogType, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(questions[0].defaultButton, 0);
    EXPECT_EQ(questions[0].helpContext, 7);
    EXPECT_EQ(questions[0].noCaption, "Não");
    // The default button counts from 1.
    EXPECT_EQ(questions[1].dialogType, TMsgDlgType::mtInformation);
    EXPECT_EQ(questions[1].defaultButton, 1);
    EXPECT_EQ(questions[2].dialogType, TMsgDlgType::mtWarning);
    EXPECT_EQ(questions[2].defaultButton, 0);
    EXPECT_EQ(questions[2].helpContext, 3);

    // Without Yes and No it only tells.
    EXPECT_EQ(messages.ShowMsg("DataIni_deve", TMsgDlgType::mtInformation, mbOK, 0), mrOk);
    ASSERT_EQ(presenter.informations(), QStringList{"Período inicial deve ser informado."});
    EXPECT_EQ(presenter.pendingAnswers(), 0);
}
