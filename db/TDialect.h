#pragma once

#include <QString>

// The SQL dialect of a connection; it picks which text of a query runs. SQLite and
// PostgreSQL run the default text, the other two their own texts when they have one.
enum class TDialect { SQLite, PostgreSQL, InterBase, Oracle };

QString dialectName(TDialect dialect);
