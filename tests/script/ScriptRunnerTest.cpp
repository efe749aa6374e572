#include "host/ScriptRunner.h"
#include "host/PackageLoader.h"
#include "host/Script.h"
#include "host/ScriptFailure.h"
#include "host/ScriptPresenter.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"

#include <gtest/gtest.h>

#include <QTextStream>

namespace {

struct Outcome {
    bool ok = true;
    int line = 0;
    QString reason;
    QString transcript;
};

// Runs scripts against the test package, loaded fresh for each test.
class ScriptRunnerTest : public ::testing::Test {
protected:
    void SetUp() override { m_package.load(QStringLiteral(ZEL_TEST_PACKAGE)); }
    void TearDown() override {
        closeForms();
        m_package.unload();
    }

    // Closes what a run left open, as a user would, so the unit's state follows.
    static void closeForms() {
        for (TForm* form : Application().forms()) {
            if (form->isShowing())
                form->close();
        }
        Application().processMessages();
        for (TForm* form : Application().forms())
            delete form;
    }

    // One session: starts with no form open.
    Outcome run(const QString& text) {
        closeForms();
        Outcome outcome;
        QTextStream out(&outcome.transcript);
        ScriptPresenter presenter(out);
        Application().setPresenter(&presenter);
        try {
            ScriptRunner runner(m_package, presenter);
            runner.run(Script::parse(text));
        } catch (const ScriptFailure& failure) {
            outcome.ok = false;
            outcome.line = failure.line();
            outcome.reason = failure.reason();
        }
        out.flush();
        Application().setPresenter(nullptr);
        return outcome;
    }

    PackageLoader m_package;
};

#define EXPECT_RUNS(outcome)                                                                       \
    EXPECT_TRUE((outcome).ok) << "line " << (outcome).line << ": "                                 \
                              << (outcome).reason.toStdString() << "\n"                            \
                              << (outcome).transcript.toStdString()

} // namespace

TEST_F(ScriptRunnerTest, TypingGoesThroughMaskCaseAndChangeEvents) {
    const Outcome outcome = run(QStringLiteral(
        "open\n"
        "expect form billing\n"
        "expect focus medCodigo\n"
        "type medCodigo \"ab-1cd\"\n" // letters and digits only, four at most, upper-cased
        "expect text medCodigo \"AB1C\"\n"
        "type edtNome \"xy\"\n" // one change per key
        "expect text edtNome \"XY\"\n"
        "expect text lblMudancas \"2\"\n"
        "expect focus edtNome\n"
        "type edtNome \"z\"\n" // clicking in again selects the text: typing replaces it
        "expect text edtNome \"Z\"\n"));
    EXPECT_RUNS(outcome);
}

TEST_F(ScriptRunnerTest, SetWritesLikeTheProgramWithoutMovingTheFocus) {
    const Outcome outcome =
        run(QStringLiteral("open\n"
                           "set depData \"15/03/2024\"\n"
                           "expect text depData \"15/03/2024\"\n"
                           "expect text lblDatas \"1\"\n"
                           "set depData \"15/03/2024\"\n" // same date: no notification
                           "expect text lblDatas \"1\"\n"
                           "set depData \"\"\n" // emptied: the date changed
                           "expect text depData \"\"\n"
                           "expect text lblDatas \"2\"\n"
                           "set edtNome \"abc\"\n"
                           "expect text edtNome \"ABC\"\n"
                           "expect focus medCodigo\n"));
    EXPECT_RUNS(outcome);
}

