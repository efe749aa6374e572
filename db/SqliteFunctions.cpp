#include "db/SqliteFunctions.h"

#include <sqlite3.h>

#include <cstring>

namespace {

// --- NVLSTR / NVLNUM -----------------------------------------------------------------

sqlite3_value* firstNonNull(sqlite3_value** argv) {
    return sqlite3_value_type(argv[0]) != SQLITE_NULL ? argv[0] : argv[1];
}

void nvlStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* v = firstNonNull(argv);
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    // Text, as on the other engines: a number compared with a text column must not be
    // compared as a number.
    const auto* text = sqlite3_value_text(v);
    sqlite3_result_text(ctx, reinterpret_cast<const char*>(text), sqlite3_value_bytes(v),
                        SQLITE_TRANSIENT);
}

void nvlNum(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* v = firstNonNull(argv);
    switch (sqlite3_value_numeric_type(v)) {
    case SQLITE_INTEGER:
        sqlite3_result_int64(ctx, sqlite3_value_int64(v));
        break;
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, sqlite3_value_double(v));
        break;
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        break;
    default:
        sqlite3_result_error(ctx, "NVLNUM: argumento não numérico", -1);
        break;
    }
}

// --- PARAM: an eponymous table function -----------------------------------------------

enum ParamColumn { ColParam = 0, ColArg = 1 };

struct ParamCursor {
    sqlite3_vtab_cursor base; // must come first: SQLite hands us this pointer
    sqlite3_value* value;
    bool eof;
};

int paramConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(PARAM, ARG HIDDEN)");
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
    auto* table = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!table)
        return SQLITE_NOMEM;
    std::memset(table, 0, sizeof(*table));
    *out = table;
    return SQLITE_OK;
}

int paramDisconnect(sqlite3_vtab* table) {
    sqlite3_free(table);
    return SQLITE_OK;
}

// The argument arrives as an equality constraint on the hidden column. It must be
// omitted from SQLite's own re-check: with a null argument "ARG = NULL" is never true
// and the one row would be filtered away.
int paramBestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.iColumn != ColArg || c.op != SQLITE_INDEX_CONSTRAINT_EQ)
            continue;
        if (!c.usable)
            return SQLITE_CONSTRAINT; // ask for a plan where the argument is known
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 1;
        info->idxNum = 1;
        break;
    }
    info->estimatedCost = 1;
    info->estimatedRows = 1;
    return SQLITE_OK;
}

int paramOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    auto* cursor = static_cast<ParamCursor*>(sqlite3_malloc(sizeof(ParamCursor)));
    if (!cursor)
        return SQLITE_NOMEM;
    std::memset(cursor, 0, sizeof(*cursor));
    cursor->eof = true;
    *out = &cursor->base;
    return SQLITE_OK;
}

int paramClose(sqlite3_vtab_cursor* base) {
    auto* cursor = reinterpret_cast<ParamCursor*>(base);
    sqlite3_value_free(cursor->value);
    sqlite3_free(cursor);
    return SQLITE_OK;
}

int paramFilter(sqlite3_vtab_cursor* base, int, const char*, int argc, sqlite3_value** argv) {
    auto* cursor = reinterpret_cast<ParamCursor*>(base);
    sqlite3_value_free(cursor->value);
    cursor->value = nullptr;
    if (argc > 0) {
        cursor->value = sqlite3_value_dup(argv[0]);
        if (!cursor->value)
            return SQLITE_NOMEM;
    }
    cursor->eof = false;
    return SQLITE_OK;
}

int paramNext(sqlite3_vtab_cursor* base) {
    reinterpret_cast<ParamCursor*>(base)->eof = true;
    return SQLITE_OK;
}

int paramEof(sqlite3_vtab_cursor* base) {
    return reinterpret_cast<ParamCursor*>(base)->eof ? 1 : 0;
}

int paramColumn(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int) {
    auto* cursor = reinterpret_cast<ParamCursor*>(base);
    if (cursor->value)
        sqlite3_result_value(ctx, cursor->value);
    else
        sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int paramRowid(sqlite3_vtab_cursor*, sqlite3_int64* rowid) {
    *rowid = 1;
    return SQLITE_OK;
}

sqlite3_module makeParamModule() {
    sqlite3_module m;
    std::memset(&m, 0, sizeof(m));
    // No xCreate: the module is eponymous only, "CREATE VIRTUAL TABLE ... USING PARAM"
    // is refused.
    m.xConnect = paramConnect;
    m.xBestIndex = paramBestIndex;
    m.xDisconnect = paramDisconnect;
    m.xOpen = paramOpen;
    m.xClose = paramClose;
    m.xFilter = paramFilter;
    m.xNext = paramNext;
    m.xEof = paramEof;
    m.xColumn = paramColumn;
    m.xRowid = paramRowid;
    return m;
}

const sqlite3_module kParamModule = makeParamModule();

QString errorOf(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

} // namespace

QString SqliteFunctions::install(sqlite3* db) {
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (sqlite3_create_function_v2(db, "NVLSTR", 2, flags, nullptr, nvlStr, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        return errorOf(db);
    if (sqlite3_create_function_v2(db, "NVLNUM", 2, flags, nullptr, nvlNum, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        return errorOf(db);
    if (sqlite3_create_module_v2(db, "PARAM", &kParamModule, nullptr, nullptr) != SQLITE_OK)
        return errorOf(db);
    return {};
}
