#include "server/SeedData.h"

#include "core/Exception.h"
#include "server/BulkInsert.h"
#include "server/DemoActivity.h"
#include "server/DemoCalendar.h"
#include "server/SeedRandom.h"
#include "server/SqlScript.h"

#include <QDate>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <tuple>
#include <vector>

namespace {

const QString kFixtureDir = QStringLiteral(":/server/fixtures");

// Dates of the generated deliveries: wide enough that a period typed today still finds some.
const QDate kFirstDay(2024, 6, 1);
const QDate kLastDay(2026, 12, 31);

QString iso(const QDate& d) {
    return d.toString(Qt::ISODate);
}

QString pad(qint64 n, int width) {
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

// Check digits of the Brazilian company (14 digits) and personal (11 digits) registers,
// so the demo's numbers pass any validation a user may try.
QString withCheckDigits(const QString& base, const std::vector<int>& weights1,
                        const std::vector<int>& weights2) {
    auto digit = [](const QString& digits, const std::vector<int>& weights) {
        int sum = 0;
        for (qsizetype i = 0; i < digits.size(); ++i)
            sum += digits[i].digitValue() * weights[std::size_t(i)];
        const int rest = sum % 11;
        return rest < 2 ? 0 : 11 - rest;
    };
    QString result = base;
    result += QString::number(digit(result, weights1));
    result += QString::number(digit(result, weights2));
    return result;
}

QString cnpj(const QString& twelve) {
    return withCheckDigits(twelve, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2},
                           {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
}

QString cpf(const QString& nine) {
    return withCheckDigits(nine, {10, 9, 8, 7, 6, 5, 4, 3, 2}, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
}

void insertRows(QSqlDatabase db, const QString& table, const QStringList& columns,
                const std::vector<QVariantList>& rows) {
    BulkInsert insert(db, table, columns);
    for (const QVariantList& row : rows)
        insert.add(row);
    insert.finish();
}

QSqlQuery select(QSqlDatabase db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw Exception(query.lastError().text());
    return query;
}

struct DemoCompany {
    const char* code;
    const char* abbreviation;
    const char* name;
    const char* issueForm; // nullptr: none
    const char* branches;  // branch numbers, "123"
};

const DemoCompany kDemoCompanies[] = {
    {"0001", "AZC", "Azul Celeste Linhas Aéreas", "FV02", "123"},
    {"0002", "VBR", "Vôo Brasil Cargas", "FT03", "12"},
    {"0003", "TRZ", "Transamazônica Aérea", "FU12", "13"},
    {"0004", "SLC", "Sul Cargas Aéreas", "FL10", "12"},
    {"0005", "PNT", "Pantanal Air Cargo", "FG09", "13"},
    {"0006", "NDT", "Nordeste Transportes Aéreos", "FV02", "12"},
    {"0007", "CRX", "Cruzeiro Express", "FT03", "3"},
    {"0008", "MRJ", "Marajó Linhas Aéreas", nullptr, "1"},
};

// The company whose screen proposes today as the period (IDCALCPROXFAT "N").
const char* const kProposesToday = "0007";

struct DemoBase {
    const char* code;
    const char* name;
};

const DemoBase kDemoBases[] = {
    {"GRU", "Guarulhos"}, {"VCP", "Viracopos"},    {"GIG", "Galeão"}, {"REC", "Recife"},
    {"FOR", "Fortaleza"}, {"POA", "Porto Alegre"}, {"MAO", "Manaus"}, {"BSB", "Brasília"},
    {"SSA", "Salvador"},  {"CWB", "Curitiba"},     {"BEL", "Belém"},  {"FLN", "Florianópolis"},
    {"CNF", "Confins"},
};

// Branch number -> its home base.
const char* homeBase(int branch) {
    return branch == 1 ? "GRU" : branch == 2 ? "VCP" : "GIG";
}

} // namespace

SeedData::SeedData(QSqlDatabase db)
    : m_db(db) {}

QStringList SeedData::fixtureNames() {
    QStringList names;
    for (const QString& file : QDir(kFixtureDir).entryList({QStringLiteral("*.sql")}, QDir::Files))
        names.append(file.chopped(4));
    return names;
}

bool SeedData::isFixture(const QString& name) {
    return fixtureNames().contains(name);
}

void SeedData::fixture(const QString& name) {
    if (!isFixture(name))
        throw Exception(QStringLiteral("Conjunto de dados desconhecido: \"%1\". Disponíveis: %2.")
                            .arg(name, fixtureNames().join(QLatin1String(", "))));
    SqlScript::run(m_db, SqlScript::resource(kFixtureDir + QLatin1Char('/') + name + ".sql"));
}

void SeedData::demo(const QDate& today) {
    demoReference();
    demoCompanies(today);
    demoCarriers();
}

void SeedData::demoActivity(const QDate& today) {
    DemoActivity(m_db, today).write();
}

void SeedData::demoReference() {
    insertRows(m_db, QStringLiteral("FILIAL"),
               {"CDFILIAL", "NMFILIAL", "CDEMPRESA", "CDINSCESTA", "CDINSCMUNI"},
               {{"0001", "Matriz Guarulhos", "0001", "336001234110", "1234567"},
                {"0002", "Filial Viracopos", "0001", "244123456119", "2345678"},
                {"0003", "Filial Galeão", "0001", "85123456", "7654321"}});
    insertRows(m_db, QStringLiteral("FORMEMISNF"), {"CDTIPEMNF", "DSTIPEMNF", "IDTIPEMNF"},
               {{"FV02", "Por número de vôo", "02"},
                {"FT03", "Por trecho de vôo", "03"},
                {"FU12", "Fatura única de vôos", "12"},
                {"FL10", "Por local de faturamento", "10"},
                {"FG09", "Por agrupamento de produtos", "09"}});
    std::vector<QVariantList> bases;
    for (const DemoBase& b : kDemoBases)
        bases.push_back({b.code, QString::fromUtf8(b.name)});
    insertRows(m_db, QStringLiteral("BASE"), {"SGBASE", "NMBASE"}, bases);
    insertRows(m_db, QStringLiteral("GRUPPROD"), {"CDGRUPPROD", "NMGRUPPROD", "PCTAXAAERO"},
               {{"CARGA", "Carga geral", QVariant()},
                {"PEREC", "Perecíveis", QVariant()},
                {"TAXAAERO", "Taxa aeroportuária", 2.5},
                {"TAXAINT", "Taxa aeroportuária internacional", 1.75}});
    std::vector<QVariantList> series;
    for (const auto& [state, city, label] : {std::tuple{"336001234110", "1234567", "Guarulhos"},
                                             std::tuple{"244123456119", "2345678", "Viracopos"},
                                             std::tuple{"85123456", "7654321", "Galeão"}}) {
        series.push_back({"0001", state, city, "1", QStringLiteral("Série 1 %1").arg(label)});
        series.push_back({"0001", state, city, "2", QStringLiteral("Série 2 %1").arg(label)});
        series.push_back({"0001", state, city, "U", QStringLiteral("Única %1").arg(label)});
    }
    insertRows(m_db, QStringLiteral("SERIENF"),
               {"CDEMPRESA", "CDINSCESTA", "CDINSCMUNI", "CDSERIE", "DSSERIE"}, series);
}

// Companies with their branch data, closing days, legs and billing locations.
void SeedData::demoCompanies(const QDate& today) {
    SeedRandom random(0xC1A5EED);
    std::vector<QVariantList> companies, ciafili, closings, legs, locations;
    const int baseCount = int(std::size(kDemoBases));
    for (const DemoCompany& c : kDemoCompanies) {
        const QString code = QString::fromLatin1(c.code);
        companies.push_back({code, c.abbreviation, QString::fromUtf8(c.name),
                             QStringLiteral("CLI%1").arg(code), "S"});
        for (const char* b = c.branches; *b; ++b) {
            const int branch = *b - '0';
            const QString filial = pad(branch, 4);
            if (c.issueForm == nullptr) {
                ciafili.push_back({filial, code, QVariant(), QVariant(), QVariant(), QVariant(),
                                   "N", random.chance(50) ? "S" : "N"});
                continue;
            }
            const int billingDays = int(random.between(2, 10));
            random.chance(50); // kept so that the legs below stay the same
            QList<int> closingDays;
            for (int day : {10, 20}) {
                if (random.chance(40))
                    closingDays.append(day);
            }
            if (closingDays.isEmpty())
                closingDays.append(15); // the screen needs a closing before the month's end
            closingDays.append(31);
            for (int day : closingDays)
                closings.push_back({filial, code, pad(day, 2)});
            const DemoCalendar::Period period = DemoCalendar::closedBy(today, closingDays);
            // One company has the screen propose today instead of its closing period.
            const bool proposesClosing = code != QLatin1String(kProposesToday);
            ciafili.push_back({filial, code, iso(period.lastClosing), billingDays,
                               QString::fromLatin1(c.issueForm), "1", "N",
                               proposesClosing ? "S" : "N"});
            const int legCount = int(random.between(3, 6));
            for (int k = 0; k < legCount; ++k) {
                const QString flight = QString::number(code.toInt() * 1000 + branch * 100 + k);
                const QString origin =
                    k % 2 == 0 ? homeBase(branch) : kDemoBases[(k * 3) % baseCount].code;
                QString destination = kDemoBases[random.between(0, baseCount - 1)].code;
                if (destination == origin)
                    destination = origin == QLatin1String("REC") ? "FOR" : "REC";
                legs.push_back(
                    {filial, code, flight, origin, destination, random.chance(80) ? "1" : "2"});
            }
            const int locationCount = int(random.between(1, 3));
            for (int k = 0; k < locationCount; ++k) {
                const DemoBase& base = kDemoBases[(branch + k * 4) % baseCount];
                locations.push_back({filial, code, QStringLiteral("%1-TECA").arg(base.code),
                                     QStringLiteral("Teca %1").arg(QString::fromUtf8(base.name))});
            }
        }
    }
    insertRows(m_db, QStringLiteral("COMPANHIA"),
               {"CDCIA", "SGCIA", "NMCIA", "CDCLIENTE", "IDNACCIA"}, companies);
    insertRows(m_db, QStringLiteral("CIAFILI"),
               {"CDFILIAL", "CDCIA", "DTULTFECH", "QTDIASFATURA", "CDTIPEMNF", "CDSERIE",
                "IDPERCANAPUFUT", "IDCALCPROXFAT"},
               ciafili);
    insertRows(m_db, QStringLiteral("PERFECHAM"), {"CDFILIAL", "CDCIA", "DIFECHCIA"}, closings);
    insertRows(m_db, QStringLiteral("VOOTRECHO"),
               {"CDFILIAL", "CDCIA", "NRVOO", "SGBASEORI", "SGBASEDES", "IDTIPVOO"}, legs);
    insertRows(m_db, QStringLiteral("LOCALFATCIA"),
               {"CDFILIAL", "CDCIA", "CDLOCAFATCIA", "NMLOCAFATCIA"}, locations);
}

void SeedData::demoCarriers() {
    insertRows(
        m_db, QStringLiteral("TRANSPORT"),
        {"IDTPIJURTRAN", "NRINSJURTRAN", "NMRAZSOCTRAN", "NMFANTTRAN", "NRINSESTTRAN"},
        {{"J", cnpj("112223330001"), "Rápido Paulista Transportes Ltda", "Rápido Paulista",
          "110042490114"},
         {"J", cnpj("459974180001"), "Aero Log Logística S.A.", "AeroLog", "206345987112"},
         {"J", cnpj("335921470001"), "Transportadora Bandeirantes Ltda", "Bandeirantes",
          QVariant()},
         {"J", cnpj("074526830001"), "Expresso Serra Gaúcha Ltda", "Serra Gaúcha", QVariant()},
         {"F", cpf("529982247"), "João Carlos da Silva", "João Fretes", QVariant()},
         {"F", cpf("111444777"), "Maria Aparecida Souza", "Maria Transportes", QVariant()},
         {"O", "000123", "Cooperativa de Carreteiros do Vale", "Coopervale", QVariant()},
         {"I", "987654321", "Atlântico Internacional Cargas", "Atlântico", QVariant()}});
    // The carrier each of these companies used last: its kind, then its number.
    insertRows(m_db, QStringLiteral("DIRETORIOS"), {"CDPROGRAMA", "DSDIRETORIO"},
               {{"ZELAZC", "J" + cnpj("112223330001")},
                {"ZELSLC", "F" + cpf("529982247")},
                {"ZELPNT", "J" + cnpj("459974180001")}});
}

qint64 SeedData::deliveries(qint64 count, const QString& only) {
    if (count <= 0)
        return 0;
    struct Leg {
        QString filial, cia, flight, origin, destination;
    };
    std::vector<Leg> legs;
    for (QSqlQuery q =
             select(m_db, QStringLiteral("SELECT CDFILIAL, CDCIA, NRVOO, SGBASEORI, SGBASEDES "
                                         "FROM VOOTRECHO ORDER BY CDFILIAL, CDCIA, NRVOO, "
                                         "SGBASEORI, SGBASEDES"));
         q.next();)
        legs.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                        q.value(3).toString(), q.value(4).toString()});
    QHash<QString, QStringList> locations; // "filial/cia" -> codes
    for (QSqlQuery q = select(m_db, QStringLiteral("SELECT CDFILIAL, CDCIA, CDLOCAFATCIA FROM "
                                                   "LOCALFATCIA ORDER BY 1, 2, 3"));
         q.next();)
        locations[q.value(0).toString() + '/' + q.value(1).toString()].append(
            q.value(2).toString());
    QSet<QString> byGroup; // companies whose issue form is "09"
    for (QSqlQuery q =
             select(m_db, QStringLiteral("SELECT C.CDFILIAL, C.CDCIA FROM CIAFILI C, FORMEMISNF F "
                                         "WHERE C.CDTIPEMNF = F.CDTIPEMNF AND F.IDTIPEMNF = '09'"));
         q.next();)
        byGroup.insert(q.value(0).toString() + '/' + q.value(1).toString());
    QStringList groups;
    for (QSqlQuery q = select(m_db, QStringLiteral("SELECT CDGRUPPROD FROM GRUPPROD ORDER BY 1"));
         q.next();)
        groups.append(q.value(0).toString());

    std::erase_if(legs, [&](const Leg& l) {
        const QString key = l.filial + '/' + l.cia;
        return !locations.contains(key) || (!only.isEmpty() && key != only);
    });
    if (legs.empty() && !only.isEmpty())
        throw Exception(QStringLiteral("A filial e companhia %1 não têm trechos de vôo com "
                                       "local de faturamento.")
                            .arg(only));
    if (legs.empty())
        throw Exception(QStringLiteral("Não há trechos de vôo com local de faturamento para "
                                       "receber deliveries."));

    SeedRandom random(0xDE11BE7);
    const qint64 days = kFirstDay.daysTo(kLastDay);
    BulkInsert insert(m_db, QStringLiteral("DELIVERY"),
                      {"NRDELIVERY", "CDFILIAL", "CDCIA", "DTDELIVERY", "NRVOO", "SGBASEORI",
                       "SGBASEDES", "CDLOCAFATCIA", "CDGRUPPROD", "VRSERVICO", "VRMOEDESTR",
                       "NRFATURAMENTO", "NRAPURACFAT", "NRLANCTONF"},
                      500);
    for (qint64 i = 1; i <= count; ++i) {
        const Leg& leg = legs[std::size_t(random.between(0, qint64(legs.size()) - 1))];
        const QString key = leg.filial + '/' + leg.cia;
        const QStringList& places = locations[key];
        const QString place = places[random.between(0, places.size() - 1)];
        QVariant group;
        if (!groups.isEmpty() && (byGroup.contains(key) || random.chance(20)))
            group = groups[random.between(0, groups.size() - 1)];
        const qint64 cents = random.between(5000, 900000);
        insert.add({QStringLiteral("G%1").arg(pad(i, 11)), leg.filial, leg.cia,
                    iso(kFirstDay.addDays(random.between(0, days))), leg.flight, leg.origin,
                    leg.destination, place, group, cents, cents * 10 / 55,
                    QStringLiteral("FG%1").arg(pad(i, 10)), QVariant(), QVariant()});
    }
    insert.finish();
    return insert.rowsWritten();
}
