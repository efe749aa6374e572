#pragma once

#include "server/StepPacer.h"

#include <QSqlDatabase>

#include <array>
#include <exception>
#include <functional>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;

// Progress from inside one long SQLite statement. While an instance lives, the connection
// has a function ZEL_CONTA(n, x) that returns x and counts its calls on counter n (0 or
// 1). A statement that calls it once per row, in its WHERE clause (AND ZEL_CONTA(0, 1) = 1)
// or in what it writes (SET NRAPURACFAT = ZEL_CONTA(1, :nr)), has `report` told the counts
// as it goes, in steps paced by StepPacer. So a pass over a million deliveries stays one
// set-based statement: split into steps instead, every step would rewrite most of the
// table's pages again when the deliveries are not stored in the order of the steps.
class SqliteRowProgress {
public:
    using Counts = std::array<qint64, 2>;
    using Report = std::function<void(const Counts& counts)>;
    static constexpr const char* kFunction = "ZEL_CONTA";

    // `total` is about how many calls the statement will make, both counters together.
    SqliteRowProgress(QSqlDatabase db, qint64 total, qint64 minStep, Report report);
    ~SqliteRowProgress();
    SqliteRowProgress(const SqliteRowProgress&) = delete;
    SqliteRowProgress& operator=(const SqliteRowProgress&) = delete;

    const Counts& counts() const { return m_counts; }
    // Raises what `report` raised, which ended the statement with an error; call it when
    // the statement failed.
    void rethrow() const;

private:
    static void count(sqlite3_context* context, int argc, sqlite3_value** argv);

    sqlite3* m_handle = nullptr;
    Report m_report;
    StepPacer m_pacer;
    Counts m_counts{0, 0};
    qint64 m_calls = 0;
    qint64 m_reported = 0;
    std::exception_ptr m_failure;
};
