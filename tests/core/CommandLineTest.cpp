// The one command-line style of every program: Portuguese errors and help, exit codes.
#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

CommandLine initDbLike() {
    CommandLine line(QStringLiteral("zel-appserver init-db"), QStringLiteral("URL [opções]"),
                     QStringLiteral("Cria as tabelas."));
    line.addPositional(QStringLiteral("URL"), QStringLiteral("o banco"));
    line.addOptions({
        {QStringLiteral("demo"), QStringLiteral("dados de demonstração")},
        {QStringLiteral("fixture"), QStringLiteral("um conjunto de teste"), QStringLiteral("NOME")},
    });
    return line;
}

struct Outcome {
    std::optional<int> exit;
    QString out;
    QString err;
};

Outcome run(CommandLine& line, const QStringList& args) {
    Outcome o;
    QTextStream out(&o.out);
    QTextStream err(&o.err);
    o.exit = line.parse(args, out, err);
    return o;
}

QString errorOf(CommandLine line, const QStringList& args) {
    QString error;
    EXPECT_FALSE(line.parse(args, &error)) << args.join(' ').toStdString();
    return error;
}

} // namespace

TEST(CommandLine, UsageErrorsSayWhatIsWrongInPortuguese) {
    EXPECT_EQ(errorOf(initDbLike(), {"sqlite:x.db", "--fixtur", "basic"}),
              "Opção desconhecida: --fixtur");
    EXPECT_EQ(errorOf(initDbLike(), {"sqlite:x.db", "--fixtur=basic"}),
              "Opção desconhecida: --fixtur");
    EXPECT_EQ(errorOf(initDbLike(), {"-x"}), "Opção desconhecida: -x");
    EXPECT_EQ(errorOf(initDbLike(), {"sqlite:x.db", "--fixture"}), "--fixture exige um valor.");
    EXPECT_EQ(errorOf(initDbLike(), {"--demo=sim", "sqlite:x.db"}), "--demo não aceita valor.");
    EXPECT_EQ(errorOf(initDbLike(), {"sqlite:x.db", "outro"}), "Argumento a mais: outro");
    // Only one error is told, the unknown option first.
    EXPECT_EQ(errorOf(initDbLike(), {"sqlite:x.db", "--nada", "--fixture"}),
              "Opção desconhecida: --nada");
}

TEST(CommandLine, ValuesAndPositionalsInAnyOrder) {
    CommandLine line = initDbLike();
    QString error;
    ASSERT_TRUE(line.parse({"--fixture=basic", "sqlite:x.db", "--demo"}, &error))
        << error.toStdString();
    EXPECT_EQ(line.value("fixture"), "basic");
    EXPECT_TRUE(line.isSet("demo"));
    EXPECT_EQ(line.positionalArguments(), QStringList{"sqlite:x.db"});

    // A value may start with a dash: it is the option's, not an option.
    CommandLine negative = initDbLike();
    ASSERT_TRUE(negative.parse({"sqlite:x.db", "--fixture", "-5"}, &error)) << error.toStdString();
    EXPECT_EQ(negative.value("fixture"), "-5");

    CommandLine repeated(QStringLiteral("zel-host"), {}, {});
    repeated.addPositional(QStringLiteral("ARGUMENTOS"), {}, true);
    ASSERT_TRUE(repeated.parse({"a", "b", "c"}, &error));
    EXPECT_EQ(repeated.positionalArguments(), QStringList({"a", "b", "c"}));
}

TEST(CommandLine, CommandModeLeavesTheCommandItsOwnArguments) {
    const auto commands = [] {
        CommandLine line(QStringLiteral("zel-appserver"), QStringLiteral("COMANDO [argumentos]"),
                         {});
        line.addPositional(QStringLiteral("COMANDO"), QStringLiteral("o comando"));
        line.setCommandMode();
        return line;
    };
    CommandLine line = commands();
    Outcome o = run(line, {"serve", "--db", "x", "--help", "extra"});
    EXPECT_FALSE(o.exit.has_value()) << o.err.toStdString();
    EXPECT_EQ(line.positionalArguments(), QStringList({"serve", "--db", "x", "--help", "extra"}));
    EXPECT_TRUE(o.out.isEmpty());
    // Before the command, options are the program's own.
    EXPECT_EQ(errorOf(commands(), {"--db", "serve"}), "Opção desconhecida: --db");
}

