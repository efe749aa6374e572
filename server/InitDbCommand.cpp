#include "server/InitDbCommand.h"

#include "core/Exception.h"
#include "db/TDatabase.h"
#include "server/Schema.h"
#include "server/SeedData.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

CommandLine InitDbCommand::commandLine() {
    CommandLine line(
        QStringLiteral("zel-appserver init-db"), QStringLiteral("URL [opções]"),
        QStringLiteral(
            "Cria as tabelas em um banco novo e, com as opções, carrega dados. Um banco\n"
            "que já tenha alguma das tabelas não é alterado."));
    line.addPositional(
        QStringLiteral("URL"),
        QStringLiteral("sqlite:CAMINHO ou postgresql://usuário@servidor:porta/banco"));
    line.addOptions({
        {QStringLiteral("demo"), QStringLiteral("dados de demonstração")},
        {QStringLiteral("fixture"),
         QStringLiteral("um conjunto de teste (%1)")
             .arg(SeedData::fixtureNames().join(QLatin1String(", "))),
         QStringLiteral("NOME")},
        {QStringLiteral("deliveries"),
         QStringLiteral("gera N deliveries (sozinha, com os dados de demonstração)"),
         QStringLiteral("N")},
        {QStringLiteral("today"),
         QStringLiteral("com --demo, a data para a qual os dados são feitos (padrão: hoje)"),
         QStringLiteral("AAAA-MM-DD")},
        {QStringLiteral("deliveries-of"),
         QStringLiteral("as deliveries geradas, todas da filial e companhia informadas"),
         QStringLiteral("FILIAL/CIA")},
    });
    return line;
}

QString InitDbCommand::read(const CommandLine& line, Options* options) {
    const QStringList positional = line.positionalArguments();
    options->url = positional.value(0);
    options->demo = line.isSet(QStringLiteral("demo"));
    if (line.isSet(QStringLiteral("fixture"))) {
        options->fixture = line.value(QStringLiteral("fixture"));
        if (!SeedData::isFixture(options->fixture))
            return QStringLiteral("Conjunto de dados desconhecido: \"%1\".").arg(options->fixture);
    }
    if (line.isSet(QStringLiteral("deliveries"))) {
        bool numeric = false;
        options->deliveries = line.value(QStringLiteral("deliveries")).toLongLong(&numeric);
        if (!numeric || options->deliveries < 0)
            return QStringLiteral("--deliveries exige um número inteiro não negativo.");
    }
    options->today = QDate::currentDate();
    if (line.isSet(QStringLiteral("today"))) {
        options->today = QDate::fromString(line.value(QStringLiteral("today")), Qt::ISODate);
        if (!options->today.isValid())
            return QStringLiteral("--today exige uma data AAAA-MM-DD, por exemplo 2025-06-20.");
    }
    if (line.isSet(QStringLiteral("deliveries-of"))) {
        options->deliveriesOf = line.value(QStringLiteral("deliveries-of"));
        static const QRegularExpression shape(QStringLiteral("^[^/\\s]{1,4}/[^/\\s]{1,4}$"));
        if (!shape.match(options->deliveriesOf).hasMatch())
            return QStringLiteral("--deliveries-of exige FILIAL/CIA, por exemplo 0001/0001.");
    }
    if (options->url.isEmpty())
        return QStringLiteral("Informe o endereço do banco de dados.");
    if (!options->deliveriesOf.isEmpty() && options->deliveries < 0)
        return QStringLiteral("--deliveries-of exige --deliveries N.");
    if (line.isSet(QStringLiteral("today")) && !options->demo)
        return QStringLiteral("--today só vale com --demo.");
    if (options->demo && !options->fixture.isEmpty())
        return QStringLiteral("Use --demo ou --fixture, não os dois.");
    return {};
}

int InitDbCommand::run(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(args, out, err))
        return *exit;
    Options options;
    const QString problem = read(line, &options);
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    try {
        out << create(options) << '\n';
        out.flush();
        return ok;
    } catch (const Exception& e) {
        err << e.message() << '\n';
        err.flush();
        return failed;
    }
}

// Returns what was done, for the user.
QString InitDbCommand::create(const Options& options) {
    TDatabase database;
    database.open(options.url, TDatabase::OpenMode::CreateIfMissing);
    const QString shown = database.url().display();
    QSqlDatabase db = database.database();
    const QStringList existing = Schema::existingTables(db);
    if (!existing.isEmpty())
        throw Exception(QStringLiteral("O banco de dados %1 já contém tabelas do sistema (%2); "
                                       "init-db só cria tabelas em um banco sem elas.")
                            .arg(shown, existing.join(QLatin1String(", "))));
    if (!db.transaction())
        throw Exception(db.lastError().text());
    QString done;
    try {
        Schema::create(db, database.dialect());
        SeedData seed(db);
        const bool wantsDemo =
            options.demo || (options.fixture.isEmpty() && options.deliveries >= 0);
        qint64 deliveries = options.deliveries;
        if (wantsDemo) {
            seed.demo(options.today);
            // Generated deliveries take the place of the demo's own business.
            if (deliveries < 0)
                seed.demoActivity(options.today);
            done = QStringLiteral("dados de demonstração para %1")
                       .arg(options.today.toString(QStringLiteral("dd/MM/yyyy")));
        } else if (!options.fixture.isEmpty()) {
            seed.fixture(options.fixture);
            done = QStringLiteral("conjunto de teste \"%1\"").arg(options.fixture);
        } else {
            done = QStringLiteral("sem dados");
        }
        if (deliveries > 0)
            done += QStringLiteral(", %1 deliveries geradas")
                        .arg(seed.deliveries(deliveries, options.deliveriesOf));
        if (!db.commit())
            throw Exception(db.lastError().text());
    } catch (...) {
        db.rollback();
        throw;
    }
    gatherStatistics(database);
    return QStringLiteral("Banco de dados %1 criado: %2.").arg(shown, done);
}

// A freshly loaded database has no statistics for the planner and, on PostgreSQL, no
// visibility map or hint bits: every first reader would pay for them. It is left as a
// database in use looks.
void InitDbCommand::gatherStatistics(TDatabase& database) {
    QSqlQuery query(database.database());
    const QString statement = database.dialect() == TDialect::SQLite
                                  ? QStringLiteral("ANALYZE")
                                  : QStringLiteral("VACUUM ANALYZE");
    if (!query.exec(statement))
        throw Exception(
            QStringLiteral("%1 falhou: %2").arg(statement, query.lastError().text().trimmed()));
}
