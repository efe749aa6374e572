#pragma once

#include <QString>

#include <vector>

// Call durations of one kind, in milliseconds, summed up as the load benchmark reports them.
// Percentiles are nearest-rank: p99 of 100 samples is the 99th smallest, so a single slow
// call among a hundred shows in the maximum and not in p99.
class LatencyStats {
public:
    void add(double ms) { m_samples.push_back(ms); }
    void merge(const LatencyStats& other);

    qsizetype count() const { return qsizetype(m_samples.size()); }
    // `p` in (0, 1]; 0 when there is no sample.
    double percentile(double p) const;
    double max() const;

    // "p50 / p99 / máx" with one decimal, or "-" when there is no sample.
    QString summary() const;

private:
    std::vector<double> m_samples;
};
