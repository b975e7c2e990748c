#include "diarization/BicClusterMerger.h"

#include "models/CancelledError.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

// Count, sum and sum of outer products of a cluster's frames.
struct GaussianStatistics {
    double count = 0;
    std::vector<double> sum;
    std::vector<double> outer; // dims x dims

    explicit GaussianStatistics(std::size_t dims = 0)
        : sum(dims)
        , outer(dims * dims) {}

    void add(const float* row) {
        const std::size_t dims = sum.size();
        ++count;
        for (std::size_t i = 0; i < dims; ++i) {
            sum[i] += row[i];
            for (std::size_t j = 0; j <= i; ++j)
                outer[i * dims + j] += static_cast<double>(row[i]) * row[j];
        }
    }

    GaussianStatistics operator+(const GaussianStatistics& other) const {
        GaussianStatistics result = *this;
        result.count += other.count;
        for (std::size_t i = 0; i < sum.size(); ++i)
            result.sum[i] += other.sum[i];
        for (std::size_t i = 0; i < outer.size(); ++i)
            result.outer[i] += other.outer[i];
        return result;
    }

    // count * log determinant of the covariance, by Cholesky factorisation.
    double weightedLogDeterminant() const {
        const std::size_t dims = sum.size();
        std::vector<double> a(dims * dims);
        for (std::size_t i = 0; i < dims; ++i)
            for (std::size_t j = 0; j <= i; ++j)
                a[i * dims + j] =
                    outer[i * dims + j] / count - (sum[i] / count) * (sum[j] / count) + (i == j ? 1e-4 : 0);
        double logDeterminant = 0;
        for (std::size_t j = 0; j < dims; ++j) {
            double diagonal = a[j * dims + j];
            for (std::size_t k = 0; k < j; ++k)
                diagonal -= a[j * dims + k] * a[j * dims + k];
            diagonal = std::sqrt(std::max(diagonal, 1e-10));
            a[j * dims + j] = diagonal;
            logDeterminant += 2 * std::log(diagonal);
            for (std::size_t i = j + 1; i < dims; ++i) {
                double value = a[i * dims + j];
                for (std::size_t k = 0; k < j; ++k)
                    value -= a[i * dims + k] * a[j * dims + k];
                a[i * dims + j] = value / diagonal;
            }
        }
        return count * logDeterminant;
    }
};

} // namespace

std::vector<int> BicClusterMerger::merge(const FrameFeatures& features, const std::vector<int>& labels,
                                         std::stop_token stopToken) const {
    const auto dims = static_cast<std::size_t>(features.dimensions);
    std::map<int, GaussianStatistics> clusters;
    for (std::size_t f = 0; f < labels.size(); ++f)
        if (labels[f] >= 0)
            clusters.try_emplace(labels[f], dims).first->second.add(features.row(f));
    const double parameters = static_cast<double>(dims) + static_cast<double>(dims * (dims + 1)) / 2;
    const auto deltaBic = [&](const GaussianStatistics& a, const GaussianStatistics& b) {
        const GaussianStatistics both = a + b;
        return 0.5 *
                   (both.weightedLogDeterminant() - a.weightedLogDeterminant() - b.weightedLogDeterminant()) -
               m_penaltyWeight * 0.5 * parameters * std::log(both.count);
    };
    std::map<int, int> target;
    for (const auto& [id, stats] : clusters)
        target[id] = id;
    while (clusters.size() > 1) {
        if (stopToken.stop_requested())
            throw CancelledError();
        double best = std::numeric_limits<double>::max();
        int first = -1, second = -1;
        for (auto a = clusters.begin(); a != clusters.end(); ++a)
            for (auto b = std::next(a); b != clusters.end(); ++b)
                if (const double value = deltaBic(a->second, b->second); value < best) {
                    best = value;
                    first = a->first;
                    second = b->first;
                }
        if (best >= 0)
            break;
        clusters.at(first) = clusters.at(first) + clusters.at(second);
        clusters.erase(second);
        for (auto& [id, to] : target)
            if (to == second)
                to = first;
    }
    std::map<int, int> numbers;
    std::vector<int> result(labels.size(), -1);
    for (std::size_t f = 0; f < labels.size(); ++f)
        if (labels[f] >= 0)
            result[f] =
                numbers.try_emplace(target[labels[f]], static_cast<int>(numbers.size())).first->second;
    return result;
}
