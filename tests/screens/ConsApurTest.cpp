// The host's computations screen against the real server on the basic fixture: the list and
// its filters, the viewer opened from it, cancelling with each refusal, CSV and the report.
#include "tests/screens/ScreenHarness.h"

#include "core/SystemUser.h"
#include "external/appserver/TCallLog.h"
#include "external/shared/TDateEditPlus.h"
#include "host/computations/Cli_Zel00103.h"
#include "host/computations/TfrmConsApur.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TEdit.h"
#include "platform/TField.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "screens/common/TBillingScreen.h"
#include "screens/viewer/TfrmNotasApur.h"

#include <QFile>

namespace {

class ConsApurTest : public ScreenHarness {
protected:
    void TearDown() override {
        if (Cli_Zel00103::frmConsApur)
            Cli_Zel00103::frmConsApur->close();
        Application().processMessages();
        ScreenHarness::TearDown();
    }

    TfrmConsApur& openScreen() {
        EXPECT_TRUE(Application().runUserAction([] { Cli_Zel00103::CriaConsApur(); }));
        screen = Cli_Zel00103::frmConsApur;
        EXPECT_NE(screen, nullptr);
        return *screen;
    }

    QString shown(int row, const char* field) const {
        TDataSet::DisplayRow at(*screen->cdsApuracoes, row - 1);
        return screen->cdsApuracoes->fieldByName(QString::fromLatin1(field)).displayText();
    }

    QStringList numbers() const {
        QStringList list;
        for (int row = 1; row <= screen->cdsApuracoes->recordCount(); ++row)
            list << shown(row, "NRAPURACFAT");
        return list;
    }

    bool pick(const QString& number) {
        return screen->cdsApuracoes->locate(QStringLiteral("NRAPURACFAT"), number);
    }

    bool cancel(const QString& number, bool yes = true) {
        EXPECT_TRUE(pick(number));
        yes ? presenter.answerYes() : presenter.answerNo();
        return click(*screen->sbtCancela);
    }

    QString lastQuestion() const {
        const auto questions = presenter.records(TScriptedPresenter::Kind::Question);
        return questions.empty() ? QString() : questions.back().text;
    }

    QString lastInformation() const {
        const QStringList all = presenter.informations();
        return all.isEmpty() ? QString() : all.last();
    }

