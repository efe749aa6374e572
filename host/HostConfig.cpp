#include "host/HostConfig.h"

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

// The value after option `name` at `index`, removed from args with the option.
bool takeValue(QStringList& args, int index, QString* value, QString* error) {
    if (index + 1 >= args.size()) {
        if (error)
            *error = QStringLiteral("Falta o valor de %1.").arg(args.at(index));
        return false;
    }
    *value = args.at(index + 1);
    args.remove(index, 2);
    return true;
}

} // namespace

bool HostConfig::load(QStringList& args, QString* error) {
    QString file;
    const int at = int(args.indexOf(QStringLiteral("--config")));
    if (at >= 0) {
        if (!takeValue(args, at, &file, error))
            return false;
        if (!QFileInfo::exists(file)) {
            if (error)
                *error = QStringLiteral("Arquivo de configuração não encontrado: %1").arg(file);
            return false;
        }
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
    return takeOptions(args, error);
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

bool HostConfig::takeOptions(QStringList& args, QString* error) {
    for (int i = 0; i < args.size();) {
        const QString& option = args.at(i);
        QString value;
        if (option == QLatin1String("--single-branch")) {
            singleBranch = true;
            args.remove(i);
        } else if (option == QLatin1String("--branch")) {
            if (!takeValue(args, i, &branch, error))
                return false;
        } else if (option == QLatin1String("--server")) {
            if (!takeValue(args, i, &server, error) || !serverAddress(nullptr, nullptr, error))
                return false;
        } else if (option == QLatin1String("--db")) {
            if (!takeValue(args, i, &database, error))
                return false;
        } else if (option == QLatin1String("--today")) {
            if (!takeValue(args, i, &value, error) || !parseDate(value, &today, error))
                return false;
        } else {
            ++i;
        }
    }
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

QString HostConfig::usage() {
    return QStringLiteral(
        "  --branch CÓDIGO        filial de trabalho (padrão 0001)\n"
        "  --single-branch        modo de filial única\n"
        "  --server HOST:PORTA    servidor de aplicação (padrão 127.0.0.1:7210; tls://HOST:PORTA)\n"
        "  --db URL               banco de dados (sqlite:ARQUIVO ou postgresql://...;\n"
        "                         padrão sqlite:var/zel.db)\n"
        "  --today AAAA-MM-DD     fixa a data de hoje\n"
        "  --config ARQUIVO       arquivo INI com a seção [host] (padrão: $ZEL_CONFIG ou\n"
        "                         zel.ini ao lado do executável)\n");
}
