#include "server/DeliveryExport.h"

#include "core/Exception.h"
#include "server/ServerSql.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTemporaryFile>

namespace {

constexpr int kPage = 5000;

} // namespace

QString DeliveryExport::directory(const ServerSql& sql) {
    return sql
        .scalar(QStringLiteral("SELECT DSDIRETORIO FROM DIRETORIOS WHERE CDPROGRAMA = 'EXPDELIV'"))
        .toString()
        .trimmed();
}

// Writing a probe file is the only test that also holds for root and read-only mounts.
bool DeliveryExport::isWritableDirectory(const QString& path) {
    if (!QFileInfo(path).isDir())
        return false;
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".zel-probe-XXXXXX")));
    return probe.open();
}

DeliveryExport::DeliveryExport(const ServerSql& sql, QString directory)
    : m_sql(sql)
    , m_directory(std::move(directory)) {}

QString DeliveryExport::money(qint64 cents) {
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    const qint64 magnitude = cents < 0 ? -cents : cents;
    return sign + QString::number(magnitude / 100) + QLatin1Char(',') +
           QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString DeliveryExport::field(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString DeliveryExport::page(const QString& nr, const QString& after, QByteArray* out,
                             qint64* lines) const {
    QSqlQuery query = m_sql.exec(
        QStringLiteral("SELECT NRDELIVERY, DTDELIVERY, NRVOO, SGBASEORI, SGBASEDES, "
                       "CDLOCAFATCIA, CDGRUPPROD, VRSERVICO, VRMOEDESTR, NRFATURAMENTO, "
                       "NRLANCTONF FROM DELIVERY WHERE NRAPURACFAT = :nr AND NRDELIVERY > :after "
                       "ORDER BY NRDELIVERY LIMIT %1")
            .arg(kPage),
        {{"nr", nr}, {"after", after}});
    QString last;
    while (query.next()) {
        last = query.value(0).toString();
        const QStringList fields = {nr,
                                    last,
                                    ServerSql::toDate(query.value(1)).toString(Qt::ISODate),
                                    query.value(2).toString(),
                                    query.value(3).toString(),
                                    query.value(4).toString(),
                                    query.value(5).toString(),
                                    query.value(6).toString(),
                                    money(query.value(7).toLongLong()),
                                    money(query.value(8).toLongLong()),
                                    query.value(9).toString().trimmed(),
                                    query.value(10).toString()};
        QStringList quoted;
        for (const QString& f : fields)
            quoted.append(field(f));
        *out += quoted.join(QLatin1Char(';')).toUtf8() + '\n';
        ++*lines;
    }
    return last;
}

QString DeliveryExport::write(const QString& nr, const std::function<void(qint64)>& written) const {
    const QString path = QDir(m_directory).filePath(nr + QStringLiteral(".csv"));
    QSaveFile file(path);
    const auto failed = [&] {
        return Exception(
            QStringLiteral("não foi possível gravar %1: %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    QByteArray out = "NRAPURACFAT;NRDELIVERY;DTDELIVERY;NRVOO;SGBASEORI;SGBASEDES;CDLOCAFATCIA;"
                     "CDGRUPPROD;VRSERVICO;VRMOEDESTR;NRFATURAMENTO;NRLANCTONF\n";
    QString after = QStringLiteral(""); // before every number; a null would bind as NULL
    qint64 lines = 0;
    for (;;) {
        const QString last = page(nr, after, &out, &lines);
        if (file.write(out) != out.size())
            throw failed();
        if (written)
            written(lines);
        if (last.isEmpty())
            break;
        after = last;
        out.clear();
    }
    if (!file.commit())
        throw failed();
    return path;
}
