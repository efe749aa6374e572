// The host's own application server dies with the host, whatever ends it.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/types.h>

namespace {

// The processes whose parent is `parent` and whose name is `name`.
QList<qint64> childrenNamed(qint64 parent, const QString& name) {
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold blanks, so split after its ")".
        const QString line = QString::fromUtf8(stat.readAll());
        const qsizetype open = line.indexOf(u'('), close = line.lastIndexOf(u')');
        if (open < 0 || close < open)
            continue;
        const QStringList rest = line.mid(close + 2).split(u' ');
        if (rest.size() > 1 && rest[1].toLongLong() == parent &&
            line.mid(open + 1, close - open - 1) == name)
            found.append(pid);
    }
    return found;
}

bool isGone(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    // A zombie waiting for init to reap it has ended too.
    const QString line = QString::fromUtf8(stat.readAll());
    return line.mid(line.lastIndexOf(u')') + 2, 1) == u"Z";
}

class HostChildServer : public ::testing::TestWithParam<int> {};

TEST_P(HostChildServer, EndsWithTheHost) {
    QTemporaryDir dir;
    const QString url = QStringLiteral("sqlite:") + dir.filePath("host.db");
    QProcess init;
    init.start(QStringLiteral(ZEL_APPSERVER_BIN), {"init-db", url, "--fixture", "basic"});
    ASSERT_TRUE(init.waitForFinished(60000));
    ASSERT_EQ(init.exitCode(), 0) << init.readAllStandardError().toStdString();

    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(ZEL_HOST_BIN), {"--with-server", "--db", url});
    ASSERT_TRUE(host.waitForStarted(10000));

    QList<qint64> servers;
    const QDeadlineTimer started(20000);
    while (servers.isEmpty() && !started.hasExpired() && host.state() == QProcess::Running) {
        QThread::msleep(50);
        servers = childrenNamed(host.processId(), QStringLiteral("zel-appserver"));
    }
    ASSERT_EQ(servers.size(), 1) << host.readAllStandardError().toStdString();
    QThread::msleep(300); // past the start, into the host's event loop

    ::kill(pid_t(host.processId()), GetParam());
    ASSERT_TRUE(host.waitForFinished(10000));
    const QDeadlineTimer ended(10000);
    while (!isGone(servers[0]) && !ended.hasExpired())
        QThread::msleep(50);
    EXPECT_TRUE(isGone(servers[0])) << "zel-appserver " << servers[0] << " outlived its host";
}

INSTANTIATE_TEST_SUITE_P(Signals, HostChildServer, ::testing::Values(SIGTERM, SIGINT, SIGKILL),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGTERM  ? std::string("SIGTERM")
                                    : info.param == SIGINT ? std::string("SIGINT")
                                                           : std::string("SIGKILL");
                         });

} // namespace
