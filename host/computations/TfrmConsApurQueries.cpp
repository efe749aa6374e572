// The computations screen's SQL lookups: the branch lookup both computation screens use, and
// the companies of the branch.
#include "host/computations/TfrmConsApur.h"

#include "screens/common/FormParts.h"

using namespace FormParts;

namespace {

TQueryDef companhia() {
    TQueryDef q;
    q.name = QStringLiteral("qryCompanhia");
    q.params = {QStringLiteral("P_SGCIA"), QStringLiteral("P_TODOS"), QStringLiteral("P_CDFILIAL")};
    q.SQL = {QStringLiteral("SELECT CO.CDCIA, CO.SGCIA, CO.NMCIA"),
             QStringLiteral("FROM COMPANHIA CO, CIAFILI C"),
             QStringLiteral("WHERE ((UPPER(CO.SGCIA) = UPPER(:P_SGCIA)) OR (:P_TODOS = 'T')) AND"),
             QStringLiteral("(C.CDFILIAL = :P_CDFILIAL) AND"),
             QStringLiteral("(C.CDCIA = CO.CDCIA)"),
             QStringLiteral("ORDER BY CO.SGCIA")};
    q.SQL_IB = q.SQL_ORACLE = q.SQL;
    q.fields = {text(QStringLiteral("SGCIA"), 5, QStringLiteral("Sigla")),
                text(QStringLiteral("NMCIA"), 50, QStringLiteral("Nome")),
                text(QStringLiteral("CDCIA"), 4, {}, false)};
    return q;
}

} // namespace

const TQueryDefs& TfrmConsApur::queryDefs() {
    static const TQueryDefs defs = {branchQuery(), companhia()};
    return defs;
}
