// The configuration file of "serve": how it is read, how it meets the command line, and
// check-config.
#include "server/IniFile.h"
#include "server/ServeOptions.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return file.fileName();
}

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome runAppServer(const QStringList& args) {
    QProcess process;
    process.start(ZEL_APPSERVER_PATH, args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(IniFile, ReadsSectionsValuesAndCommentsWithTheirLines) {
    IniFile ini;
    QString error;
    ASSERT_TRUE(ini.parse("a.conf",
                          "\xEF\xBB\xBF; comentário\n"
                          "# outro\n"
                          "\n"
                          "[serve]\r\n"
                          "  db =  sqlite:/var/lib/zel/zel.db  \n"
                          "export-dir = \"/srv/com espaço \\\"aspas\\\" e \\\\\"\n"
                          "token-file=\n",
                          &error))
        << error.toStdString();
    ASSERT_EQ(ini.entries().size(), 3);
    const IniFile::Entry* db = ini.find("serve", "db");
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->value, "sqlite:/var/lib/zel/zel.db");
    EXPECT_EQ(db->line, 5);
    EXPECT_EQ(ini.find("serve", "export-dir")->value, "/srv/com espaço \"aspas\" e \\");
    EXPECT_EQ(ini.find("serve", "token-file")->value, "");
    EXPECT_EQ(ini.find("", "db"), nullptr);
    EXPECT_EQ(ini.sections().size(), 1);
    EXPECT_EQ(ini.sections()[0].line, 4);
}

TEST(IniFile, ALineItCannotReadIsNamedByNumber) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"[serve]\ndb = x\n[serve\n", "a.conf, linha 3: cabeçalho de seção inválido: [serve"},
        {"[serve]\nsó texto\n", "a.conf, linha 2: esperado chave = valor: só texto"},
        {"[serve]\n= valor\n", "a.conf, linha 2: esperado chave = valor"},
        {"[serve]\ndb = \"aberta\n", "a.conf, linha 2: valor entre aspas malformado em db"},
        {"[serve]\ndb = \"a\" b\n", "a.conf, linha 2: valor entre aspas malformado em db"},
        {"[serve]\ndb = a\n\ndb = b\n", "a.conf, linha 4: db repetida (já definida na linha 2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        IniFile ini;
        QString error;
        EXPECT_FALSE(ini.parse("a.conf", QString::fromUtf8(c.text), &error));
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.says))) << error.toStdString();
    }
}

TEST(IniFile, AMissingOrHugeFileIsRefused) {
    QTemporaryDir dir;
    IniFile ini;
    QString error;
    EXPECT_FALSE(ini.read(dir.filePath("nao-existe.conf"), &error));
    EXPECT_TRUE(error.startsWith("Não foi possível ler o arquivo de configuração"))
        << error.toStdString();
    const QString huge = write(dir, "grande.conf", QByteArray(IniFile::kMaxSize + 1, '#'));
    EXPECT_FALSE(ini.read(huge, &error));
    EXPECT_TRUE(error.contains("passa de")) << error.toStdString();
}

TEST(ServeConfig, TheCommandLineOverridesTheFile) {
    QTemporaryDir dir;
    const QString file = write(dir, "appserver.conf",
                               "[serve]\n"
                               "db = sqlite:/tmp/config.db\n"
                               "max-connections = 16\n"
                               "max-computations = 3\n"
                               "lease = 600\n"
                               "grace = 12\n"
                               "listen = 127.0.0.1:7300\n"
                               "export-dir =\n");
    ServeOptions options;
    ASSERT_EQ(ServeOptions::parse({"--config", file, "--lease", "60", "--listen", "127.0.0.1:7400"},
                                  &options),
              "");
    EXPECT_EQ(options.databaseUrl, "sqlite:/tmp/config.db");
    EXPECT_EQ(options.maxConnections, 16);
    EXPECT_EQ(options.maxComputations, 3);
    EXPECT_EQ(options.leaseSeconds, 60);
    EXPECT_EQ(options.graceSeconds, 12);
    EXPECT_EQ(options.port, 7400);
    EXPECT_EQ(options.exportDir, "") << "an empty value is no value";
    // A bad value in the file does not matter when the command line gives its own.
    const QString bad = write(dir, "bad.conf", "[serve]\ndb = sqlite:x.db\nlease = muito\n");
    EXPECT_EQ(ServeOptions::parse({"--config", bad, "--lease", "30"}, &options), "");
}