    QString readFile(const QString& path) const {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir files;
    TfrmConsApur* screen = nullptr;
};

} // namespace

TEST_F(ConsApurTest, OpensOnTheHostsBranchWithEveryComputationNewestFirstInWords) {
    openScreen();
    EXPECT_EQ(screen->medCdFilial->text(), "0001");
    EXPECT_EQ(screen->edtNmFilial->text(), "Matriz Guarulhos");
    EXPECT_EQ(TBillingScreen::current(), nullptr); // no billing screen needed
    EXPECT_EQ(numbers(), (QStringList{"0000000001", "0000000002"}));
    EXPECT_EQ(shown(1, "IDTIPAPUR"), "Faturamento");
    EXPECT_EQ(shown(1, "IDSTATUS"), "Concluída");
    EXPECT_EQ(shown(1, "SGCIA"), "ABC");
    EXPECT_EQ(shown(1, "DTINIAPURAC"), "01/01/2024");
    EXPECT_EQ(shown(1, "QTNOTAS"), "2");
    EXPECT_EQ(shown(1, "VRTOTAL"), "1.500,00");
    EXPECT_EQ(shown(1, "VRTOTALESTR"), "300,00");
    EXPECT_EQ(shown(1, "DSERRO"), "");
    EXPECT_EQ(shown(2, "IDSTATUS"), "Com erro");
    EXPECT_EQ(shown(2, "DSERRO"), "Falha simulada");
    EXPECT_EQ(screen->lblResumo->caption(),
              "2 apurações, 2 notas fiscais; total 1.500,00; moeda estrangeira 300,00");
    EXPECT_TRUE(screen->sbtCancela->enabled());

    // The words of every status the server can send.
    const std::pair<const char*, const char*> words[] = {{"P", "Em andamento"},
                                                         {"I", "Interrompida"},
                                                         {"E", "Com erro"},
                                                         {"F", "Concluída"},
                                                         {"C", "Cancelada"}};
    for (const auto& [code, word] : words)
        EXPECT_EQ(TfrmConsApur::statusText(QString::fromLatin1(code)), QString::fromUtf8(word));
    EXPECT_EQ(TfrmConsApur::kindText(QStringLiteral("T")), "Taxa aeroportuária");
}

TEST_F(ConsApurTest, FiltersReachTheServerAndNarrowTheList) {
    openScreen();
    // Picking a status queries at once.
    ASSERT_TRUE(Application().runUserAction([&] { screen->cbbSituacao->selectItem(3); }));
    EXPECT_EQ(numbers(), QStringList{"0000000002"});
    auto args = TCallLog::instance().lastArgs(QStringLiteral("GetApuracoes"));
    EXPECT_EQ(args.value(4).toString(), "E");
    ASSERT_TRUE(Application().runUserAction([&] { screen->cbbSituacao->selectItem(0); }));

    // A company typed in lower case; the query sends its code.
    ASSERT_TRUE(type(*screen->medSgCia, QStringLiteral("abc")));
    ASSERT_TRUE(focus(*screen->depDataIni));
    EXPECT_EQ(screen->medNmCia->text(), "Aerovias Brasil Central");
    ASSERT_TRUE(click(*screen->sbtConfirma));
    EXPECT_EQ(numbers(), QStringList{"0000000001"});
    args = TCallLog::instance().lastArgs(QStringLiteral("GetApuracoes"));
    EXPECT_EQ(args.value(1).toString(), "0001");
    EXPECT_TRUE(args.value(2).isNull());

    // A period that meets no computation; then an open end.
    screen->depDataIni->SetDate(QDate(2024, 2, 1));
    ASSERT_TRUE(click(*screen->sbtConfirma));
    EXPECT_EQ(screen->cdsApuracoes->recordCount(), 0);
    EXPECT_EQ(screen->lblResumo->caption(), "Nenhuma apuração encontrada.");
    EXPECT_FALSE(screen->sbtNotas->enabled());
    screen->medSgCia->setText(QString());
    screen->depDataIni->SetDate(QDate());
    screen->depDataFim->SetDate(QDate(2024, 1, 15));
    ASSERT_TRUE(click(*screen->sbtConfirma));
    EXPECT_EQ(numbers(), (QStringList{"0000000001", "0000000002"}));
    ASSERT_TRUE(Application().runUserAction([&] { screen->cbbTipo->selectItem(2); }));
    EXPECT_EQ(screen->cdsApuracoes->recordCount(), 0);
    EXPECT_EQ(TCallLog::instance().lastArgs(QStringLiteral("GetApuracoes")).value(5).toString(),
              "T");
}

TEST_F(ConsApurTest, BadFiltersAreRefusedWithTheirMessages) {
    openScreen();
    const int calls = callCount(QStringLiteral("GetApuracoes"));
    ASSERT_TRUE(type(*screen->medSgCia, QStringLiteral("zzz")));
    EXPECT_FALSE(focus(*screen->depDataIni));
    EXPECT_EQ(lastError(), "Companhia não cadastrada.");
    EXPECT_EQ(screen->activeControl(), screen->medSgCia);

    screen->medSgCia->setText(QString());
    screen->depDataIni->SetDate(QDate(2024, 2, 1));
    screen->depDataFim->SetDate(QDate(2024, 1, 1));
    EXPECT_FALSE(click(*screen->sbtConfirma));
    EXPECT_EQ(lastError(), "Período inicial deve ser menor ou igual ao  período final.");

    screen->depDataFim->SetDate(QDate());
    screen->medCdFilial->setText(QString());
    EXPECT_FALSE(click(*screen->sbtConfirma));
    EXPECT_EQ(lastError(), "Filial deve ser informada.");
    screen->medCdFilial->setText(QStringLiteral("9999"));
    EXPECT_FALSE(click(*screen->sbtConfirma));
    EXPECT_EQ(lastError(), "Filial não cadastrada.");
    EXPECT_EQ(callCount(QStringLiteral("GetApuracoes")), calls);
}

TEST_F(ConsApurTest, TheViewerOpensOnTheCurrentComputationWithoutTheBillingScreen) {
    openScreen();
    ASSERT_TRUE(pick(QStringLiteral("0000000001")));
    bool seen = false;
    presenter.pushModal([&](TForm& form) {
        auto& viewer = static_cast<TfrmNotasApur&>(form);
        seen = true;
        EXPECT_EQ(viewer.medSgCia->text(), "ABC");
        EXPECT_EQ(viewer.medNmCia->text(), "Aerovias Brasil Central");
        EXPECT_EQ(viewer.cdsNotaFiscal->recordCount(), 2);
        viewer.close();
    });
    ASSERT_TRUE(click(*screen->sbtNotas));
    EXPECT_TRUE(seen);
    const auto args = TCallLog::instance().lastArgs(QStringLiteral("GetNotaFiscal"));
    EXPECT_EQ(args.value(0).toString(), "0001");
    EXPECT_EQ(args.value(1).toString(), "0000000001");

    // A failed computation kept no invoice: the viewer's own words.
    ASSERT_TRUE(pick(QStringLiteral("0000000002")));
    EXPECT_FALSE(click(*screen->sbtNotas));
    EXPECT_EQ(lastError(), "Não foram geradas notas fiscais no período informado.");
}

TEST_F(ConsApurTest, CancellingAFailedComputationAsksWithItsPeriodAndReloads) {
    openScreen();
    // "No" leaves it alone.
    ASSERT_TRUE(cancel(QStringLiteral("0000000002"), false));
    EXPECT_EQ(lastQuestion(), "Deseja cancelar a apuração e conseqüentemente apagar todas as "
                              "Notas Fiscais apuradas e não emitidas entre 01/01/2024 e "
                              "15/01/2024?");
    EXPECT_EQ(callCount(QStringLiteral("CancelaApuracao")), 0);

    ASSERT_TRUE(cancel(QStringLiteral("0000000002")));
    EXPECT_EQ(lastInformation(), "Apuração 0000000002 cancelada: 0 notas fiscais apagadas.");
    ASSERT_TRUE(pick(QStringLiteral("0000000002")));
    EXPECT_EQ(shown(screen->cdsApuracoes->recNo(), "IDSTATUS"), "Cancelada");
    EXPECT_EQ(shown(screen->cdsApuracoes->recNo(), "CDUSUCANC"), SystemUser::name());
    EXPECT_FALSE(shown(screen->cdsApuracoes->recNo(), "DTHRCANCEL").isEmpty());

    // Once is enough: the server's refusal is shown as it is.
    EXPECT_FALSE(cancel(QStringLiteral("0000000002")));
    EXPECT_EQ(lastError(), "A apuração 0000000002 já foi cancelada.");
}

TEST_F(ConsApurTest, AFinishedComputationCancelsUnlessAnInvoiceWasIssued) {
    exec(QStringLiteral("UPDATE NOTAFISCAL SET IDEMITIDA = 'S' WHERE NRLANCTONF = '0000000002'"));
    openScreen();
    EXPECT_FALSE(cancel(QStringLiteral("0000000001")));
    EXPECT_EQ(lastError(), "A apuração 0000000001 tem nota fiscal emitida (0000000002) e não "
                           "pode ser cancelada.");
    ASSERT_TRUE(pick(QStringLiteral("0000000001")));
    EXPECT_EQ(shown(screen->cdsApuracoes->recNo(), "IDSTATUS"), "Concluída");

    exec(QStringLiteral("UPDATE NOTAFISCAL SET IDEMITIDA = 'N'"));
    ASSERT_TRUE(cancel(QStringLiteral("0000000001")));
    EXPECT_EQ(lastInformation(), "Apuração 0000000001 cancelada: 2 notas fiscais apagadas.");
    ASSERT_TRUE(pick(QStringLiteral("0000000001")));
    EXPECT_EQ(shown(screen->cdsApuracoes->recNo(), "QTNOTAS"), "0");
}

TEST_F(ConsApurTest, InterruptedAndRunningComputationsFollowTheLease) {
    // One registered long ago (past the lease) and one just now.
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000003', 'F', '0001', '0001', '0002', 'CLI000000002', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', '2024-03-01 08:00:00'), "
        "('0000000004', 'F', '0001', '0001', '0004', 'CLI000000004', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', datetime('now', 'localtime'))"));
    openScreen();
    ASSERT_TRUE(Application().runUserAction([&] { screen->cbbSituacao->selectItem(2); }));
    EXPECT_EQ(numbers(), QStringList{"0000000003"});
    EXPECT_EQ(shown(1, "IDSTATUS"), "Interrompida");
    ASSERT_TRUE(cancel(QStringLiteral("0000000003")));
    EXPECT_EQ(lastInformation(), "Apuração 0000000003 cancelada: 0 notas fiscais apagadas.");
    // The list keeps its filter: the cancelled one left it.
    EXPECT_EQ(screen->cdsApuracoes->recordCount(), 0);

    ASSERT_TRUE(Application().runUserAction([&] { screen->cbbSituacao->selectItem(1); }));
    EXPECT_EQ(numbers(), QStringList{"0000000004"});
    EXPECT_EQ(shown(1, "IDSTATUS"), "Em andamento");
    EXPECT_FALSE(cancel(QStringLiteral("0000000004")));
    EXPECT_EQ(lastError(), "A apuração 0000000004 está em andamento; aguarde o fim ou o prazo de "
                           "900 segundos.");
}

