#include "diarization/SmallClusterFolder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

std::vector<int> SmallClusterFolder::fold(const std::vector<std::vector<float>>& vectors,
                                          const std::vector<int>& labels, double minimumShare) {
    if (labels.empty())
        return labels;
    const auto clusters = static_cast<std::size_t>(*std::max_element(labels.begin(), labels.end()) + 1);
    const std::size_t dims = vectors.front().size();
    std::vector<std::size_t> sizes(clusters);
    std::vector<std::vector<double>> centroids(clusters, std::vector<double>(dims));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const auto c = static_cast<std::size_t>(labels[i]);
        ++sizes[c];
        for (std::size_t d = 0; d < dims; ++d)
            centroids[c][d] += vectors[i][d];
    }
    for (auto& centroid : centroids) {
        const double norm =
            std::sqrt(std::inner_product(centroid.begin(), centroid.end(), centroid.begin(), 0.0));
        for (double& value : centroid)
            value /= std::max(norm, 1e-12);
    }
    std::vector<std::size_t> bySize(clusters);
    std::iota(bySize.begin(), bySize.end(), 0);
    std::stable_sort(bySize.begin(), bySize.end(),
                     [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    std::vector<bool> kept(clusters, false);
    const double minimum = minimumShare * static_cast<double>(labels.size());
    for (std::size_t rank = 0; rank < clusters; ++rank)
        kept[bySize[rank]] =
            rank == 0 || (rank < maximumSpeakers && static_cast<double>(sizes[bySize[rank]]) >= minimum);

    std::vector<int> target(clusters);
    for (std::size_t c = 0; c < clusters; ++c) {
        double best = -std::numeric_limits<double>::infinity();
        for (std::size_t k = 0; k < clusters; ++k) {
            if (!kept[k])
                continue;
            const double similarity = kept[c] ? (k == c ? 1.0 : -2.0)
                                              : std::inner_product(centroids[c].begin(), centroids[c].end(),
                                                                   centroids[k].begin(), 0.0);
            if (similarity > best) {
                best = similarity;
                target[c] = static_cast<int>(k);
            }
        }
    }
    std::map<int, int> numbers;
    std::vector<int> result;
    for (const int label : labels) {
        const int folded = target[static_cast<std::size_t>(label)];
        result.push_back(numbers.try_emplace(folded, static_cast<int>(numbers.size())).first->second);
    }
    return result;
}