TEST_F(ScriptRunnerTest, FailedValidationKeepsFocusAndItsMessageMustBeExpected) {
    Outcome outcome = run(QStringLiteral("open\n"
                                         "type medCodigo \"erro\"\n"
                                         "tab\n"
                                         "expect message \"Código inválido.\"\n"
                                         "expect focus medCodigo\n"
                                         "type medCodigo \"ok\"\n"
                                         "tab\n"
                                         "expect focus edtNome\n"
                                         "shifttab\n"
                                         "expect focus medCodigo\n"));
    EXPECT_RUNS(outcome);

    // Never expected: the script stops at the next action, naming the line that showed it.
    outcome =
        run(QStringLiteral("open\ntype medCodigo \"erro\"\ntab\nexpect focus medCodigo\ntab\n"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.line, 3);
    EXPECT_TRUE(outcome.reason.contains(QStringLiteral("Código inválido.")))
        << outcome.reason.toStdString();
    // Also at the end of the script.
    outcome = run(QStringLiteral("open\ntype medCodigo \"erro\"\ntab\n"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.line, 3);
}

TEST_F(ScriptRunnerTest, FailedExpectationsNameTheLineAndBothTexts) {
    Outcome outcome = run(QStringLiteral("open\n\n# comment\nexpect text medCodigo \"XX\"\n"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.line, 4);
    EXPECT_EQ(outcome.reason,
              QStringLiteral("texto de medCodigo: esperado \"XX\", encontrado \"\""));

    outcome = run(QStringLiteral("open\nexpect message \"Olá\"\n"));
    EXPECT_EQ(outcome.line, 2);
    EXPECT_TRUE(outcome.reason.contains(QStringLiteral("nenhuma mensagem")));

    outcome = run(QStringLiteral("open\nclick semNome\n"));
    EXPECT_EQ(outcome.line, 2);
    EXPECT_TRUE(outcome.reason.contains(QStringLiteral("\"semNome\" não encontrado")));

    outcome = run(QStringLiteral("tab\n"));
    EXPECT_EQ(outcome.line, 1);
    EXPECT_EQ(outcome.reason, QStringLiteral("nenhuma janela ativa"));
}

TEST_F(ScriptRunnerTest, ButtonsTakeNoFocusAndDisabledOnesIgnoreClicks) {
    const Outcome outcome =
        run(QStringLiteral("open\n"
                           "focus edtNome\n"
                           "click sbtDesab\n"
                           "expect disabled sbtDesab\n"
                           "expect var stUltimo \"inicial\"\n"
                           "lookup btpCodigo 2\n" // a lookup button leaves the focus where it was
                           "expect focus edtNome\n"
                           "expect text medCodigo \"CD\"\n"
                           "lookup btpCodigo cancel\n"
                           "expect text medCodigo \"CD\"\n"
                           "expect text sbtConfirma \"Confirmar\"\n"));
    EXPECT_RUNS(outcome);
    EXPECT_TRUE(outcome.transcript.contains(QStringLiteral("linha 2: CD | Charlie | 01/04/2024")))
        << outcome.transcript.toStdString();

    // A row the list does not have.
    const Outcome missing = run(QStringLiteral("open\nlookup btpCodigo 9\n"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.line, 2);
}

TEST_F(ScriptRunnerTest, GridCommandsFocusTheGridAndCountRowsFromOne) {
    const Outcome outcome =
        run(QStringLiteral("open\n"
                           "cell dbgLista 3 NOME\n"
                           "expect focus dbgLista\n"
                           "expect var stUltimo \"clique:EF\"\n"
                           "focus medCodigo\n"
                           "key dbgLista space\n" // the current row stays the third
                           "expect focus dbgLista\n"
                           "expect var stUltimo \"espaço:EF\"\n"
                           "key dbgLista ctrl+space\n"
                           "expect var stUltimo \"ctrl+espaço:EF\"\n"
                           "expect rows cdsLista 3\n"
                           "expect field cdsLista 1 DATA \"15/03/2024\"\n"
                           "expect field cdsLista 3 DATA \"\"\n"
                           "expect field cdsLista 2 NOME \"Charlie\"\n"));
    EXPECT_RUNS(outcome);

    const Outcome badColumn = run(QStringLiteral("open\ncell dbgLista 1 NADA\n"));
    EXPECT_FALSE(badColumn.ok);
    EXPECT_EQ(badColumn.line, 2);
    const Outcome badRow = run(QStringLiteral("open\nexpect field cdsLista 4 NOME \"\"\n"));
    EXPECT_FALSE(badRow.ok);
    EXPECT_TRUE(badRow.reason.contains(QStringLiteral("não tem a linha 4")));
}

TEST_F(ScriptRunnerTest, ComboAndNotebookCountFromZero) {
    const Outcome outcome = run(QStringLiteral("open\n"
                                               "expect page ntbPaginas 0\n"
                                               "select cbbTipo 1\n"
                                               "expect text cbbTipo \"Extra\"\n"
                                               "expect focus cbbTipo\n"
                                               "expect page ntbPaginas 1\n"
                                               "expect hidden dbgLista\n"
                                               "select cbbTipo 2\n"
                                               "expect visible dbgLista\n"));
    EXPECT_RUNS(outcome);
    const Outcome outOfRange = run(QStringLiteral("open\nselect cbbTipo 3\n"));
    EXPECT_FALSE(outOfRange.ok);
    EXPECT_EQ(outOfRange.line, 2);
}

TEST_F(ScriptRunnerTest, ModalFormTakesTheFollowingCommandsUntilItCloses) {
    const Outcome outcome =
        run(QStringLiteral("open\n"
                           "type medCodigo \"ab\"\n"
                           "set depData \"29/02/2024\"\n"
                           "answer yes\n"
                           "click sbtConfirma\n"
                           "expect message \"Confirma o cálculo?\"\n"
                           "expect form fee\n"
                           "type edtValor \"42\"\n"
                           "click sbtOk\n"
                           // back on the screen below once the modal form has closed
                           "expect message \"Concluído: 42\"\n"
                           "expect form billing\n"
                           "expect var stValor \"42\"\n"
                           "expect call Confirmar 1 \"AB\"\n"
                           "expect call Confirmar 2 \"29/02/2024\"\n"
                           "expect call Confirmar 3 \"\"\n"));
    EXPECT_RUNS(outcome);
    EXPECT_TRUE(outcome.transcript.contains(QStringLiteral("[janela modal] Janela modal")));
    EXPECT_TRUE(outcome.transcript.contains(QStringLiteral("resposta: Sim")));
}

TEST_F(ScriptRunnerTest, QuestionsNeedAnswersAndAnswersNeedQuestions) {
    Outcome outcome = run(QStringLiteral("open\nclick sbtConfirma\n"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.line, 2);
    EXPECT_TRUE(outcome.reason.contains(QStringLiteral("Confirma o cálculo?")));

    // "no" ends the step silently: no modal form, no call.
    outcome = run(QStringLiteral("open\nanswer no\nclick sbtConfirma\n"
                                 "expect message \"Confirma o cálculo?\"\nexpect form billing\n"));
    EXPECT_RUNS(outcome);

    outcome = run(QStringLiteral("open\nanswer yes\nexpect form billing\n"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.line, 3);
    EXPECT_TRUE(outcome.reason.contains(QStringLiteral("não usada")));
}

TEST_F(ScriptRunnerTest, ScriptEndingWithAModalFormOpenFails) {
    const Outcome outcome = run(QStringLiteral(
        "open\nanswer yes\nclick sbtConfirma\nexpect message \"Confirma o cálculo?\"\n"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.reason.contains(QStringLiteral("Janela modal")))
        << outcome.reason.toStdString();
}

TEST_F(ScriptRunnerTest, CloseFreesTheScreenAndOpenCreatesAFreshOne) {
    const Outcome outcome =
        run(QStringLiteral("open\n"
                           "type edtNome \"abc\"\n"
                           "open\n" // the open screen comes forward with its fields
                           "expect text edtNome \"ABC\"\n"
                           "close\n"
                           "expect form none\n"
                           "expect var boIdCriado \"False\"\n"
                           "open\n"
                           "expect text edtNome \"\"\n"
                           "expect var boIdCriado \"True\"\n"));
    EXPECT_RUNS(outcome);
}
