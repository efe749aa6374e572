#include "server/SqliteInvoiceLookup.h"

#include "core/Exception.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

// Between the parts of a key: no code holds it.
constexpr char kSeparator = '\x1f';

sqlite3* handleOf(QSqlDatabase db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw Exception(QStringLiteral("o driver QSQLITE não expõe o banco SQLite"));
    return *static_cast<sqlite3* const*>(handle.constData());
}

void append(std::string& to, sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    if (text)
        to.append(text, std::size_t(sqlite3_value_bytes(value)));
}

} // namespace

SqliteInvoiceLookup::SqliteInvoiceLookup(QSqlDatabase db, const std::vector<Invoice>& invoices)
    : m_handle(handleOf(db))
    , m_invoices(invoices) {
    for (std::size_t i = 0; i < m_invoices.size(); ++i) {
        m_invoices[i].value = m_invoices[i].foreign = m_invoices[i].deliveries = 0;
        m_byKey.emplace(keyOf(m_invoices[i].key), Entry{m_invoices[i].number.toStdString(), i});
    }
    if (sqlite3_create_function_v2(m_handle, kFunction, 5, SQLITE_UTF8, this, &lookUp, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw Exception(
            QStringLiteral("falha ao registrar %1: %2")
                .arg(QLatin1String(kFunction), QString::fromUtf8(sqlite3_errmsg(m_handle))));
}

SqliteInvoiceLookup::~SqliteInvoiceLookup() {
    sqlite3_create_function_v2(m_handle, kFunction, 5, SQLITE_UTF8, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
}

std::string SqliteInvoiceLookup::keyOf(const QStringList& key) {
    std::string text;
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            text += kSeparator;
        if (i < key.size())
            text += key[i].toStdString();
    }
    return text;
}

void SqliteInvoiceLookup::lookUp(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* self = static_cast<SqliteInvoiceLookup*>(sqlite3_user_data(context));
    std::string& probe = self->m_probe;
    probe.clear();
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            probe += kSeparator;
        append(probe, argv[i]);
    }
    const auto found = self->m_byKey.find(probe);
    if (found == self->m_byKey.end()) {
        sqlite3_result_error(context, kUnknownKey, -1);
        return;
    }
    Invoice& invoice = self->m_invoices[found->second.index];
    invoice.value += sqlite3_value_int64(argv[3]);
    invoice.foreign += sqlite3_value_int64(argv[4]);
    ++invoice.deliveries;
    const std::string& number = found->second.number;
    sqlite3_result_text(context, number.data(), int(number.size()), SQLITE_STATIC);
}
