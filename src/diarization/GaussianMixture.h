#pragma once

#include <cstddef>
#include <vector>

// A mixture of diagonal Gaussians fitted by expectation-maximisation.
class GaussianMixture {
public:
    GaussianMixture(int components, int dimensions);

    // rows: count frames of `dimensions` values, consecutive in memory.
    void train(const std::vector<const float*>& rows, int iterations);

    double logLikelihood(const float* row) const;

private:
    void initialise(const std::vector<const float*>& rows);
    void refreshConstants();

    int m_components;
    int m_dimensions;
    std::vector<double> m_weights;
    std::vector<float> m_means;            // components x dimensions
    std::vector<float> m_inverseVariances; // components x dimensions
    std::vector<double> m_constants;       // log weight - log normaliser per component
};
