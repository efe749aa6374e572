// The screens' SQL lookups, as the screens define them, run verbatim through TADOIBQuery on
// every engine against the "basic" fixture (server/sql/fixtures/basic.sql documents its rows).
#include "db/TDatabase.h"
#include "external/shared/TADOIBQuery.h"
#include "host/computations/TfrmConsApur.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/TfrmApurac.h"
#include "server/InitDbCommand.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <map>
#include <QTextStream>

using TestDatabases::EngineTest;

namespace {

// A lookup as a screen declares it: "qryX" is the billing screen's query, or the fee
// screen's when only it has one of that name; "/IB" runs the IB text instead of the default.
struct Lookup {
    const TQueryDef* def = nullptr;
    const QStringList* text = nullptr;
};

Lookup lookup(const std::string& key) {
    QString name = QString::fromStdString(key).section(u'/', 0, 0);
    const bool ib = QString::fromStdString(key).endsWith(QStringLiteral("/IB"));
    // "ZEL00103:" names the computations screen's lookups, whose names repeat the billing's.
    std::vector<const TQueryDefs*> screens = {&TfrmApuracao::queryDefs(), &TfrmApurac::queryDefs()};
    if (name.startsWith(QStringLiteral("ZEL00103:"))) {
        name = name.section(u':', 1);
        screens = {&TfrmConsApur::queryDefs()};
    }
    for (const TQueryDefs* defs : screens) {
        for (const TQueryDef& def : *defs) {
            if (def.name == name)
                return {&def, ib ? &def.SQL_IB : &def.SQL};
        }
    }
    ADD_FAILURE() << "no lookup " << key;
    return {};
}

// A parameter value: "~" stands for null, anything else is set as text.
struct Case {
    const char* lookup;
    std::vector<std::pair<const char*, const char*>> params;
    const char* columns; // read with asString, joined by '|'
    QStringList expected;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all{
        {"qryFilial", {{"P_CDFILIAL", "~"}}, "CDFILIAL", {"0001", "0002"}},
        {"ZEL00103:qryFilial",
         {{"P_CDFILIAL", "0001"}},
         "CDFILIAL|NMFILIAL",
         {"0001|Matriz Guarulhos"}},
        {"ZEL00103:qryCompanhia",
         {{"P_SGCIA", "abc"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "0001"}},
         "SGCIA|CDCIA|NMCIA",
         {"ABC|0001|Aerovias Brasil Central"}},
        // The companies of the branch only, by abbreviation.
        {"ZEL00103:qryCompanhia",
         {{"P_SGCIA", ""}, {"P_TODOS", "T"}, {"P_CDFILIAL", "0002"}},
         "CDCIA",
         {"0001", "0007"}},
        {"ZEL00103:qryCompanhia",
         {{"P_SGCIA", "ABC"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "9999"}},
         "CDCIA",
         {}},
        {"qryFilial", {{"P_CDFILIAL", ""}}, "CDFILIAL", {"0001", "0002"}},
        {"qryFilial", {{"P_CDFILIAL", "0002"}}, "CDFILIAL|NMFILIAL", {"0002|Filial Galeão"}},
        {"qryFilial", {{"P_CDFILIAL", "9999"}}, "CDFILIAL", {}},
        // Typed abbreviations are upper case; lookups ignore case on both sides.
        {"qryCompanhia",
         {{"P_SGCIA", "abc"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "0001"}},
         "SGCIA|CDCIA|NMCIA|DTULTFECH|QTDIASFATURA|IDTIPEMNF|DSTIPEMNF|CDCLIENTE|CDSERIE|"
         "IDCALCPROXFAT",
         {"ABC|0001|Aerovias Brasil Central|31/01/2024|5|02|Por número de vôo|CLI000000001|1|S"}},
        {"qryCompanhia",
         {{"P_SGCIA", "EXT"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "0002"}},
         "SGCIA|IDTIPEMNF",
         {"ext|02"}},
        // No issue form: still listed through the outer join, with the form's columns empty.
        {"qryCompanhia",
         {{"P_SGCIA", "SFN"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "0001"}},
         "SGCIA|CDTIPEMNF|DSTIPEMNF|IDTIPEMNF|DTULTFECH|QTDIASFATURA",
         {"SFN|||||"}},
        {"qryCompanhia",
         {{"P_SGCIA", ""}, {"P_TODOS", "T"}, {"P_CDFILIAL", "0001"}},
         "SGCIA|IDTIPEMNF",
         {"ABC|02", "GRP|09", "LOC|10", "SFN|", "TRC|03", "UNI|12"}},
        {"qryCompanhia",
         {{"P_SGCIA", "ABC"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "0002"}},
         "SGCIA|IDTIPEMNF|CDSERIE",
         {"ABC|03|3"}},
        {"qryCompanhia",
         {{"P_SGCIA", "ABC"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "9999"}},
         "SGCIA",
         {}},
        {"qryCompanhia",
         {{"P_SGCIA", "UNI"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "0001"}},
         "SGCIA|QTDIASFATURA",
         {"UNI|"}},
        {"qryCompanhia/IB",
         {{"P_SGCIA", "UNI"}, {"P_TODOS", "N"}, {"P_CDFILIAL", "0001"}},
         "SGCIA|QTDIASFATURA",
         {"UNI|0"}},
        {"qrySerie",
         {{"P_FILIAL", "0001"}},
         "CDSERIE|DSSERIE",
         {"1|Série 1", "2|Série 2", "U|Série única"}},
        {"qrySerie", {{"P_FILIAL", "0002"}}, "CDSERIE", {"3"}},
        {"qryTransport",
         {{"P_IDTPIJURTRAN", "J"}},
         "NRINSJURTRAN|NMRAZSOCTRAN",
         {"45997418000153|Aero Log Transportes S.A.", "11222333000181|Rápido Cargas Ltda"}},
        {"qryTransport", {{"P_IDTPIJURTRAN", "F"}}, "NRINSJURTRAN", {"52998224725"}},
        {"qryTransport", {{"P_IDTPIJURTRAN", "O"}}, "NRINSJURTRAN", {"000123"}},
        {"qryTransport", {{"P_IDTPIJURTRAN", "I"}}, "NRINSJURTRAN", {"987654321"}},
        {"qryVd_Transport",
         {{"P_IDTPIJURTRAN", "J"}, {"P_NRINSJURTRAN", "11222333000181"}},
         "IDTPIJURTRAN|NMRAZSOCTRAN|NMFANTTRAN|NRINSESTTRAN",
         {"J|Rápido Cargas Ltda|Rápido Cargas|110042490114"}},
        // The number is registered, but under another kind.
        {"qryVd_Transport",
         {{"P_IDTPIJURTRAN", "F"}, {"P_NRINSJURTRAN", "11222333000181"}},
         "NRINSJURTRAN",
         {}},
        {"qryGrupo",
         {{"P_CDGRUPO", ""}, {"P_TCDGRUPO", "T"}},
         "CDGRUPPROD|NMGRUPPROD",
         {"CARGA|Carga geral", "TAXAAERO|Taxa aeroportuária"}},
        {"qryGrupo", {{"P_CDGRUPO", "TAXAAERO"}, {"P_TCDGRUPO", "N"}}, "CDGRUPPROD", {"TAXAAERO"}},
        {"qryGrupo", {{"P_CDGRUPO", "NADA"}, {"P_TCDGRUPO", "N"}}, "CDGRUPPROD", {}},
        // Only companies with a last closing date (SFN has none).
        {"qryCia",
         {{"P_CDFILIAL", "0001"}, {"P_SGCIA", ""}, {"P_TODOS", "T"}},
         "SGCIA",
         {"ABC", "GRP", "LOC", "TRC", "UNI"}},
        // An empty P_TODOS restricts to P_SGCIA, as any value but "T" does.
        {"qryCia",
         {{"P_CDFILIAL", "0001"}, {"P_SGCIA", "TRC"}, {"P_TODOS", ""}},
         "CDCIA|SGCIA|NMCIA|DTULTFECH|IDNACCIA|CDCLIENTE|QTDIASFATURA|CDSERIE",
         {"0002|TRC|Transportes Rio Claro Aéreo|31/01/2024|S|CLI000000002|3|1"}},
        {"qryCia", {{"P_CDFILIAL", "0001"}, {"P_SGCIA", "SFN"}, {"P_TODOS", "N"}}, "SGCIA", {}},
        {"qryCia",
         {{"P_CDFILIAL", "0002"}, {"P_SGCIA", ""}, {"P_TODOS", "T"}},
         "SGCIA|DTULTFECH",
         {"ABC|31/01/2024", "ext|29/02/2024"}},
        {"qryCia/IB",
         {{"P_CDFILIAL", "0001"}, {"P_SGCIA", "ABC"}, {"P_TODOS", ""}},
         "SGCIA",
         {"ABC"}},
    };
    return all;
}

QStringList readRows(TADOIBQuery& query, const QString& columns) {
    QStringList rows;
    for (query.first(); !query.eof(); query.next()) {
        QStringList values;
        for (const QString& column : columns.split(QLatin1Char('|')))
            values.append(query.fieldByName(column).asString());
        rows.append(values.join(QLatin1Char('|')));
    }
    return rows;
}

class SqlTextsTest : public EngineTest {};

TEST_P(SqlTextsTest, LookupTextsReturnTheExpectedRows) {
    QString output;
    QTextStream out(&output);
    ASSERT_EQ(InitDbCommand::run({url(), "--fixture", "basic"}, out, out), 0)
        << output.toStdString();
    TDatabase db;
    db.open(url());
    for (const Case& c : cases()) {
        const Lookup def = lookup(c.lookup);
        ASSERT_TRUE(def.def);
        TADOIBQuery query;
        query.setName(QString::fromLatin1(c.lookup));
        query.setDatabase(&db);
        query.SQL = *def.text;
        for (const TFieldDef& f : def.def->fields)
            query.addField(f);
        QStringList shown;
        for (const auto& [name, value] : c.params) {
            if (QByteArray(value) == "~")
                query.paramByName(QString::fromLatin1(name)).clear();
            else
                query.paramByName(QString::fromLatin1(name)).setAsString(QString::fromUtf8(value));
            shown.append(QStringLiteral("%1=%2").arg(name, value));
        }
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.lookup, shown.join(' ')).toStdString());
        query.open();
        EXPECT_EQ(readRows(query, QString::fromLatin1(c.columns)), c.expected);
        query.close();
    }
}

ZEL_ALL_ENGINES(SqlTextsTest);

} // namespace
