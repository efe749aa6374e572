// Every text of every lookup of the two computation screens, in each dialect, line by line as
// the reference prints it, and the parameters each declares.
#include "external/shared/TADOIBQuery.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/TfrmApurac.h"

#include <gtest/gtest.h>

#include <map>
#include <QRegularExpression>
#include <QSet>

namespace {

enum class Dialect { Default, IB, Oracle };

struct Expected {
    const char* screen;
    const char* query;
    Dialect dialect;
    QStringList lines;
};

const QStringList kFilial{"SELECT CDFILIAL, NMFILIAL", "FROM FILIAL, PARAM(:P_CDFILIAL) P_CDFILIAL",
                          "WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, CDFILIAL)",
                          "ORDER BY CDFILIAL"};
const QStringList kFilialOracle{"SELECT CDFILIAL, NMFILIAL", "FROM FILIAL",
                                "WHERE CDFILIAL = NVL(:P_CDFILIAL, CDFILIAL)", "ORDER BY CDFILIAL"};

QStringList companhia(const char* secondLine) {
    return {"SELECT CO.CDCIA, CO.NMCIA, CO.SGCIA, C.DTULTFECH,",
            secondLine,
            "F.DSTIPEMNF, CO.CDCLIENTE, F.IDTIPEMNF,",
            "C.IDPERCANAPUFUT, C.IDCALCPROXFAT",
            "FROM COMPANHIA CO, CIAFILI C LEFT JOIN FORMEMISNF F",
            "ON (C.CDTIPEMNF = F.CDTIPEMNF)",
            "WHERE ((UPPER(CO.SGCIA) = UPPER(:P_SGCIA)) OR (:P_TODOS = 'T')) AND",
            "(C.CDFILIAL      = :P_CDFILIAL) AND",
            "(C.CDCIA         = CO.CDCIA)",
            "ORDER BY CO.SGCIA"};
}

const QStringList kCompanhiaOracle{
    "SELECT CO.CDCIA, CO.NMCIA, CO.SGCIA, C.DTULTFECH,",
    "CAST(C.QTDIASFATURA AS FLOAT) QTDIASFATURA, C.CDTIPEMNF, C.CDSERIE,",
    "F.DSTIPEMNF, CO.CDCLIENTE, F.IDTIPEMNF,",
    "C.IDPERCANAPUFUT, C.IDCALCPROXFAT",
    "FROM COMPANHIA CO, CIAFILI C, FORMEMISNF F",
    "WHERE (UPPER(CO.SGCIA) = UPPER(:P_SGCIA) OR :P_TODOS = 'T') AND",
    "(C.CDFILIAL      = :P_CDFILIAL) AND",
    "(C.CDCIA         = CO.CDCIA)    AND",
    "(C.CDTIPEMNF     = F.CDTIPEMNF(+))",
    "ORDER BY CO.SGCIA"};

// The screen's own text of these statements, without the leading blanks the series and
// carrier block's listing has.
const QStringList kSerie{"SELECT S.CDSERIE, S.DSSERIE",
                         "FROM SERIENF S, FILIAL F",
                         "WHERE (F.CDFILIAL = :P_FILIAL)       AND",
                         "(F.CDEMPRESA = S.CDEMPRESA)    AND",
                         "(F.CDINSCESTA = S.CDINSCESTA)  AND",
                         "(F.CDINSCMUNI = S.CDINSCMUNI)",
                         "ORDER BY CDSERIE"};
const QStringList kTransport{
    "SELECT IDTPIJURTRAN, NRINSJURTRAN, NMRAZSOCTRAN, NMFANTTRAN, NRINSESTTRAN", "FROM TRANSPORT",
    "WHERE IDTPIJURTRAN = :P_IDTPIJURTRAN", "ORDER BY IDTPIJURTRAN, NMRAZSOCTRAN"};
const QStringList kVdTransport{
    "SELECT IDTPIJURTRAN, NRINSJURTRAN, NMRAZSOCTRAN, NMFANTTRAN, NRINSESTTRAN", "FROM TRANSPORT",
    "WHERE (IDTPIJURTRAN = :P_IDTPIJURTRAN) AND", "(NRINSJURTRAN = :P_NRINSJURTRAN)"};
const QStringList kGrupo{"SELECT CDGRUPPROD, NMGRUPPROD", "FROM GRUPPROD",
                         "WHERE (CDGRUPPROD = :P_CDGRUPO  OR :P_TCDGRUPO = 'T')",
                         "ORDER BY CDGRUPPROD"};

const QStringList kCiaOracle{
    "SELECT CO.CDCIA, CO.SGCIA, CO.NMCIA, C.DTULTFECH, CO.IDNACCIA, CO.CDCLIENTE,",
    "       CAST(C.QTDIASFATURA AS FLOAT) QTDIASFATURA, C.CDSERIE",
    "FROM COMPANHIA CO, CIAFILI C",
    "WHERE (C.CDFILIAL = :P_CDFILIAL) AND",
    "      (C.CDCIA    = CO.CDCIA)    AND",
    "      (C.DTULTFECH IS NOT NULL)  AND",
    "      ((CO.SGCIA = :P_SGCIA) OR (:P_TODOS = 'T'))",
    "ORDER BY CO.SGCIA"};
const QStringList kCiaIb{"SELECT",
                         "   CO.CDCIA,",
                         "   CO.SGCIA,",
                         "   CO.NMCIA,",
                         "   C.DTULTFECH,",
                         "   CO.IDNACCIA,",
                         "   CO.CDCLIENTE,",
                         "   CAST(C.QTDIASFATURA AS FLOAT) QTDIASFATURA,",
                         "   C.CDSERIE",
                         "FROM",
                         "   COMPANHIA CO,",
                         "   CIAFILI C",
                         "WHERE",
                         "   (C.CDFILIAL = :P_CDFILIAL) AND",
                         "   (C.CDCIA    = CO.CDCIA)    AND",
                         "   (C.DTULTFECH IS NOT NULL)  AND",
                         "   ((CO.SGCIA = :P_SGCIA) OR (:P_TODOS = 'T'))",
                         "ORDER BY CO.SGCIA"};

const std::vector<Expected>& expectedTexts() {
    using D = Dialect;
    static const std::vector<Expected> all{
        {"billing", "qryFilial", D::Default, kFilial},
        {"billing", "qryFilial", D::IB, kFilial},
        {"billing", "qryFilial", D::Oracle, kFilialOracle},
        {"billing", "qryCompanhia", D::Default,
         companhia("CAST(C.QTDIASFATURA AS FLOAT) QTDIASFATURA, C.CDTIPEMNF, C.CDSERIE,")},
        {"billing", "qryCompanhia", D::IB,
         companhia("CAST(NVLNUM(C.QTDIASFATURA,0) AS FLOAT) QTDIASFATURA, C.CDTIPEMNF, "
                   "C.CDSERIE,")},
        {"billing", "qryCompanhia", D::Oracle, kCompanhiaOracle},
        {"billing", "qrySerie", D::Default, kSerie},
        {"billing", "qrySerie", D::IB, kSerie},
        {"billing", "qrySerie", D::Oracle, kSerie},
        {"billing", "qryTransport", D::Default, kTransport},
        {"billing", "qryTransport", D::IB, kTransport},
        {"billing", "qryTransport", D::Oracle, kTransport},
        {"billing", "qryVd_Transport", D::Default, kVdTransport},
        {"billing", "qryVd_Transport", D::IB, kVdTransport},
        {"billing", "qryVd_Transport", D::Oracle, kVdTransport},
        {"billing", "qryGrupo", D::Default, kGrupo},
        {"billing", "qryGrupo", D::IB, {}},
        {"billing", "qryGrupo", D::Oracle, {}},
        {"fee", "qryCia", D::Default, kCiaOracle + QStringList{" "}},
        {"fee", "qryCia", D::IB, kCiaIb},
        {"fee", "qryCia", D::Oracle, kCiaOracle},
        {"fee", "qryFilial", D::Default, kFilial},
        {"fee", "qryFilial", D::IB, kFilial},
        {"fee", "qryFilial", D::Oracle, kFilialOracle + QStringList{" "}},
    };
    return all;
}

const TQueryDefs& defsOf(const std::string& screen) {
    return screen == "billing" ? TfrmApuracao::queryDefs() : TfrmApurac::queryDefs();
}

const TQueryDef* find(const std::string& screen, const char* name) {
    for (const TQueryDef& def : defsOf(screen)) {
        if (def.name == QLatin1String(name))
            return &def;
    }
    return nullptr;
}

const QStringList& textOf(const TQueryDef& def, Dialect dialect) {
    switch (dialect) {
    case Dialect::IB:
        return def.SQL_IB;
    case Dialect::Oracle:
        return def.SQL_ORACLE;
    default:
        return def.SQL;
    }
}

std::string rowName(const testing::TestParamInfo<Expected>& info) {
    static const char* const dialects[] = {"Default", "IB", "Oracle"};
    return std::string(info.param.screen) + "_" + info.param.query + "_" +
           dialects[int(info.param.dialect)];
}

class QueryTextsTest : public testing::TestWithParam<Expected> {};

TEST_P(QueryTextsTest, TextIsVerbatim) {
    const Expected& e = GetParam();
    const TQueryDef* def = find(e.screen, e.query);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(textOf(*def, e.dialect), e.lines);
}

INSTANTIATE_TEST_SUITE_P(Screens, QueryTextsTest, testing::ValuesIn(expectedTexts()), rowName);

// Each screen's lookups are exactly those listed above, with each dialect listed once.
TEST(QueryDefsTest, EveryLookupOfEveryScreenIsCompared) {
    for (const std::string screen : {"billing", "fee"}) {
        QStringList listed;
        for (const Expected& e : expectedTexts()) {
            if (e.screen == screen && e.dialect == Dialect::Default)
                listed.append(QLatin1String(e.query));
        }
        QStringList declared;
        for (const TQueryDef& def : defsOf(screen))
            declared.append(def.name);
        EXPECT_EQ(declared, listed) << screen;
    }
}

// The declared parameters are the placeholders the texts name, in the declared order, and the
// lookup that the screen builds accepts each of them.
TEST(QueryDefsTest, ParametersAreThoseTheTextsName) {
    static const QRegularExpression placeholder(QStringLiteral(":(P_[A-Z_]+)"));
    const std::map<QString, QStringList> expected{
        {QStringLiteral("billing/qryFilial"), {"P_CDFILIAL"}},
        {QStringLiteral("billing/qryCompanhia"), {"P_SGCIA", "P_TODOS", "P_CDFILIAL"}},
        {QStringLiteral("billing/qrySerie"), {"P_FILIAL"}},
        {QStringLiteral("billing/qryTransport"), {"P_IDTPIJURTRAN"}},
        {QStringLiteral("billing/qryVd_Transport"), {"P_IDTPIJURTRAN", "P_NRINSJURTRAN"}},
        {QStringLiteral("billing/qryGrupo"), {"P_CDGRUPO", "P_TCDGRUPO"}},
        {QStringLiteral("fee/qryCia"), {"P_CDFILIAL", "P_SGCIA", "P_TODOS"}},
        {QStringLiteral("fee/qryFilial"), {"P_CDFILIAL"}},
    };
    for (const std::string screen : {"billing", "fee"}) {
        for (const TQueryDef& def : defsOf(screen)) {
            const QString key = QString::fromStdString(screen) + u'/' + def.name;
            SCOPED_TRACE(key.toStdString());
            ASSERT_TRUE(expected.count(key));
            EXPECT_EQ(def.params, expected.at(key));
            QSet<QString> named;
            for (const QStringList* text : {&def.SQL, &def.SQL_IB, &def.SQL_ORACLE}) {
                auto it = placeholder.globalMatch(text->join(u'\n'));
                while (it.hasNext())
                    named.insert(it.next().captured(1));
            }
            EXPECT_EQ(named, QSet<QString>(def.params.begin(), def.params.end()));
            TADOIBQuery query;
            query.SQL = def.SQL;
            query.SQL_IB = def.SQL_IB;
            query.SQL_ORACLE = def.SQL_ORACLE;
            for (const QString& param : def.params)
                EXPECT_NO_THROW(query.paramByName(param));
        }
    }
}

// A dialect without a text of its own runs the default one.
TEST(QueryDefsTest, GroupLookupFallsBackToTheDefaultText) {
    const TQueryDef* grupo = find("billing", "qryGrupo");
    ASSERT_NE(grupo, nullptr);
    TADOIBQuery query;
    query.SQL = grupo->SQL;
    EXPECT_EQ(query.textFor(TDialect::Oracle), kGrupo);
    EXPECT_EQ(query.textFor(TDialect::InterBase), kGrupo);
}

} // namespace
