#include "server/InitDbCommand.h"

#include "core/Exception.h"
#include "db/TDatabase.h"
#include "server/Schema.h"
#include "server/SeedData.h"

#include <QRegularExpression>
#include <QSqlError>

QString InitDbCommand::usage() {
    return QStringLiteral(
               "  init-db URL [--demo | --fixture NOME] [--deliveries N]\n"
               "          [--deliveries-of FILIAL/CIA]\n"
               "      Cria as tabelas em um banco novo e, com as opções, carrega dados:\n"
               "      --demo dados de demonstração; --fixture NOME um conjunto de teste (%1);\n"
               "      --deliveries N gera N deliveries, com --deliveries-of todas da filial e\n"
               "      companhia informadas. URL: sqlite:CAMINHO ou\n"
               "      postgresql://usuário@servidor:porta/banco.\n")
        .arg(SeedData::fixtureNames().join(QLatin1String(", ")));
}

QString InitDbCommand::parse(const QStringList& args, Options* options) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--demo")) {
            options->demo = true;
        } else if (arg == QLatin1String("--fixture")) {
            if (!hasValue)
                return QStringLiteral("--fixture exige o nome do conjunto de dados.");
            options->fixture = args[++i];
            if (!SeedData::isFixture(options->fixture))
                return QStringLiteral("Conjunto de dados desconhecido: \"%1\".")
                    .arg(options->fixture);
        } else if (arg == QLatin1String("--deliveries")) {
            bool numeric = false;
            options->deliveries = hasValue ? args[++i].toLongLong(&numeric) : -1;
            if (!numeric || options->deliveries < 0)
                return QStringLiteral("--deliveries exige um número inteiro não negativo.");
        } else if (arg == QLatin1String("--deliveries-of")) {
            options->deliveriesOf = hasValue ? args[++i] : QString();
            static const QRegularExpression shape(QStringLiteral("^[^/\\s]{1,4}/[^/\\s]{1,4}$"));
            if (!shape.match(options->deliveriesOf).hasMatch())
                return QStringLiteral("--deliveries-of exige FILIAL/CIA, por exemplo 0001/0001.");
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return QStringLiteral("Opção desconhecida: %1").arg(arg);
        } else if (options->url.isEmpty()) {
            options->url = arg;
        } else {
            return QStringLiteral("Argumento a mais: %1").arg(arg);
        }
    }
    if (options->url.isEmpty())
        return QStringLiteral("Informe o endereço do banco de dados.");
    if (!options->deliveriesOf.isEmpty() && options->deliveries < 0)
        return QStringLiteral("--deliveries-of exige --deliveries N.");
    if (options->demo && !options->fixture.isEmpty())
        return QStringLiteral("Use --demo ou --fixture, não os dois.");
    return {};
}

int InitDbCommand::run(const QStringList& args, QTextStream& out, QTextStream& err) {
    Options options;
    const QString problem = parse(args, &options);
    if (!problem.isEmpty()) {
        err << problem << "\nUso:\n" << usage();
        err.flush();
        return badUsage;
    }
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
            seed.demo();
            if (deliveries < 0)
                deliveries = SeedData::demoDeliveries;
            done = QStringLiteral("dados de demonstração");
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
    return QStringLiteral("Banco de dados %1 criado: %2.").arg(shown, done);
}
