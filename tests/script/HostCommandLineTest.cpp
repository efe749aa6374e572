// zel-host and zel-script as a user starts them: help, version and usage errors, the desktop
// host's without any display.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

namespace {

struct Started {
    int code = -1;
    bool crashed = false;
    QString out;
    QString err;
};

Started start(const QString& program, const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display of any kind: a window system opened before the command line is read fails.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    process.start(program, args);
    Started run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    run.code = process.exitCode();
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

TEST(HostCommandLine, DesktopHostAnswersHelpAndVersionWithoutADisplay) {
    for (const char* help : {"--help", "-h"}) {
        const Started run = start(QStringLiteral(ZEL_HOST_BIN), {QString::fromLatin1(help)});
        ASSERT_FALSE(run.crashed) << run.err.toStdString();
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith("Uso: zel-host [opções]\n")) << run.out.toStdString();
        for (const char* option :
             {"--with-server", "--package ARQUIVO", "--open", "--branch CÓDIGO", "--single-branch",
              "--server HOST:PORTA", "--db URL", "--today AAAA-MM-DD", "--config ARQUIVO",
              "--version"})
            EXPECT_TRUE(run.out.contains(QString::fromUtf8(option))) << option;
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
    const Started version = start(QStringLiteral(ZEL_HOST_BIN), {"--version"});
    EXPECT_EQ(version.code, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.contains(QRegularExpression("^zel-host \\d+\\.\\d+")))
        << version.out.toStdString();
}

TEST(HostCommandLine, BadOptionsAreUsageErrorsBeforeAnyWindow) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--abrir"}, "zel-host: Opção desconhecida: --abrir\n"},
        {{"--package"}, "zel-host: --package exige um valor.\n"},
        {{"--today", "20/06/2025"}, "zel-host: Data inválida: \"20/06/2025\" (use AAAA-MM-DD).\n"},
        {{"--server", "localhost"}, "zel-host: Endereço do servidor inválido"},
        {{"--config", "/nao/existe.ini"}, "zel-host: Arquivo de configuração não encontrado"},
        {{"roteiro.zel"}, "zel-host: Argumento a mais: roteiro.zel\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Started run = start(QStringLiteral(ZEL_HOST_BIN), c.args);
        ASSERT_FALSE(run.crashed) << run.err.toStdString();
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.startsWith(QString::fromUtf8(c.says))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("Use \"zel-host --help\" para ver as opções."));
    }
}

TEST(HostCommandLine, ScriptHostSpeaksTheSameWay) {
    const Started help = start(QStringLiteral(ZEL_SCRIPT_BIN), {"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith("Uso: zel-script [opções] ROTEIRO\n"))
        << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("--with-server")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("--today AAAA-MM-DD")) << help.out.toStdString();

    const Started version = start(QStringLiteral(ZEL_SCRIPT_BIN), {"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith("zel-script ")) << version.out.toStdString();

    const Started noScript = start(QStringLiteral(ZEL_SCRIPT_BIN), {"--with-server"});
    EXPECT_EQ(noScript.code, 2);
    EXPECT_TRUE(noScript.err.startsWith("zel-script: Informe o roteiro.\n"
                                        "Uso: zel-script [opções] ROTEIRO\n"))
        << noScript.err.toStdString();

    const Started unknown = start(QStringLiteral(ZEL_SCRIPT_BIN), {"--com-servidor", "a.zel"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.startsWith("zel-script: Opção desconhecida: --com-servidor\n"))
        << unknown.err.toStdString();
    EXPECT_TRUE(unknown.out.isEmpty());
}
