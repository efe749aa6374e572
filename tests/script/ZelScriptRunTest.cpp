#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

// zel-script as a user runs it: the demo script end to end against its own zel-appserver on
// a fresh demo database, and how a stop is reported.

namespace {

// From the billing screen to the fee screen of the demo's airport-fee group.
const QByteArray kOpenFeeScreen = R"(open
type medSgCia "PNT"
tab
type medCdGrupo "TAXAAERO"
answer yes
tab
expect message "Agrupamento de produtos corresponde a um agrupamento relativo a taxa aeroportuária?"
tab
expect form fee
)";

struct ScriptRun {
    int status = -1;
    bool crashed = false;
    QString out;
    QString err;
};

class ZelScriptRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("zel.db"));
        QProcess init;
        init.start(QStringLiteral(ZEL_APPSERVER_BIN),
                   {QStringLiteral("init-db"), m_db, QStringLiteral("--demo"),
                    QStringLiteral("--today"), QStringLiteral("2025-06-20")});
        ASSERT_TRUE(init.waitForFinished(120000));
        ASSERT_EQ(init.exitCode(), 0) << init.readAllStandardError().toStdString();
    }

    ScriptRun run(const QString& scriptPath, const QString& today = QStringLiteral("2025-06-20")) {
        QProcess script;
        script.start(QStringLiteral(ZEL_SCRIPT_BIN),
                     {QStringLiteral("--with-server"), QStringLiteral("--db"), m_db,
                      QStringLiteral("--today"), today, QStringLiteral("--package"),
                      QStringLiteral(ZEL_REAL_PACKAGE), scriptPath});
        ScriptRun result;
        if (!script.waitForFinished(120000)) {
            script.kill();
            script.waitForFinished();
        }
        result.status = script.exitCode();
        result.crashed = script.exitStatus() == QProcess::CrashExit;
        result.out = QString::fromUtf8(script.readAllStandardOutput());
        result.err = QString::fromUtf8(script.readAllStandardError());
        return result;
    }

    QString write(const QString& name, const QByteArray& text) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    // Starts over on the test fixture of the screen tests instead of the demo data.
    void useBasicFixture() {
        m_db = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("basic.db"));
        QProcess init;
        init.start(QStringLiteral(ZEL_APPSERVER_BIN),
                   {QStringLiteral("init-db"), m_db, QStringLiteral("--fixture"),
                    QStringLiteral("basic")});
        ASSERT_TRUE(init.waitForFinished(120000));
        ASSERT_EQ(init.exitCode(), 0) << init.readAllStandardError().toStdString();
    }

    void exec(const QString& sql) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                        QStringLiteral("zel-script-test"));
            db.setDatabaseName(m_db.mid(int(qstrlen("sqlite:"))));
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("zel-script-test"));
    }

    QTemporaryDir m_dir;
    QString m_db;
};

} // namespace

TEST_F(ZelScriptRun, AnInterruptedComputationLeavesTheLoadedLegsAndOthersAreANotice) {
    useBasicFixture();
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000009', 'F', '0001', '0001', '0001', 'CLI000000001', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', '2024-03-01 08:00:00')"));
    const QString path = write(QStringLiteral("interrupted.zel"), R"(open
type medSgCia "ABC"
focus depDataIniDeliv
expect message "Última apuração realizada 0000000009 para a companhia foi interrompida, podendo os dados não estarem consistentes. Realize o cancelamento da mesma e apure novamente."
expect focus medSgCia
expect rows cdsVooTrecho 4
expect disabled sbtConfirma
expect text depDataFimDeliv ""
type medSgCia "UNI"
focus depDataIniDeliv
expect message "Última apuração realizada 0000000002 para a companhia foi interrompida, podendo os dados não estarem consistentes. Realize o cancelamento da mesma e apure novamente."
expect focus depDataIniDeliv
expect enabled sbtConfirma
)");
    const ScriptRun result = run(path, QStringLiteral("2024-03-20"));
    EXPECT_EQ(result.status, 0) << result.err.toStdString() << "\n" << result.out.toStdString();
    // The error names no help topic; the notice is an information with topic 1.
    EXPECT_TRUE(result.out.contains(QStringLiteral("[erro] Última apuração realizada 0000000009")))
        << result.out.toStdString();
    EXPECT_TRUE(
        result.out.contains(QStringLiteral("apure novamente.\n          ajuda: contexto 1\n")))
        << result.out.toStdString();
    EXPECT_EQ(result.out.count(QStringLiteral("ajuda: contexto")), 1);
}