TEST(ServeConfig, AProblemInTheFileNamesFileAndLine) {
    QTemporaryDir dir;
    const struct {
        QByteArray text;
        const char* says; // after "FILE, linha "
    } cases[] = {
        {"[serve]\ndb = sqlite:x.db\nporta = 1\n", "3: chave desconhecida: porta (válidas: db, "},
        {"[serve]\ndb = sqlite:x.db\nconfig = outro.conf\n", "3: chave desconhecida: config"},
        {"db = sqlite:x.db\n", "1: db fora da seção [serve]."},
        {"[host]\nbranch = 0001\n", "1: seção desconhecida [host]; as opções ficam em [serve]."},
        {"[serve]\ndb = sqlite:x.db\n\nmax-connections = 0\n",
         "4: max-connections exige um número inteiro de 1 a 10000."},
        {"[serve]\ndb = sqlite:x.db\nmax-computations = 0\n",
         "3: max-computations exige um número inteiro de 1 a 1000."},
        {"[serve]\ndb = sqlite:x.db\ngrace = -1\n",
         "3: grace exige um número inteiro de 0 a 3600."},
        {"[serve]\ndb = mysql://x\n", "2: "},
        {"[serve]\ndb = sqlite:x.db\nlisten = servidor:7210\n",
         "3: Endereço inválido em listen: servidor:7210"},
        {"[serve]\ndb = sqlite:x.db\nlisten = 0.0.0.0:7210\n",
         "3: Recusado: para ouvir em 0.0.0.0"},
        {"[serve]\ndb = sqlite:x.db\ntls-key = k.pem\n",
         "3: Informe --tls-cert e --tls-key juntos."},
        {"[serve]\ndb = sqlite:x.db\ntoken-file = /nao/existe\n", "3: "},
        {"[serve]\ndb = sqlite:x.db\nexport-dir = /nao/existe\n",
         "3: O diretório de exportação /nao/existe não existe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString file = write(dir, "appserver.conf", c.text);
        ServeOptions options;
        const QString problem = ServeOptions::parse({"--config", file}, &options);
        EXPECT_TRUE(problem.startsWith(file + ", linha " + QString::fromUtf8(c.says)))
            << problem.toStdString();
    }
    // Neither the file nor the command line names a database.
    const QString empty = write(dir, "vazio.conf", "[serve]\nlease = 60\n");
    ServeOptions options;
    EXPECT_EQ(ServeOptions::parse({"--config", empty}, &options),
              "Informe o banco de dados com --db URL ou db = URL na seção [serve] de " + empty +
                  ".");
    // The same value typed on the command line is named as an option, with no file or line.
    EXPECT_EQ(
        ServeOptions::parse({"--config", empty, "--db", "sqlite:x.db", "--lease", "0"}, &options),
        "--lease exige um número inteiro de 1 a 604800.");
}

TEST(ServeConfig, ServeDoesNotStartOnABadFile) {
    QTemporaryDir dir;
    const QString file = write(dir, "appserver.conf", "[serve]\ndb = sqlite:x.db\nporta = 1\n");
    const Outcome outcome = runAppServer({"serve", "--config", file});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.err.startsWith("zel-appserver serve: " + file + ", linha 3: "))
        << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains("Servidor ouvindo"));
}

TEST(CheckConfig, PrintsTheEffectiveSettingsAndWhereEachCameFrom) {
    QTemporaryDir dir;
    const QString token = write(dir, "token", "segredo-que-nunca-aparece-no-relatorio-0001\n");
    const QString file = write(dir, "appserver.conf",
                               "# servidor\n[serve]\ndb = postgresql://zel:senha@db:5432/zel\n"
                               "token-file = " +
                                   token.toUtf8() + "\nlease = 120\n");
    const Outcome good = runAppServer({"check-config", file});
    EXPECT_EQ(good.exitCode, 0) << good.err.toStdString();
    EXPECT_TRUE(good.out.startsWith("Configuração válida: " + file + "\n"))
        << good.out.toStdString();
    EXPECT_TRUE(good.out.contains("  db = postgresql://zel@db:5432/zel  [linha 3]\n"))
        << good.out.toStdString();
    EXPECT_TRUE(good.out.contains("  lease = 120 s  [linha 5]\n")) << good.out.toStdString();
    EXPECT_TRUE(good.out.contains("  listen = 127.0.0.1:7210  [padrão]\n"))
        << good.out.toStdString();
    EXPECT_TRUE(good.out.contains("  grace = 30 s  [padrão]\n")) << good.out.toStdString();
    EXPECT_FALSE(good.out.contains("segredo")) << "the token itself is never shown";
    EXPECT_FALSE(good.out.contains("senha")) << "nor the database password";

    const QString bad = write(dir, "bad.conf", "[serve]\ndb = sqlite:x.db\nlease = 0\n");
    const Outcome refused = runAppServer({"check-config", bad});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(bad + ", linha 3: lease exige")) << refused.err.toStdString();
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(runAppServer({"check-config"}).exitCode, 2);
}
