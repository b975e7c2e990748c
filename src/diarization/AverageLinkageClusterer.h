#pragma once

#include <optional>
#include <stop_token>
#include <vector>

// Agglomerative clustering of unit vectors by cosine distance with average linkage, using the
// nearest-neighbour chain (quadratic time and memory).
class AverageLinkageClusterer {
public:
    // Labels 0..k-1 in order of first appearance. Clusters merge while their average distance is
    // below distanceThreshold, or, when clusterCount is given, until that many remain.
    static std::vector<int> cluster(const std::vector<std::vector<float>>& vectors, double distanceThreshold,
                                    std::optional<int> clusterCount, std::stop_token stopToken);

    struct Merge {
        int first;
        int second;
        float height;
    };

    // Every merge of the full dendrogram, in the order the chain found them.
    static std::vector<Merge> dendrogram(const std::vector<std::vector<float>>& vectors,
                                         std::stop_token stopToken);
};
