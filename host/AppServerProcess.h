#pragma once

#include <memory>
#include <QString>
#include <QTemporaryDir>

class QProcess;

// A zel-appserver started for one run on a free loopback port over a given database, and
// stopped with the run. Its log goes to a file, never to a pipe nobody drains, so a long
// run cannot stall the server.
class AppServerProcess {
public:
    AppServerProcess();
    ~AppServerProcess(); // stops the server
    AppServerProcess(const AppServerProcess&) = delete;
    AppServerProcess& operator=(const AppServerProcess&) = delete;

    // Starts `program serve --db URL --listen 127.0.0.1:0` and waits for its
    // "Servidor ouvindo em HOST:PORTA" line. Raises the platform's Exception with the
    // server's own words when it does not start.
    void start(const QString& program, const QString& databaseUrl, int timeoutMs = 15000);
    void stop();
    // "HOST:PORTA" once started.
    const QString& address() const { return m_address; }
    QString log() const;

    // zel-appserver beside the running executable.
    static QString defaultProgram();

private:
    std::unique_ptr<QProcess> m_process;
    QTemporaryDir m_dir;
    QString m_address;
};
