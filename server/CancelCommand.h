#pragma once

#include "core/CommandLine.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QTextStream>

// "cancel --db URL NRAPURACFAT [--lease SECONDS]": cancels a computation by the same rules
// as the remote method CancelaApuracao (ComputationCancel), recording the operating-system
// user as who cancelled it. Brings the database's schema up to date first.
// Exit codes: 0 done, 1 refused or failed (reason on err), 2 bad arguments.
class CancelCommand {
public:
    static constexpr int ok = 0;
    static constexpr int failed = 1;
    static constexpr int badUsage = CommandLine::kBadUsage;

    // The command's options and help.
    static CommandLine commandLine();
    // `args` are the arguments after "cancel".
    static int run(const QStringList& args, QTextStream& out, QTextStream& err);

    // The cancellation on an open connection. Returns what was done, for the user; raises
    // a ServerFailure (the platform's Exception) with the reason when the computation
    // cannot be cancelled.
    static QString cancel(QSqlDatabase db, const QString& number, int leaseSeconds);
};
