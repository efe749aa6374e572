#pragma once

#include "server/InvoiceSum.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;

// The invoice of each delivery as the marking writes it, and the sums of the invoices
// taken on the way, so that SQLite goes through the deliveries once. While an instance
// lives, the connection has a function ZEL_NOTA(k1, k2, k3, valor, estrangeiro) that
// returns the invoice number of the key (k1..k3 the key's columns, '' for those the key
// lacks) and adds the values to that invoice. A key outside the list ends the statement
// with an error: its delivery was not counted when the invoices were made.
class SqliteInvoiceLookup {
public:
    using Invoice = InvoiceSum;
    static constexpr const char* kFunction = "ZEL_NOTA";
    static constexpr const char* kUnknownKey = "deliveries incluídas durante o cálculo";

    SqliteInvoiceLookup(QSqlDatabase db, const std::vector<Invoice>& invoices);
    ~SqliteInvoiceLookup();
    SqliteInvoiceLookup(const SqliteInvoiceLookup&) = delete;
    SqliteInvoiceLookup& operator=(const SqliteInvoiceLookup&) = delete;

    // The invoices as given, with what the statement added to them (from zero).
    const std::vector<Invoice>& invoices() const { return m_invoices; }

private:
    struct Entry {
        std::string number; // UTF-8, handed to SQLite without a copy
        std::size_t index;
    };
    static void lookUp(sqlite3_context* context, int argc, sqlite3_value** argv);
    static std::string keyOf(const QStringList& key);

    sqlite3* m_handle = nullptr;
    std::vector<Invoice> m_invoices;
    std::unordered_map<std::string, Entry> m_byKey;
    std::string m_probe; // reused for every row: no allocation per delivery
};
