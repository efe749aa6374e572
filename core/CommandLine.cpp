#include "core/CommandLine.h"

#include <algorithm>
#include <QCommandLineParser>

namespace {

const QString kHelp = QStringLiteral("help");
const QString kVersion = QStringLiteral("version");
constexpr qsizetype kWidth = 79;
constexpr qsizetype kMaxNameColumn = 30;

QString dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// "-h, --help" or "--db URL".
QString namesOf(const QCommandLineOption& option) {
    QStringList names;
    for (const QString& name : option.names())
        names.append(dashed(name));
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += u' ' + option.valueName();
    return text;
}

// `names` then `description` wrapped beside it, the way every help of the system lists
// its options and arguments.
QString entry(const QString& names, const QString& description, qsizetype column) {
    QString out = QStringLiteral("  ") + names;
    const qsizetype indent = 2 + column + 2;
    if (out.size() + 2 > indent)
        out += u'\n' + QString(indent, u' ');
    else
        out += QString(indent - out.size(), u' ');
    qsizetype used = indent;
    bool first = true;
    for (const QString& line : description.split(u'\n')) {
        if (!first) {
            out += u'\n' + QString(indent, u' ');
            used = indent;
        }
        first = false;
        bool lineStart = true;
        for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
            if (!lineStart && used + 1 + word.size() > kWidth) {
                out += u'\n' + QString(indent, u' ');
                used = indent;
                lineStart = true;
            }
            if (!lineStart) {
                out += u' ';
                ++used;
            }
            out += word;
            used += word.size();
            lineStart = false;
        }
    }
    return out + u'\n';
}

} // namespace

CommandLine::CommandLine(const QString& program, const QString& synopsis,
                         const QString& description)
    : m_program(program)
    , m_synopsis(synopsis)
    , m_description(description)
    , m_parser(std::make_unique<QCommandLineParser>()) {
    m_parser->addOption(QCommandLineOption(QStringList{QStringLiteral("h"), kHelp}));
    m_parser->addOption(QCommandLineOption(kVersion));
}

CommandLine::~CommandLine() = default;
CommandLine::CommandLine(CommandLine&&) noexcept = default;
CommandLine& CommandLine::operator=(CommandLine&&) noexcept = default;

void CommandLine::addOption(const QCommandLineOption& option) {
    m_parser->addOption(option);
    m_options.append(option);
}

void CommandLine::addOptions(const QList<QCommandLineOption>& options) {
    for (const QCommandLineOption& option : options)
        addOption(option);
}

void CommandLine::addPositional(const QString& name, const QString& description, bool repeats) {
    m_positionals.append({name, description});
    m_lastRepeats = repeats;
}

void CommandLine::setCommandMode() {
    m_commandMode = true;
    m_parser->setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
}

void CommandLine::setEpilog(std::function<QString()> text) {
    m_epilog = std::move(text);
}

bool CommandLine::parse(const QStringList& args, QString* error) {
    if (!m_parser->parse(QStringList{m_program} + args)) {
        *error = errorFor(args);
        return false;
    }
    if (isSet(kHelp) || isSet(kVersion) || m_commandMode || m_lastRepeats)
        return true;
    const QStringList positional = positionalArguments();
    if (positional.size() > m_positionals.size()) {
        *error = QStringLiteral("Argumento a mais: %1").arg(positional.at(m_positionals.size()));
        return false;
    }
    return true;
}

std::optional<int> CommandLine::parse(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString error;
    if (!parse(args, &error))
        return usageError(error, err);
    if (isSet(kHelp)) {
        out << helpText();
        out.flush();
        return kOk;
    }
    if (isSet(kVersion)) {
        out << versionText() << '\n';
        out.flush();
        return kOk;
    }
    return std::nullopt;
}

int CommandLine::usageError(const QString& message, QTextStream& err) const {
    err << m_program << ": " << message << '\n'
        << usageLine() << '\n'
        << "Use \"" << m_program << " --help\" para ver as opções.\n";
    err.flush();
    return kBadUsage;
}

bool CommandLine::isSet(const QString& name) const {
    return m_parser->isSet(name);
}

QString CommandLine::value(const QString& name) const {
    return m_parser->value(name);
}

