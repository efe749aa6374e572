#pragma once

#include <QString>

struct sqlite3;

// What the query texts expect the database to supply, installed on one SQLite handle:
// NVLSTR(a, b) and NVLNUM(a, b) give a unless it is null, as text and as a number;
// PARAM(x) is a table function with one row whose column PARAM is x (null included), so
// "FROM FILIAL, PARAM(:P) P ... NVLSTR(P.PARAM, CDFILIAL)" runs as written.
namespace SqliteFunctions {

// Returns SQLite's error text, empty on success.
QString install(sqlite3* db);

} // namespace SqliteFunctions
