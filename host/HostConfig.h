#pragma once

#include <memory>
#include <QCommandLineOption>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class CommandLine;
class TdtmDBGeral;

// Where the module runs, as the host tells it: the working branch, the single-branch mode,
// the application server and the database. Defaults suit the demo (branch 0001, a local
// zel-appserver, var/zel.db); an INI file ([host] section) overrides them and the command
// line overrides both.
class HostConfig {
public:
    QString branch = QStringLiteral("0001");
    bool singleBranch = false;
    // "HOST:PORT", or "tls://HOST:PORT" for a server that requires TLS.
    QString server = QStringLiteral("127.0.0.1:7210");
    QString database = QStringLiteral("sqlite:var/zel.db");
    QString configFile; // the INI file read, if any
    // Fixes today's date for the whole run; invalid: the system clock.
    QDate today;

    // The hosts' options: --branch CODE, --single-branch, --server HOST:PORT, --db URL,
    // --today YYYY-MM-DD and --config FILE.
    static QList<QCommandLineOption> options();
    // Checks the values of those options on a parsed command line; needs no application
    // object, so a bad value is reported before any window can be opened.
    static bool check(const CommandLine& line, QString* error);
    // Reads the INI file named by --config, else $ZEL_CONFIG, else zel.ini beside the
    // executable when it exists; then takes the options over it. False with a message on a
    // bad value.
    bool load(const CommandLine& line, QString* error);
    // The same from arguments that hold only these options and positional arguments;
    // leaves the positional ones in args.
    bool load(QStringList& args, QString* error);
    // The keys branch, single_branch, server, db and today of the [host] section.
    bool readIni(const QString& path, QString* error);
    bool takeOptions(const CommandLine& line, QString* error);

    // The server's host (with "tls://" when given) and port.
    bool serverAddress(QString* host, int* port, QString* error = nullptr) const;
    // Tells the shared library (Ostrana) and the clock.
    void apply() const;
    // Creates the one shared data module and connects it; raises the platform's Exception.
    std::unique_ptr<TdtmDBGeral> connectDatabase() const;
};
