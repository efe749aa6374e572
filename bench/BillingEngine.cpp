#include "bench/BillingEngine.h"

#include "bench/ServerProcess.h"

#include <QElapsedTimer>
#include <QStringList>

double BillingEngine::seed(const QString& appserver, const QString& url, qint64 n,
                           const QString& company) {
    QElapsedTimer timer;
    timer.start();
    ServerProcess::run(appserver, {QStringLiteral("init-db"), url, QStringLiteral("--demo"),
                                   QStringLiteral("--deliveries"), QString::number(n),
                                   QStringLiteral("--deliveries-of"), company});
    return double(timer.nsecsElapsed()) / 1e9;
}
