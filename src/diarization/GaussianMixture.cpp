#include "diarization/GaussianMixture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double varianceFloor = 0.01;

} // namespace

GaussianMixture::GaussianMixture(int components, int dimensions)
    : m_components(components)
    , m_dimensions(dimensions) {}

void GaussianMixture::initialise(const std::vector<const float*>& rows) {
    const auto dims = static_cast<std::size_t>(m_dimensions);
    m_components = std::max(1, std::min<int>(m_components, static_cast<int>(rows.size()) / 20));
    std::vector<double> mean(dims), squares(dims);
    for (const float* row : rows)
        for (std::size_t d = 0; d < dims; ++d) {
            mean[d] += row[d];
            squares[d] += static_cast<double>(row[d]) * row[d];
        }
    const auto count = static_cast<double>(std::max<std::size_t>(rows.size(), 1));
    m_weights.assign(static_cast<std::size_t>(m_components), 1.0 / m_components);
    m_means.clear();
    m_inverseVariances.clear();
    for (int k = 0; k < m_components; ++k) {
        const float* seed = rows.empty() ? nullptr
                                         : rows[(rows.size() * static_cast<std::size_t>(2 * k + 1)) /
                                                static_cast<std::size_t>(2 * m_components)];
        for (std::size_t d = 0; d < dims; ++d) {
            const double m = mean[d] / count;
            m_means.push_back(seed ? seed[d] : static_cast<float>(m));
            m_inverseVariances.push_back(
                static_cast<float>(1.0 / std::max(squares[d] / count - m * m, varianceFloor)));
        }
    }
    refreshConstants();
}

void GaussianMixture::refreshConstants() {
    m_constants.clear();
    for (int k = 0; k < m_components; ++k) {
        double logDeterminant = 0;
        for (int d = 0; d < m_dimensions; ++d)
            logDeterminant -= std::log(m_inverseVariances[static_cast<std::size_t>(k * m_dimensions + d)]);
        m_constants.push_back(std::log(std::max(m_weights[static_cast<std::size_t>(k)], 1e-10)) -
                              0.5 * (m_dimensions * std::log(2 * std::numbers::pi) + logDeterminant));
    }
}

void GaussianMixture::train(const std::vector<const float*>& rows, int iterations) {
    initialise(rows);
    const auto dims = static_cast<std::size_t>(m_dimensions);
    const auto components = static_cast<std::size_t>(m_components);
    std::vector<double> posterior(components);
    for (int iteration = 0; iteration < iterations && !rows.empty(); ++iteration) {
        std::vector<double> n(components), sum(components * dims), squares(components * dims);
        for (const float* row : rows) {
            double top = -std::numeric_limits<double>::infinity();
            for (std::size_t k = 0; k < components; ++k) {
                double distance = 0;
                for (std::size_t d = 0; d < dims; ++d) {
                    const float diff = row[d] - m_means[k * dims + d];
                    distance += diff * diff * m_inverseVariances[k * dims + d];
                }
                posterior[k] = m_constants[k] - 0.5 * distance;
                top = std::max(top, posterior[k]);
            }
            double total = 0;
            for (double& p : posterior)
                total += p = std::exp(p - top);
            for (std::size_t k = 0; k < components; ++k) {
                const double r = posterior[k] / total;
                n[k] += r;
                for (std::size_t d = 0; d < dims; ++d) {
                    sum[k * dims + d] += r * row[d];
                    squares[k * dims + d] += r * row[d] * row[d];
                }
            }
        }
        for (std::size_t k = 0; k < components; ++k) {
            if (n[k] < 2)
                continue; // an empty component keeps its old shape
            m_weights[k] = n[k] / static_cast<double>(rows.size());
            for (std::size_t d = 0; d < dims; ++d) {
                const double m = sum[k * dims + d] / n[k];
                m_means[k * dims + d] = static_cast<float>(m);
                m_inverseVariances[k * dims + d] =
                    static_cast<float>(1.0 / std::max(squares[k * dims + d] / n[k] - m * m, varianceFloor));
            }
        }
        refreshConstants();
    }
}

double GaussianMixture::logLikelihood(const float* row) const {
    const auto dims = static_cast<std::size_t>(m_dimensions);
    double top = -std::numeric_limits<double>::infinity();
    double values[64];
    for (std::size_t k = 0; k < static_cast<std::size_t>(m_components); ++k) {
        float distance = 0;
        const float* mean = m_means.data() + k * dims;
        const float* inverse = m_inverseVariances.data() + k * dims;
        for (std::size_t d = 0; d < dims; ++d) {
            const float diff = row[d] - mean[d];
            distance += diff * diff * inverse[d];
        }
        values[k] = m_constants[k] - 0.5 * static_cast<double>(distance);
        top = std::max(top, values[k]);
    }
    double total = 0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(m_components); ++k)
        total += std::exp(values[k] - top);
    return top + std::log(total);
}