TEST_F(ZelScriptRun, AGroupRefusedOnLeavingTheHeaderKeepsTheAirportFeeMark) {
    useBasicFixture();
    const QString path = write(QStringLiteral("group.zel"), R"(open
type medSgCia "GRP"
tab
type medCdGrupo "TAXAAERO"
answer yes
tab
expect message "Agrupamento de produtos corresponde a um agrupamento relativo a taxa aeroportuária?"
expect var stGrupTaxa "S"
# The company again clears the group, which the header's exit then refuses.
type medSgCia "GRP"
focus depDataIniDeliv
expect message "Agrupamento de Produtos deve ser informado."
expect focus medCdGrupo
expect var stGrupTaxa "S"
expect form billing
expect disabled sbtConfirma
key medCdGrupo f1
)");
    const ScriptRun result = run(path, QStringLiteral("2024-03-20"));
    EXPECT_EQ(result.status, 0) << result.err.toStdString() << "\n" << result.out.toStdString();
    // The airport-fee question is an information dialog with its two buttons.
    EXPECT_TRUE(result.out.contains(
        QStringLiteral("[informação] Agrupamento de produtos corresponde a um agrupamento "
                       "relativo a taxa aeroportuária? (Sim/Não)\n          resposta: Sim")))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("[erro] Agrupamento de Produtos deve ser")));
    // F1 names the page the desktop opens.
    EXPECT_TRUE(result.out.contains(
        QStringLiteral("[ajuda] Vevivez.idi, contexto 13200100: faturamento.html#ctx-13200100\n")));
}

TEST_F(ZelScriptRun, DemoScriptComputesABillingEndToEnd) {
    const ScriptRun result = run(QStringLiteral(ZEL_EXAMPLES_DIR "/billing-demo.zel"));
    EXPECT_EQ(result.status, 0) << result.err.toStdString() << "\n" << result.out.toStdString();
    EXPECT_TRUE(
        result.out.contains(QStringLiteral("[janela modal] Visualização de Notas Apuradas")))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("Roteiro concluído")));
}

TEST_F(ZelScriptRun, FeeScriptComputesAirportFeesOnTwoBillingInvoices) {
    const ScriptRun result = run(QStringLiteral(ZEL_EXAMPLES_DIR "/fee-demo.zel"));
    EXPECT_EQ(result.status, 0) << result.err.toStdString() << "\n" << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("[janela fechada]  Apuração")));
    EXPECT_TRUE(result.out.contains(QStringLiteral("Roteiro concluído")));
}

TEST_F(ZelScriptRun, FeeScreenRefusalsKeepItOpen) {
    const QString path =
        write(QStringLiteral("fee.zel"), kOpenFeeScreen + R"(type medNrApuracao "77"
tab
expect message "Apuração não cadastrada."
expect text medNrApuracao "0000000077"
expect focus medNrApuracao
set medNrApuracao ""
type depDataIni "01062025"
type depDataFim "30062025"
type depDataFatur "30062025"
click sbtConfirma
expect message "Não existe Nota Fiscal selecionada."
expect form fee
close
expect form billing
expect focus medCdFilial
)");
    const ScriptRun result = run(path);
    EXPECT_EQ(result.status, 0) << result.err.toStdString() << "\n" << result.out.toStdString();
}