TEST_F(ConsApurTest, CsvHasTheGridsColumnsWithDecimalCommaAndQuotesWhatNeedsThem) {
    exec(QStringLiteral("UPDATE CTRLAPURFAT SET DSERRO = 'Falha; \"simulada\"' "
                        "WHERE NRAPURACFAT = '0000000002'"));
    openScreen();
    const QString path = files.filePath(QStringLiteral("apuracoes.csv"));
    presenter.answerFile(path);
    ASSERT_TRUE(click(*screen->sbtExporta));
    EXPECT_EQ(lastInformation(), "Arquivo gravado: " + path);
    const QStringList lines = readFile(path).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4) << readFile(path).toStdString(); // header, 2 rows, final break
    EXPECT_EQ(lines.at(0), "Apuração;Tipo;Companhia;Início;Fim;Faturamento;Situação;Iniciada em;"
                           "Usuário;Notas;Total;Total Moeda Estrangeira;Erro;Cancelada em;"
                           "Cancelada por");
    EXPECT_EQ(lines.at(1), "0000000001;Faturamento;ABC;01/01/2024;31/01/2024;05/02/2024;"
                           "Concluída;05/02/2024 09:00:00;;2;1500,00;300,00;;;");
    EXPECT_EQ(lines.at(2),
              "0000000002;Faturamento;UNI;01/01/2024;15/01/2024;20/01/2024;"
              "Com erro;20/01/2024 10:30:00;;0;0,00;0,00;\"Falha; \"\"simulada\"\"\";;");
    EXPECT_EQ(lines.at(3), "");

    // Cancelled: nothing written, nothing said.
    const int informations = int(presenter.informations().size());
    presenter.answerFile(QString());
    ASSERT_TRUE(click(*screen->sbtExporta));
    EXPECT_EQ(int(presenter.informations().size()), informations);
}

