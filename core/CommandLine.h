#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

class QCommandLineParser;

// The command line of every program of the system, read by QCommandLineParser, with one
// style for all of them: --help and --version in Portuguese, and a usage error as
//   PROGRAMA: o erro
//   Uso: PROGRAMA SINOPSE
//   Use "PROGRAMA --help" para ver as opções.
// and exit code 2. Needs no application object, so that a program with a window answers
// --help and --version without a display.
class CommandLine {
public:
    static constexpr int kOk = 0;
    static constexpr int kBadUsage = 2;

    // `program` as the user types it ("zel-appserver init-db"), the synopsis that follows it
    // ("URL [opções]") and what the program does, for --help.
    CommandLine(const QString& program, const QString& synopsis, const QString& description);
    ~CommandLine();
    CommandLine(CommandLine&&) noexcept;
    CommandLine& operator=(CommandLine&&) noexcept;

    void addOption(const QCommandLineOption& option);
    void addOptions(const QList<QCommandLineOption>& options);
    // A positional argument, for the help; parse() refuses more of them than were added,
    // unless the last one added `repeats`.
    void addPositional(const QString& name, const QString& description, bool repeats = false);
    // Everything from the first positional argument on is left to it, options included: the
    // first positional is a command that reads its own arguments.
    void setCommandMode();
    // Text after the options in --help, made only when the help is shown (listing what a
    // program offers may cost more than the program's start).
    void setEpilog(std::function<QString()> text);

    // Parses `args` (without the program's own name). False with the Portuguese error text
    // on an unknown option, an option without its value or with a value it does not take,
    // or a positional argument too many.
    bool parse(const QStringList& args, QString* error);
    // Parses `args` and handles what ends the program here: --help and --version printed on
    // `out` (exit code 0), a usage error on `err` (exit code 2). Nothing when the program
    // goes on.
    std::optional<int> parse(const QStringList& args, QTextStream& out, QTextStream& err);

    // A usage error found after parsing (a bad value, an argument missing), written on `err`
    // in the common style. Returns kBadUsage.
    int usageError(const QString& message, QTextStream& err) const;

    bool isSet(const QString& name) const;
    QString value(const QString& name) const;
    // `text` as a whole number within [min, max] into *value; else, without touching it,
    // "LABEL exige um número inteiro de MIN a MAX.".
    static QString readInteger(const QString& label, const QString& text, qint64 min, qint64 max,
                               qint64* value);
    // The option `name`, when given, the same way (labelled "--name"); empty text when it
    // is not given or is such a number.
    QString readInteger(const QString& name, qint64 min, qint64 max, qint64* out) const;
    QString readInteger(const QString& name, qint64 min, qint64 max, int* out) const;
    QStringList positionalArguments() const;

    // The options added, in order, without --help and --version.
    const QList<QCommandLineOption>& options() const { return m_options; }
    const QString& program() const { return m_program; }
    const QString& description() const { return m_description; }
    // "PROGRAMA SINOPSE".
    QString invocation() const;
    // "Uso: PROGRAMA SINOPSE".
    QString usageLine() const;
    QString helpText() const;
    // "zel-appserver 0.1": the first word of the program and the build's version.
    QString versionText() const;

    // The project's version, from the build.
    static QString version();
    // The arguments after the program's name, as the system passed them.
    static QStringList arguments(int argc, char** argv);

private:
    struct Positional {
        QString name;
        QString description;
    };

    // What the parser refused, in Portuguese.
    QString errorFor(const QStringList& args) const;
    const QCommandLineOption* optionNamed(const QString& name) const;

    QString m_program;
    QString m_synopsis;
    QString m_description;
    std::function<QString()> m_epilog;
    QList<QCommandLineOption> m_options;
    QList<Positional> m_positionals;
    bool m_commandMode = false;
    bool m_lastRepeats = false;
    std::unique_ptr<QCommandLineParser> m_parser;
};
