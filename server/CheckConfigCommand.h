#pragma once

#include "core/CommandLine.h"

#include <QStringList>
#include <QTextStream>

// "check-config FILE": reads a configuration file of "serve" as the server would (the files
// it names included, the database left alone) and prints the settings it would run with
// and where each came from. Exit codes: 0 good, 2 a bad file or value (the error on err,
// naming the file and line).
class CheckConfigCommand {
public:
    static constexpr int ok = 0;
    static constexpr int badUsage = CommandLine::kBadUsage;

    static CommandLine commandLine();
    // `args` are the arguments after "check-config".
    static int run(const QStringList& args, QTextStream& out, QTextStream& err);
};