TEST_F(ZelScriptRun, EndsCleanlyWithTheFeeScreenStillOpen) {
    // The screens go down in any order at the end, the billing screen before the fee screen
    // that borrows its queries included.
    const QString path = write(QStringLiteral("open-fee.zel"), kOpenFeeScreen);
    const ScriptRun result = run(path);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(
        result.err.contains(QStringLiteral("terminou com a janela modal \" Apuração\" aberta")))
        << result.err.toStdString();
}

TEST_F(ZelScriptRun, StopsWithTheLineAndStatusOne) {
    const QString path = write(QStringLiteral("wrong.zel"), "open\n# the wrong company\n"
                                                            "type medSgCia \"zzz\"\ntab\n"
                                                            "expect focus medSgCia\ntab\n");
    const ScriptRun result = run(path);
    EXPECT_EQ(result.status, 1);
    // The company does not exist: its error, shown by line 4, was never expected.
    EXPECT_TRUE(result.err.startsWith(
        QStringLiteral("zel-script: %1: linha 4: mensagem não esperada (erro)").arg(path)))
        << result.err.toStdString();
}

TEST_F(ZelScriptRun, TheComputationsScreenCancelsExportsAndOpensTheViewer) {
    useBasicFixture();
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000009', 'F', '0001', '0001', '0001', 'CLI000000001', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', '2024-03-01 08:00:00')"));
    const QString csv = m_dir.filePath(QStringLiteral("apuracoes.csv"));
    const QString pdf = m_dir.filePath(QStringLiteral("apuracoes.pdf"));
    const QString path = write(QStringLiteral("computations.zel"), QStringLiteral(R"(open ZEL00103
expect form computations
expect text medCdFilial "0001"
expect rows cdsApuracoes 3
expect field cdsApuracoes 1 NRAPURACFAT "0000000009"
expect field cdsApuracoes 1 IDSTATUS "Interrompida"
select cbbSituacao 2
expect rows cdsApuracoes 1
cell dbgApuracoes 1 NRAPURACFAT
answer yes
click sbtCancela
expect message "Deseja cancelar a apuração e conseqüentemente apagar todas as Notas Fiscais apuradas e não emitidas entre 01/02/2024 e 29/02/2024?"
expect message "Apuração 0000000009 cancelada: 0 notas fiscais apagadas."
expect rows cdsApuracoes 0
select cbbSituacao 0
expect field cdsApuracoes 1 IDSTATUS "Cancelada"
answer file "%1"
click sbtExporta
expect message "Arquivo gravado: %1"
answer file "%2"
click sbtImprime
expect message "A impressão em PDF só está disponível no zel-host."
cell dbgApuracoes 2 NRAPURACFAT
click sbtNotas
expect form viewer
expect text medSgCia "ABC"
expect rows cdsNotaFiscal 2
close
expect form computations
close
expect form none
# The billing screen no longer reports the cancelled computation.
open
type medSgCia "ABC"
focus depDataIniDeliv
expect focus depDataIniDeliv
)")
                                                                       .arg(csv, pdf)
                                                                       .toUtf8());
    const ScriptRun result = run(path, QStringLiteral("2024-03-20"));
    EXPECT_EQ(result.status, 0) << result.err.toStdString() << "\n" << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("[arquivo] Exportar apurações (apuracoes.csv)")))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(
        QStringLiteral("[impressão] Consulta de Apurações (3 linhas)\n          Filial: 0001 - "
                       "Matriz Guarulhos")))
        << result.out.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("Apuração;Tipo;Companhia;"));

    // An unknown screen code is refused before anything runs.
    const ScriptRun bad = run(write(QStringLiteral("bad.zel"), "open ZEL00999\n"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("uso: open [ZEL00100|ZEL00103]")))
        << bad.err.toStdString();
}

TEST_F(ZelScriptRun, ComputationsScriptCancelsRefusesAndExportsOnTheDemo) {
    const ScriptRun result = run(QStringLiteral(ZEL_EXAMPLES_DIR "/computations-demo.zel"));
    EXPECT_EQ(result.status, 0) << result.err.toStdString() << "\n" << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("Roteiro concluído")));
}
