#include "server/SqliteRowProgress.h"

#include "core/Exception.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

sqlite3* handleOf(QSqlDatabase db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw Exception(QStringLiteral("o driver QSQLITE não expõe o banco SQLite"));
    return *static_cast<sqlite3* const*>(handle.constData());
}

} // namespace

SqliteRowProgress::SqliteRowProgress(QSqlDatabase db, qint64 total, qint64 minStep, Report report)
    : m_handle(handleOf(db))
    , m_report(std::move(report))
    , m_pacer(total, minStep) {
    // Not deterministic: SQLite must call it for every row, never once for a constant.
    if (sqlite3_create_function_v2(m_handle, kFunction, 2, SQLITE_UTF8, this, &count, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw Exception(
            QStringLiteral("falha ao registrar %1: %2")
                .arg(QLatin1String(kFunction), QString::fromUtf8(sqlite3_errmsg(m_handle))));
}

SqliteRowProgress::~SqliteRowProgress() {
    // The statements that used it are finished: nothing refers to this instance any more.
    sqlite3_create_function_v2(m_handle, kFunction, 2, SQLITE_UTF8, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
}

void SqliteRowProgress::rethrow() const {
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void SqliteRowProgress::count(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* self = static_cast<SqliteRowProgress*>(sqlite3_user_data(context));
    sqlite3_result_value(context, argv[1]);
    ++self->m_counts[sqlite3_value_int(argv[0]) == 0 ? 0 : 1];
    ++self->m_calls;
    if (!self->m_report || self->m_calls - self->m_reported < self->m_pacer.next())
        return;
    self->m_pacer.stepDone(self->m_calls - self->m_reported);
    self->m_reported = self->m_calls;
    // Nothing may unwind through SQLite: a failure ends the statement and is raised after.
    try {
        self->m_report(self->m_counts);
    } catch (...) {
        self->m_failure = std::current_exception();
        sqlite3_result_error(context, "progresso interrompido", -1);
    }
}
