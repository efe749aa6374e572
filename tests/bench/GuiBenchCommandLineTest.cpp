// bench_gui's command line: help, and the values refused before anything is seeded.
#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct Ran {
    int code = -1;
    QString out;
    QString err;
};

Ran bench(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(ZEL_BENCH_GUI_BIN), args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(GuiBenchCommandLine, HelpListsTheOptionsInPortuguese) {
    const Ran help = bench({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith("Uso: bench_gui [opções]\n")) << help.out.toStdString();
    for (const char* option : {"--repeats N", "--scroll-passes N", "--legs N", "--invoices N",
                               "--companies N", "--screenshots DIR", "mostra esta ajuda"})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(option))) << option;
}

TEST(GuiBenchCommandLine, BadValuesAreUsageErrors) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--repeats", "0"}, "--repeats exige um número inteiro de 1 a 100."},
        {{"--legs", "4"}, "--legs exige um número inteiro de 5 a 100000."},
        {{"--companies", "9001"}, "--companies exige um número inteiro de 7 a 9000."},
        {{"--invoices", "muitas"}, "--invoices exige um número inteiro de 1 a 200000."},
        {{"--screenshots"}, "--screenshots exige um valor."},
        {{"--rapido"}, "Opção desconhecida: --rapido"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Ran run = bench(c.args);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("bench_gui: ") + QString::fromUtf8(c.says)))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << "nothing measured: " << run.out.toStdString();
    }
}