TEST(CommandLine, AUsageErrorNamesTheProgramShowsTheUsageAndExitsWithTwo) {
    CommandLine line = initDbLike();
    const Outcome o = run(line, {"--fixtur"});
    ASSERT_TRUE(o.exit.has_value());
    EXPECT_EQ(*o.exit, CommandLine::kBadUsage);
    EXPECT_EQ(*o.exit, 2);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(o.err, "zel-appserver init-db: Opção desconhecida: --fixtur\n"
                     "Uso: zel-appserver init-db URL [opções]\n"
                     "Use \"zel-appserver init-db --help\" para ver as opções.\n");

    QString err;
    QTextStream stream(&err);
    EXPECT_EQ(line.usageError(QStringLiteral("Informe o endereço do banco de dados."), stream), 2);
    EXPECT_TRUE(err.startsWith("zel-appserver init-db: Informe o endereço do banco de dados.\n"
                               "Uso: zel-appserver init-db URL [opções]\n"));
}

TEST(CommandLine, HelpIsPortugueseOnStandardOutputAndExitsWithZero) {
    for (const char* help : {"--help", "-h"}) {
        CommandLine line = initDbLike();
        line.addOption({QStringLiteral("deliveries-of"),
                        QStringLiteral("as deliveries geradas, todas da filial e companhia "
                                       "informadas, que é uma descrição longa o bastante para "
                                       "ocupar mais de uma linha"),
                        QStringLiteral("FILIAL/CIA")});
        line.setEpilog([] { return QStringLiteral("Comandos: nenhum."); });
        const Outcome o = run(line, {"sqlite:x.db", help});
        ASSERT_EQ(o.exit, std::optional<int>(0)) << help;
        EXPECT_TRUE(o.err.isEmpty());
        EXPECT_TRUE(o.out.startsWith("Uso: zel-appserver init-db URL [opções]\nCria as tabelas.\n"))
            << o.out.toStdString();
        for (const char* expected :
             {"\nArgumentos:\n  URL ", "\nOpções:\n", "  --fixture NOME ", "um conjunto de teste",
              "  -h, --help ", "mostra esta ajuda e termina", "  --version ",
              "mostra a versão e termina", "Comandos: nenhum."})
            EXPECT_TRUE(o.out.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                     << o.out.toStdString();
        for (const char* english : {"Usage", "Options", "Displays", "Arguments"})
            EXPECT_FALSE(o.out.contains(QLatin1String(english))) << english;
        for (const QString& text : o.out.split('\n'))
            EXPECT_LE(text.size(), 79) << text.toStdString();
        // The wrapped description goes on under its own column.
        EXPECT_TRUE(
            o.out.contains(QRegularExpression("FILIAL/CIA +as deliveries[^\n]*\n {10,}\\S")))
            << o.out.toStdString();
    }
}

TEST(CommandLine, VersionIsTheBuildsAndExitsWithZero) {
    EXPECT_TRUE(QRegularExpression("^\\d+(\\.\\d+)+$").match(CommandLine::version()).hasMatch())
        << CommandLine::version().toStdString();
    CommandLine line = initDbLike();
    const Outcome o = run(line, {"--version"});
    ASSERT_EQ(o.exit, std::optional<int>(0));
    EXPECT_EQ(o.out, "zel-appserver " + CommandLine::version() + "\n");
    EXPECT_TRUE(o.err.isEmpty());
}

TEST(CommandLine, ArgumentsSkipTheProgramName) {
    char program[] = "zel-host";
    char option[] = "--today";
    char value[] = "2025-06-20";
    char* argv[] = {program, option, value, nullptr};
    EXPECT_EQ(CommandLine::arguments(3, argv), QStringList({"--today", "2025-06-20"}));
}

// A whole-number option: absent leaves the default, inside its limits it is taken, anything
// else is refused in Portuguese and leaves the value as it was.
TEST(CommandLine, WholeNumberOptionsWithinTheirLimits) {
    const auto read = [](const QStringList& args, int* value) {
        CommandLine line(QStringLiteral("bench"), QString(), QString());
        line.addOptions({{QStringLiteral("seconds"), QStringLiteral("duração"),
                          QStringLiteral("N")}});
        QString error;
        EXPECT_TRUE(line.parse(args, &error)) << error.toStdString();
        return line.readInteger(QStringLiteral("seconds"), 1, 3600, value);
    };
    int seconds = 30;
    EXPECT_TRUE(read({}, &seconds).isEmpty());
    EXPECT_EQ(seconds, 30);
    EXPECT_TRUE(read({"--seconds", "3600"}, &seconds).isEmpty());
    EXPECT_EQ(seconds, 3600);
    for (const char* bad : {"0", "3601", "10s", "", "99999999999999999999"}) {
        SCOPED_TRACE(bad);
        seconds = 30;
        EXPECT_EQ(read({"--seconds", bad}, &seconds),
                  "--seconds exige um número inteiro de 1 a 3600.");
        EXPECT_EQ(seconds, 30);
    }
}
