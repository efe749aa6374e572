#include "host/HostConfig.h"

#include "core/CommandLine.h"
#include "external/shared/Ostrana.h"
#include "external/shared/TdtmDBGeral.h"
#include "platform/TClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

bool parseDate(const QString& text, QDate* date, QString* error) {
    const QDate parsed = QDate::fromString(text.trimmed(), Qt::ISODate);
    if (!parsed.isValid()) {
        if (error)
            *error = QStringLiteral("Data inválida: \"%1\" (use AAAA-MM-DD).").arg(text);
        return false;
    }
    *date = parsed;
    return true;
}

bool parseBool(const QString& text, bool* value) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("s") ||
        t == QLatin1String("sim") || t == QLatin1String("yes")) {
        *value = true;
        return true;
    }
    if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("n") ||
        t == QLatin1String("não") || t == QLatin1String("no")) {
        *value = false;
        return true;
    }
    return false;
}

} // namespace

QList<QCommandLineOption> HostConfig::options() {
    const HostConfig defaults;
    return {
        {QStringLiteral("branch"),
         QStringLiteral("filial de trabalho (padrão %1)").arg(defaults.branch),
         QStringLiteral("CÓDIGO")},
        {QStringLiteral("single-branch"), QStringLiteral("modo de filial única")},
        {QStringLiteral("server"),
         QStringLiteral("servidor de aplicação (padrão %1; tls://HOST:PORTA)").arg(defaults.server),
         QStringLiteral("HOST:PORTA")},
        {QStringLiteral("db"),
         QStringLiteral("banco de dados (sqlite:ARQUIVO ou postgresql://...; padrão %1)")
             .arg(defaults.database),
         QStringLiteral("URL")},
        {QStringLiteral("today"), QStringLiteral("fixa a data de hoje"),
         QStringLiteral("AAAA-MM-DD")},
        {QStringLiteral("config"),
         QStringLiteral("arquivo INI com a seção [host] (padrão: $ZEL_CONFIG ou zel.ini ao lado "
                        "do executável)"),
         QStringLiteral("ARQUIVO")},
    };
}

bool HostConfig::check(const CommandLine& line, QString* error) {
    const QString file = line.value(QStringLiteral("config"));
    if (line.isSet(QStringLiteral("config")) && !QFileInfo::exists(file)) {
        if (error)
            *error = QStringLiteral("Arquivo de configuração não encontrado: %1").arg(file);
        return false;
    }
    return HostConfig().takeOptions(line, error);
}

bool HostConfig::load(const CommandLine& line, QString* error) {
    if (!check(line, error))
        return false;
    QString file;
    if (line.isSet(QStringLiteral("config"))) {
        file = line.value(QStringLiteral("config"));
    } else if (qEnvironmentVariableIsSet("ZEL_CONFIG")) {
        file = qEnvironmentVariable("ZEL_CONFIG");
    } else {
        const QString beside =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zel.ini"));
        if (QFileInfo::exists(beside))
            file = beside;
    }
    if (!file.isEmpty() && !readIni(file, error))
        return false;
    return takeOptions(line, error);
}

bool HostConfig::load(QStringList& args, QString* error) {
    CommandLine line(QStringLiteral("zel-host"), QString(), QString());
    line.addOptions(options());
    line.addPositional(QStringLiteral("ARGUMENTOS"), QString(), true);
    QString problem;
    if (!line.parse(args, &problem)) {
        if (error)
            *error = problem;
        return false;
    }
    if (!load(line, error))
        return false;
    args = line.positionalArguments();
    return true;
}

bool HostConfig::readIni(const QString& path, QString* error) {
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError || !QFileInfo(path).isReadable()) {
        if (error)
            *error = QStringLiteral("Não foi possível ler %1.").arg(path);
        return false;
    }
    ini.beginGroup(QStringLiteral("host"));
    branch = ini.value(QStringLiteral("branch"), branch).toString();
    server = ini.value(QStringLiteral("server"), server).toString();
    database = ini.value(QStringLiteral("db"), database).toString();
    if (ini.contains(QStringLiteral("single_branch")) &&
        !parseBool(ini.value(QStringLiteral("single_branch")).toString(), &singleBranch)) {
        if (error)
            *error = QStringLiteral("%1: single_branch deve ser true ou false.").arg(path);
        return false;
    }
    if (ini.contains(QStringLiteral("today")) &&
        !parseDate(ini.value(QStringLiteral("today")).toString(), &today, error))
        return false;
    configFile = path;
    return true;
}

bool HostConfig::takeOptions(const CommandLine& line, QString* error) {
    if (line.isSet(QStringLiteral("single-branch")))
        singleBranch = true;
    if (line.isSet(QStringLiteral("branch")))
        branch = line.value(QStringLiteral("branch"));
    if (line.isSet(QStringLiteral("server"))) {
        server = line.value(QStringLiteral("server"));
        if (!serverAddress(nullptr, nullptr, error))
            return false;
    }
    if (line.isSet(QStringLiteral("db")))
        database = line.value(QStringLiteral("db"));
    if (line.isSet(QStringLiteral("today")) &&
        !parseDate(line.value(QStringLiteral("today")), &today, error))
        return false;
    return true;
}

bool HostConfig::serverAddress(QString* host, int* port, QString* error) const {
    QString rest = server.trimmed();
    QString scheme;
    if (rest.startsWith(QLatin1String("tls://"))) {
        scheme = QStringLiteral("tls://");
        rest = rest.mid(6);
    }
    const int colon = int(rest.lastIndexOf(QLatin1Char(':')));
    bool ok = false;
    const int number = colon > 0 ? rest.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || number <= 0 || number > 65535) {
        if (error)
            *error = QStringLiteral("Endereço do servidor inválido: \"%1\" (use HOST:PORTA).")
                         .arg(server);
        return false;
    }
    if (host)
        *host = scheme + rest.left(colon);
    if (port)
        *port = number;
    return true;
}

void HostConfig::apply() const {
    Ostrana::setFiliProc(branch);
    Ostrana::setModuFili(singleBranch);
    QString host;
    int port = 0;
    if (serverAddress(&host, &port)) {
        Ostrana::setWebURL(host);
        Ostrana::setWebPort(port);
    }
    if (today.isValid())
        Clock().setToday(today);
}

std::unique_ptr<TdtmDBGeral> HostConfig::connectDatabase() const {
    auto module = std::make_unique<TdtmDBGeral>();
    module->connect(database);
    return module;
}
