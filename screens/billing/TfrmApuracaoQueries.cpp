// The billing screen's SQL lookups: every dialect text, parameter and field, in one place
// (the branch lookup is the one both screens share, in screens/common).
#include "screens/billing/TfrmApuracao.h"

#include "screens/common/FormParts.h"

using namespace FormParts;

namespace {

TQueryDef companhia() {
    TQueryDef q;
    q.name = QStringLiteral("qryCompanhia");
    q.params = {QStringLiteral("P_SGCIA"), QStringLiteral("P_TODOS"), QStringLiteral("P_CDFILIAL")};
    const QString select = QStringLiteral("SELECT CO.CDCIA, CO.NMCIA, CO.SGCIA, C.DTULTFECH,");
    const QString cast =
        QStringLiteral("CAST(C.QTDIASFATURA AS FLOAT) QTDIASFATURA, C.CDTIPEMNF, C.CDSERIE,");
    const QString columns = QStringLiteral("F.DSTIPEMNF, CO.CDCLIENTE, F.IDTIPEMNF,");
    const QString flags = QStringLiteral("C.IDPERCANAPUFUT, C.IDCALCPROXFAT");
    const QString branch = QStringLiteral("(C.CDFILIAL      = :P_CDFILIAL) AND");
    q.SQL = {select,
             cast,
             columns,
             flags,
             QStringLiteral("FROM COMPANHIA CO, CIAFILI C LEFT JOIN FORMEMISNF F"),
             QStringLiteral("ON (C.CDTIPEMNF = F.CDTIPEMNF)"),
             QStringLiteral("WHERE ((UPPER(CO.SGCIA) = UPPER(:P_SGCIA)) OR (:P_TODOS = 'T')) AND"),
             branch,
             QStringLiteral("(C.CDCIA         = CO.CDCIA)"),
             QStringLiteral("ORDER BY CO.SGCIA")};
    q.SQL_IB = q.SQL;
    q.SQL_IB[1] = QStringLiteral(
        "CAST(NVLNUM(C.QTDIASFATURA,0) AS FLOAT) QTDIASFATURA, C.CDTIPEMNF, C.CDSERIE,");
    q.SQL_ORACLE = {
        select,
        cast,
        columns,
        flags,
        QStringLiteral("FROM COMPANHIA CO, CIAFILI C, FORMEMISNF F"),
        QStringLiteral("WHERE (UPPER(CO.SGCIA) = UPPER(:P_SGCIA) OR :P_TODOS = 'T') AND"),
        branch,
        QStringLiteral("(C.CDCIA         = CO.CDCIA)    AND"),
        QStringLiteral("(C.CDTIPEMNF     = F.CDTIPEMNF(+))"),
        QStringLiteral("ORDER BY CO.SGCIA")};
    q.fields = {text(QStringLiteral("SGCIA"), 5, QStringLiteral("Sigla")),
                text(QStringLiteral("NMCIA"), 50, QStringLiteral("Nome")),
                text(QStringLiteral("CDCIA"), 4, {}, false),
                typed(QStringLiteral("DTULTFECH"), TFieldType::ftDateTime, {}, false),
                text(QStringLiteral("CDTIPEMNF"), 4, {}, false),
                text(QStringLiteral("CDSERIE"), 5, {}, false),
                text(QStringLiteral("DSTIPEMNF"), 50, {}, false),
                text(QStringLiteral("CDCLIENTE"), 21, {}, false),
                typed(QStringLiteral("QTDIASFATURA"), TFieldType::ftFloat, {}, false),
                text(QStringLiteral("IDTIPEMNF"), 2, {}, false),
                text(QStringLiteral("IDPERCANAPUFUT"), 1, {}, false),
                text(QStringLiteral("IDCALCPROXFAT"), 1, {}, false)};
    return q;
}

// The series and carrier statements are printed twice, once with the screen and once with
// the series and carrier block, with different leading blanks; the screen's text is the one
// used.
TQueryDef serie() {
    TQueryDef q;
    q.name = QStringLiteral("qrySerie");
    q.params = {QStringLiteral("P_FILIAL")};
    q.SQL = {QStringLiteral("SELECT S.CDSERIE, S.DSSERIE"),
             QStringLiteral("FROM SERIENF S, FILIAL F"),
             QStringLiteral("WHERE (F.CDFILIAL = :P_FILIAL)       AND"),
             QStringLiteral("(F.CDEMPRESA = S.CDEMPRESA)    AND"),
             QStringLiteral("(F.CDINSCESTA = S.CDINSCESTA)  AND"),
             QStringLiteral("(F.CDINSCMUNI = S.CDINSCMUNI)"),
             QStringLiteral("ORDER BY CDSERIE")};
    q.SQL_IB = q.SQL_ORACLE = q.SQL;
    q.fields = {required(text(QStringLiteral("CDSERIE"), 5, QStringLiteral("Código"))),
                text(QStringLiteral("DSSERIE"), 20, QStringLiteral("Série"))};
    return q;
}

const QString kCarrierColumns =
    QStringLiteral("SELECT IDTPIJURTRAN, NRINSJURTRAN, NMRAZSOCTRAN, NMFANTTRAN, NRINSESTTRAN");

TQueryDef transport() {
    TQueryDef q;
    q.name = QStringLiteral("qryTransport");
    q.params = {QStringLiteral("P_IDTPIJURTRAN")};
    q.SQL = {kCarrierColumns, QStringLiteral("FROM TRANSPORT"),
             QStringLiteral("WHERE IDTPIJURTRAN = :P_IDTPIJURTRAN"),
             QStringLiteral("ORDER BY IDTPIJURTRAN, NMRAZSOCTRAN")};
    q.SQL_IB = q.SQL_ORACLE = q.SQL;
    q.fields = {
        required(text(QStringLiteral("NRINSJURTRAN"), 20, QStringLiteral("Insc. Jurídica"))),
        text(QStringLiteral("NMRAZSOCTRAN"), 40, QStringLiteral("Razão Social")),
        required(text(QStringLiteral("IDTPIJURTRAN"), 1, {}, false)),
        text(QStringLiteral("NMFANTTRAN"), 40, {}, false),
        text(QStringLiteral("NRINSESTTRAN"), 20, {}, false)};
    return q;
}

TQueryDef vdTransport() {
    TQueryDef q;
    q.name = QStringLiteral("qryVd_Transport");
    q.params = {QStringLiteral("P_IDTPIJURTRAN"), QStringLiteral("P_NRINSJURTRAN")};
    q.SQL = {kCarrierColumns, QStringLiteral("FROM TRANSPORT"),
             QStringLiteral("WHERE (IDTPIJURTRAN = :P_IDTPIJURTRAN) AND"),
             QStringLiteral("(NRINSJURTRAN = :P_NRINSJURTRAN)")};
    q.SQL_IB = q.SQL_ORACLE = q.SQL;
    q.fields = {required(text(QStringLiteral("IDTPIJURTRAN"), 1)),
                required(text(QStringLiteral("NRINSJURTRAN"), 20)),
                text(QStringLiteral("NMRAZSOCTRAN"), 40), text(QStringLiteral("NMFANTTRAN"), 40),
                text(QStringLiteral("NRINSESTTRAN"), 20)};
    return q;
}

// Only a default text: the other dialects fall back to it.
TQueryDef grupo() {
    TQueryDef q;
    q.name = QStringLiteral("qryGrupo");
    q.params = {QStringLiteral("P_CDGRUPO"), QStringLiteral("P_TCDGRUPO")};
    q.SQL = {QStringLiteral("SELECT CDGRUPPROD, NMGRUPPROD"), QStringLiteral("FROM GRUPPROD"),
             QStringLiteral("WHERE (CDGRUPPROD = :P_CDGRUPO  OR :P_TCDGRUPO = 'T')"),
             QStringLiteral("ORDER BY CDGRUPPROD")};
    q.fields = {required(text(QStringLiteral("CDGRUPPROD"), 10, QStringLiteral("Código")), 20),
                text(QStringLiteral("NMGRUPPROD"), 40, QStringLiteral("Nome"))};
    return q;
}

} // namespace

const TQueryDefs& TfrmApuracao::queryDefs() {
    static const TQueryDefs defs{branchQuery(), companhia(),   serie(),
                                 transport(),   vdTransport(), grupo()};
    return defs;
}
