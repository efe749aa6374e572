#include "bench/ServerProcess.h"

#include "core/Exception.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {
constexpr int kServerStartMs = 60000;
constexpr int kServerStopMs = 30000;
} // namespace

ServerProcess::ServerProcess(const QString& program, const QString& dbUrl, const QString& logFile,
                             const QStringList& extra)
    : m_port(freePort())
    , m_logFile(logFile) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(logFile);
    m_process.start(program, QStringList{QStringLiteral("serve"), QStringLiteral("--db"), dbUrl,
                                         QStringLiteral("--listen"),
                                         QStringLiteral("127.0.0.1:%1").arg(m_port)} +
                                 extra);
    if (!m_process.waitForStarted())
        throw Exception(QStringLiteral("Não foi possível executar %1: %2")
                            .arg(program, m_process.errorString()));
    waitUntilListening();
}

ServerProcess::~ServerProcess() {
    stop();
}

void ServerProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kServerStopMs)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

void ServerProcess::run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted())
        throw Exception(
            QStringLiteral("Não foi possível executar %1: %2").arg(program, process.errorString()));
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw Exception(QStringLiteral("zel-appserver %1 falhou: %2")
                            .arg(args.value(0), QString::fromUtf8(process.readAll()).trimmed()));
}

qint64 ServerProcess::vmHwmKiB(qint64 pid) {
    return statusKiB(pid, QStringLiteral("VmHWM"));
}

qint64 ServerProcess::vmRssKiB(qint64 pid) {
    return statusKiB(pid, QStringLiteral("VmRSS"));
}

double ServerProcess::cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Não foi possível ler %1.").arg(stat.fileName()));
    // The name, in parentheses, may hold blanks: the fields are counted after it.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        throw Exception(QStringLiteral("%1 não informa os tempos.").arg(stat.fileName()));
    // utime and stime, fields 14 and 15 of the whole line.
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

double ServerProcess::threadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

qint64 ServerProcess::statusKiB(qint64 pid, const QString& field) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Não foi possível ler %1.").arg(status.fileName()));
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB$").arg(field),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    if (!match.hasMatch())
        throw Exception(QStringLiteral("%1 não informa %2.").arg(status.fileName(), field));
    return match.captured(1).toLongLong();
}

quint16 ServerProcess::freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw Exception(QStringLiteral("Nenhuma porta livre em 127.0.0.1."));
    return probe.serverPort();
}

void ServerProcess::waitUntilListening() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kServerStartMs) {
        if (m_process.state() == QProcess::NotRunning)
            throw Exception(
                QStringLiteral("O servidor terminou ao iniciar; veja %1.").arg(m_logFile));
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200))
            return;
        QThread::msleep(100);
    }
    throw Exception(QStringLiteral("O servidor não aceitou conexões em %1 s; veja %2.")
                        .arg(kServerStartMs / 1000)
                        .arg(m_logFile));
}
