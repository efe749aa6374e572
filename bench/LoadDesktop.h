#pragma once

#include "bench/LatencyStats.h"
#include "bench/LoadSeed.h"

#include <QStringList>

#include <atomic>

class TNetConnection;

// One simulated desktop: its own connection to a server and its own company, making the
// billing screen's calls with the screen's arguments, one period after the other, until
// told to stop. Runs on the thread that calls run().
class LoadDesktop {
public:
    static constexpr int kMaxErrorTexts = 5;

    LoadDesktop(int number, LoadCompany company, quint16 port, int thinkMs);

    void run(const std::atomic<bool>& stop);

    const LatencyStats& smallCalls() const { return m_small; }
    const LatencyStats& computations() const { return m_computations; }
    int errors() const { return m_errors; }
    // The first distinct failure texts, each once.
    const QStringList& errorTexts() const { return m_errorTexts; }
    qint64 invoices() const { return m_invoices; }
    // Periods with no leg to bill, not computed: the seed ran out for this desktop.
    int emptyPeriods() const { return m_emptyPeriods; }
    // Cycles ended so far, computed, empty or failed; may be read while run() goes on.
    int cyclesEnded() const { return m_cyclesEnded; }

private:
    void cycle(TNetConnection& net, const std::atomic<bool>& stop);
    void fail(const QString& text);
    void think() const;

    int m_number;
    LoadCompany m_company;
    quint16 m_port;
    int m_thinkMs;
    int m_period = 0;
    LatencyStats m_small;
    LatencyStats m_computations;
    int m_errors = 0;
    QStringList m_errorTexts;
    qint64 m_invoices = 0;
    int m_emptyPeriods = 0;
    std::atomic<int> m_cyclesEnded{0};
};
