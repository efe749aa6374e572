#include "bench/LatencyStats.h"

#include <algorithm>
#include <cmath>

void LatencyStats::merge(const LatencyStats& other) {
    m_samples.insert(m_samples.end(), other.m_samples.begin(), other.m_samples.end());
}

double LatencyStats::percentile(double p) const {
    if (m_samples.empty())
        return 0;
    const auto n = m_samples.size();
    // The smallest sample with at least p of all samples at or below it.
    const auto rank = std::clamp<std::size_t>(std::size_t(std::ceil(p * double(n) - 1e-9)), 1, n);
    std::vector<double> sorted = m_samples;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(rank - 1), sorted.end());
    return sorted[rank - 1];
}

double LatencyStats::max() const {
    return m_samples.empty() ? 0 : *std::max_element(m_samples.begin(), m_samples.end());
}

QString LatencyStats::summary() const {
    if (m_samples.empty())
        return QStringLiteral("-");
    return QStringLiteral("%1 / %2 / %3")
        .arg(percentile(0.50), 0, 'f', 1)
        .arg(percentile(0.99), 0, 'f', 1)
        .arg(max(), 0, 'f', 1);
}