QString CommandLine::readInteger(const QString& label, const QString& text, qint64 min, qint64 max,
                                 qint64* value) {
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < min || number > max)
        return QStringLiteral("%1 exige um número inteiro de %2 a %3.")
            .arg(label)
            .arg(min)
            .arg(max);
    *value = number;
    return {};
}

QString CommandLine::readInteger(const QString& name, qint64 min, qint64 max, qint64* out) const {
    if (!isSet(name))
        return {};
    return readInteger(QStringLiteral("--") + name, value(name), min, max, out);
}

QString CommandLine::readInteger(const QString& name, qint64 min, qint64 max, int* out) const {
    qint64 number = *out;
    const QString problem = readInteger(name, min, max, &number);
    *out = int(number);
    return problem;
}

QStringList CommandLine::positionalArguments() const {
    return m_parser->positionalArguments();
}

QString CommandLine::invocation() const {
    return m_synopsis.isEmpty() ? m_program : m_program + u' ' + m_synopsis;
}

QString CommandLine::usageLine() const {
    return QStringLiteral("Uso: ") + invocation();
}

QString CommandLine::helpText() const {
    const QList<std::pair<QString, QString>> options = [&] {
        QList<std::pair<QString, QString>> list;
        for (const QCommandLineOption& option : m_options)
            list.append({namesOf(option), option.description()});
        list.append({QStringLiteral("-h, --help"), QStringLiteral("mostra esta ajuda e termina")});
        list.append({QStringLiteral("--version"), QStringLiteral("mostra a versão e termina")});
        return list;
    }();
    qsizetype column = 0;
    for (const auto& option : options)
        column = std::max(column, option.first.size());
    for (const Positional& positional : m_positionals)
        column = std::max(column, positional.name.size());
    column = std::min(column, kMaxNameColumn);

    QString text = usageLine() + u'\n';
    if (!m_description.isEmpty())
        text += m_description + u'\n';
    if (!m_positionals.isEmpty()) {
        text += QStringLiteral("\nArgumentos:\n");
        for (const Positional& positional : m_positionals)
            text += entry(positional.name, positional.description, column);
    }
    text += QStringLiteral("\nOpções:\n");
    for (const auto& [names, description] : options)
        text += entry(names, description, column);
    if (const QString epilog = m_epilog ? m_epilog() : QString(); !epilog.isEmpty())
        text += u'\n' + epilog + (epilog.endsWith(u'\n') ? QString() : QStringLiteral("\n"));
    return text;
}

QString CommandLine::versionText() const {
    return m_program.section(u' ', 0, 0) + u' ' + version();
}

QString CommandLine::version() {
    return QStringLiteral(ZEL_VERSION);
}

QStringList CommandLine::arguments(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

const QCommandLineOption* CommandLine::optionNamed(const QString& name) const {
    for (const QCommandLineOption& option : m_options) {
        if (option.names().contains(name))
            return &option;
    }
    return nullptr;
}

// QCommandLineParser says what it refused in English; the same diagnosis again, in the
// system's words.
QString CommandLine::errorFor(const QStringList& args) const {
    const QStringList unknown = m_parser->unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.first();
        const QString asLong = QStringLiteral("--") + name;
        const bool typedLong = std::any_of(args.begin(), args.end(), [&](const QString& arg) {
            return arg == asLong || arg.startsWith(asLong + u'=');
        });
        const QString spelled = typedLong ? asLong : QStringLiteral("-") + name;
        return QStringLiteral("Opção desconhecida: %1").arg(spelled);
    }
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--"))
            break;
        if (!arg.startsWith(u'-') || arg.size() == 1) {
            if (m_commandMode)
                break;
            continue;
        }
        const QString body = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = body.indexOf(u'=');
        const QString name = equals < 0 ? body : body.left(equals);
        const QCommandLineOption* option = optionNamed(name);
        if (!option || option->valueName().isEmpty()) {
            if (option && equals >= 0)
                return QStringLiteral("%1 não aceita valor.").arg(dashed(name));
            continue;
        }
        if (equals >= 0)
            continue;
        if (i + 1 >= args.size())
            return QStringLiteral("%1 exige um valor.").arg(dashed(name));
        ++i;
    }
    return QStringLiteral("Linha de comando inválida: %1").arg(m_parser->errorText());
}
