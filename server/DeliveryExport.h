#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class ServerSql;

// The computed deliveries of one computation as NRAPURACFAT.csv in the server's export
// directory (";" separated, decimal comma, UTF-8), read and written page by page so that a
// large computation is never held in memory.
class DeliveryExport {
public:
    // The export directory (DIRETORIOS row "EXPDELIV"), empty when none is set.
    static QString directory(const ServerSql& sql);
    // Whether a file can be created in `path`.
    static bool isWritableDirectory(const QString& path);

    DeliveryExport(const ServerSql& sql, QString directory);

    // Writes the deliveries of computation `nr` whole or not at all (the file appears only
    // when complete). Returns the path written; raises the platform's Exception when the
    // file cannot be written. `written`, when set, hears how many lines are out after
    // each page.
    QString write(const QString& nr, const std::function<void(qint64)>& written = {}) const;

    // -1234 cents → "-12,34".
    static QString money(qint64 cents);
    // A field quoted when it holds a separator, a quote or a line break.
    static QString field(const QString& text);

private:
    // One page of the deliveries after number `after`, in number order, appended to *out
    // as CSV lines counted in *lines. Returns the last number written, empty when there
    // were none.
    QString page(const QString& nr, const QString& after, QByteArray* out, qint64* lines) const;

    const ServerSql& m_sql;
    QString m_directory;
};