TEST_F(ConsApurTest, AFileThatCannotBeWrittenSaysSoAndLeavesTheOldOneAlone) {
    openScreen();
    const QString missing = files.filePath(QStringLiteral("nao-existe/apuracoes.csv"));
    presenter.answerFile(missing);
    EXPECT_FALSE(click(*screen->sbtExporta));
    EXPECT_TRUE(lastError().startsWith("Não foi possível gravar o arquivo " + missing))
        << lastError().toStdString();
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(ConsApurTest, TheReportCarriesTitleFiltersRowsAndTotals) {
    openScreen();
    ASSERT_TRUE(type(*screen->medSgCia, QStringLiteral("ABC")));
    ASSERT_TRUE(focus(*screen->depDataIni));
    screen->depDataIni->SetDate(QDate(2024, 1, 1));
    ASSERT_TRUE(click(*screen->sbtConfirma));
    const QString path = files.filePath(QStringLiteral("apuracoes.pdf"));
    presenter.answerFile(path);
    ASSERT_TRUE(click(*screen->sbtImprime));
    EXPECT_EQ(lastInformation(), "Relatório gravado: " + path);
    ASSERT_TRUE(presenter.lastReport().has_value());
    const TReport& report = *presenter.lastReport();
    EXPECT_EQ(report.title, "Consulta de Apurações");
    EXPECT_EQ(
        report.filters,
        (QStringList{"Filial: 0001 - Matriz Guarulhos", "Companhia: ABC - Aerovias Brasil Central",
                     "Período: a partir de 01/01/2024", "Situação: Todas", "Tipo: Todos"}));
    ASSERT_EQ(report.rows.size(), 1);
    EXPECT_EQ(report.rows.at(0).value(0), "0000000001");
    EXPECT_EQ(report.rows.at(0).value(10), "1.500,00");
    EXPECT_EQ(report.columns.size(), report.rows.at(0).size());
    EXPECT_TRUE(report.columns.at(10).alignRight);
    EXPECT_FALSE(report.columns.at(0).alignRight);
    EXPECT_EQ(report.totals,
              QStringList{"1 apuração, 2 notas fiscais; total 1.500,00; moeda estrangeira 300,00"});

    // The view's reason reaches the user as an error.
    presenter.setReportError(QStringLiteral("Sem espaço em disco."));
    presenter.answerFile(path);
    EXPECT_FALSE(click(*screen->sbtImprime));
    EXPECT_EQ(lastError(), "Sem espaço em disco.");
}
