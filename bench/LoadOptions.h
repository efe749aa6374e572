#pragma once

#include "core/CommandLine.h"

#include <QList>
#include <QString>
#include <QStringList>

// What bench_load is asked to measure, read from its command line.
struct LoadOptions {
    // How the servers stand: one on SQLite, one on PostgreSQL, two on one PostgreSQL.
    enum class Topology { Sqlite, PostgreSql, TwoOnPostgreSql };

    QList<int> desktops{1, 8, 32, 64};
    int seconds = 30;
    int thinkMs = 0;            // between two calls of one desktop
    int periods = 0;            // one-day periods seeded per company; 0: periodsFor() decides
    int perPeriod = 2;          // deliveries a period holds, one per leg in turn
    QList<Topology> topologies; // empty until read: SQLite, and PostgreSQL with --pg
    QString pgUrl;
    QString workdir;
    QString appserver;

    static CommandLine commandLine();
    // Fills `options` from a parsed line; the Portuguese reason when a value is refused.
    static QString read(const CommandLine& line, LoadOptions* options);

    // Periods seeded for each of `desktops` companies: as given, or enough that even a
    // lone desktop computing flat out does not run out in the time (about 600 computations a
    // second over all desktops), and never fewer than 1000.
    int periodsFor(int desktops) const;

    static QString nameOf(Topology topology);
    // How many servers a topology runs.
    static int serversOf(Topology topology);
};
