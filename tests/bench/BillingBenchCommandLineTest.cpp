// bench_billing's command line: help, and the values refused before anything is seeded.
#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct Started {
    int code = -1;
    QString out;
    QString err;
};

Started bench(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(ZEL_BENCH_BILLING_BIN), args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(BillingBenchCommandLine, HelpAndVersionExitWithZero) {
    const Started help = bench({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith("Uso: bench_billing [opções]\n")) << help.out.toStdString();
    for (const char* option :
         {"--deliveries N[,N...]", "--engines", "--pg URL", "--workdir DIR", "--appserver CAMINHO"})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(option))) << option;
    const Started version = bench({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith("bench_billing ")) << version.out.toStdString();
}

TEST(BillingBenchCommandLine, BadValuesAreUsageErrors) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--deliveries", "0"}, "--deliveries exige números inteiros positivos"},
        {{"--deliveries", "10,x"}, "--deliveries exige números inteiros positivos"},
        {{"--deliveries"}, "--deliveries exige um valor."},
        {{"--engines", "mysql"}, "Banco desconhecido em --engines: mysql"},
        {{"--engines", "postgresql"}, "postgresql exige --pg"},
        {{"--rapido"}, "Opção desconhecida: --rapido"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Started run = bench(c.args);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(
            run.err.startsWith(QStringLiteral("bench_billing: ") + QString::fromUtf8(c.says)))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << "nothing measured: " << run.out.toStdString();
    }
}
