// The fee screen's SQL lookups: every dialect text, parameter and field, in one place.
#include "screens/fee/TfrmApurac.h"

#include "screens/common/FormParts.h"

using namespace FormParts;

namespace {

TQueryDef cia() {
    TQueryDef q;
    q.name = QStringLiteral("qryCia");
    q.params = {QStringLiteral("P_CDFILIAL"), QStringLiteral("P_SGCIA"), QStringLiteral("P_TODOS")};
    q.SQL_ORACLE = {QStringLiteral("SELECT CO.CDCIA, CO.SGCIA, CO.NMCIA, C.DTULTFECH, CO.IDNACCIA, "
                                   "CO.CDCLIENTE,"),
                    QStringLiteral("       CAST(C.QTDIASFATURA AS FLOAT) QTDIASFATURA, C.CDSERIE"),
                    QStringLiteral("FROM COMPANHIA CO, CIAFILI C"),
                    QStringLiteral("WHERE (C.CDFILIAL = :P_CDFILIAL) AND"),
                    QStringLiteral("      (C.CDCIA    = CO.CDCIA)    AND"),
                    QStringLiteral("      (C.DTULTFECH IS NOT NULL)  AND"),
                    QStringLiteral("      ((CO.SGCIA = :P_SGCIA) OR (:P_TODOS = 'T'))"),
                    QStringLiteral("ORDER BY CO.SGCIA")};
    // The default text ends with a line holding one blank; the Oracle text does not.
    q.SQL = q.SQL_ORACLE;
    q.SQL.append(QStringLiteral(" "));
    q.SQL_IB = {QStringLiteral("SELECT"),
                QStringLiteral("   CO.CDCIA,"),
                QStringLiteral("   CO.SGCIA,"),
                QStringLiteral("   CO.NMCIA,"),
                QStringLiteral("   C.DTULTFECH,"),
                QStringLiteral("   CO.IDNACCIA,"),
                QStringLiteral("   CO.CDCLIENTE,"),
                QStringLiteral("   CAST(C.QTDIASFATURA AS FLOAT) QTDIASFATURA,"),
                QStringLiteral("   C.CDSERIE"),
                QStringLiteral("FROM"),
                QStringLiteral("   COMPANHIA CO,"),
                QStringLiteral("   CIAFILI C"),
                QStringLiteral("WHERE"),
                QStringLiteral("   (C.CDFILIAL = :P_CDFILIAL) AND"),
                QStringLiteral("   (C.CDCIA    = CO.CDCIA)    AND"),
                QStringLiteral("   (C.DTULTFECH IS NOT NULL)  AND"),
                QStringLiteral("   ((CO.SGCIA = :P_SGCIA) OR (:P_TODOS = 'T'))"),
                QStringLiteral("ORDER BY CO.SGCIA")};
    TFieldDef sigla = text(QStringLiteral("SGCIA"), 5, QStringLiteral("Sigla"));
    sigla.displayWidth = 7;
    q.fields = {required(text(QStringLiteral("CDCIA"), 4, {}, false)),
                sigla,
                text(QStringLiteral("NMCIA"), 50, QStringLiteral("Nome")),
                typed(QStringLiteral("DTULTFECH"), TFieldType::ftDateTime, {}, false),
                text(QStringLiteral("IDNACCIA"), 1, {}, false),
                text(QStringLiteral("CDCLIENTE"), 21, {}, false),
                text(QStringLiteral("CDSERIE"), 5, {}, false),
                typed(QStringLiteral("QTDIASFATURA"), TFieldType::ftFloat, {}, false)};
    return q;
}

TQueryDef filial() {
    TQueryDef q = branchQuery();
    // Unlike the billing screen's, this Oracle text ends with a line holding one blank.
    q.SQL_ORACLE.append(QStringLiteral(" "));
    return q;
}

} // namespace

const TQueryDefs& TfrmApurac::queryDefs() {
    static const TQueryDefs defs{cia(), filial()};
    return defs;
}
