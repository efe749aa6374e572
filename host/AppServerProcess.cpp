#include "host/AppServerProcess.h"

#include "core/Exception.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

AppServerProcess::AppServerProcess() = default;

AppServerProcess::~AppServerProcess() {
    stop();
}

QString AppServerProcess::log() const {
    QFile file(m_dir.filePath(QStringLiteral("appserver.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void AppServerProcess::start(const QString& program, const QString& databaseUrl, int timeoutMs) {
    if (!m_dir.isValid())
        throw Exception(QStringLiteral("Sem diretório temporário para o servidor."));
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setArguments({QStringLiteral("serve"), QStringLiteral("--db"), databaseUrl,
                             QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_dir.filePath(QStringLiteral("appserver.log")));
    // The server dies with its host, however the host ends (a SIGKILL included): the kernel
    // sends it SIGTERM when the host goes, and a host gone before that was set ends it too.
    const pid_t host = ::getpid();
    m_process->setChildProcessModifier([host] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != host)
            ::_exit(1);
    });
    m_process->start();
    if (!m_process->waitForStarted(timeoutMs))
        throw Exception(QStringLiteral("Não foi possível iniciar %1: %2")
                            .arg(program, m_process->errorString()));
    static const QRegularExpression listening(QStringLiteral("Servidor ouvindo em (\\S+)"));
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const auto match = listening.match(log());
        if (match.hasMatch()) {
            m_address = match.captured(1);
            return;
        }
        if (m_process->state() == QProcess::NotRunning || m_process->waitForFinished(50)) {
            const QString why = log().trimmed();
            m_process.reset();
            throw Exception(QStringLiteral("O servidor de aplicação não iniciou: %1").arg(why));
        }
    }
    stop();
    throw Exception(
        QStringLiteral("O servidor de aplicação não respondeu em %1 s.").arg(timeoutMs / 1000));
}

void AppServerProcess::stop() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
}

QString AppServerProcess::defaultProgram() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zel-appserver"));
}
