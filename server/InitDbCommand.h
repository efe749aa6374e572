#pragma once

#include "core/CommandLine.h"

#include <QDate>
#include <QStringList>
#include <QTextStream>

class TDatabase;

// "init-db URL [--demo | --fixture NAME] [--deliveries N]": creates the schema and seeds
// it, all in one transaction (a failure leaves no table behind).
//   (no option)      the empty schema
//   --demo           the demo data set, made for --today (default: the system's date)
//   --fixture NAME   a named test data set
//   --deliveries N   N generated deliveries in place of the demo's deliveries and
//                    computations, or added to the fixture's; alone it implies the demo's
//                    reference data
//   --deliveries-of FILIAL/CIA  the generated deliveries all go to that branch and
//                    company (a benchmark of one large computation)
// It ends by gathering the planner's statistics, as a database in use has them.
// A database that already has any of the tables is left untouched (exit code 1): the
// command only ever creates, so it can never overwrite a site's data.
// Exit codes: 0 done, 1 failure (message on err), 2 bad arguments (usage on err).
class InitDbCommand {
public:
    static constexpr int ok = 0;
    static constexpr int failed = 1;
    static constexpr int badUsage = CommandLine::kBadUsage;

    // The command's options and help.
    static CommandLine commandLine();
    // `args` are the arguments after "init-db".
    static int run(const QStringList& args, QTextStream& out, QTextStream& err);

private:
    struct Options {
        QString url;
        bool demo = false;
        QString fixture;
        qint64 deliveries = -1; // -1: not given
        QString deliveriesOf;   // "FILIAL/CIA", empty: every branch and company
        QDate today;
    };
    // Returns an error text, empty when the values are good.
    static QString read(const CommandLine& line, Options* options);
    static QString create(const Options& options);
    static void gatherStatistics(TDatabase& database);
};
