#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// `zel-appserver serve` on a free loopback port, started by the benchmarks and stopped when
// dropped, with the helpers they share to run the server's other commands and read a
// process's peak memory.
class ServerProcess {
public:
    // `extra`: more options of "serve". Raises when the server does not come up.
    ServerProcess(const QString& program, const QString& dbUrl, const QString& logFile,
                  const QStringList& extra = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    quint16 port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }
    qint64 peakMemoryKiB() const { return vmHwmKiB(m_process.processId()); }
    void stop();

    // Runs a zel-appserver command to its end; raises with its output when it fails.
    static void run(const QString& program, const QStringList& args);
    // Peak and current resident memory of a process (VmHWM, VmRSS), from /proc.
    static qint64 vmHwmKiB(qint64 pid);
    static qint64 vmRssKiB(qint64 pid);
    // The processor time a process has used so far, user and system, in seconds.
    static double cpuSeconds(qint64 pid);
    // The same for the calling thread.
    static double threadCpuSeconds();
    static quint16 freePort();

private:
    static qint64 statusKiB(qint64 pid, const QString& field);
    void waitUntilListening();

    QProcess m_process;
    quint16 m_port;
    QString m_logFile;
};
