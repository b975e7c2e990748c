#pragma once

#include <vector>

// Gives the windows of clusters that hold too small a share of the speech to the nearest
// remaining cluster (by cosine similarity of the centroids), and keeps at most 32 speakers.
class SmallClusterFolder {
public:
    static constexpr int maximumSpeakers = 32;

    // Labels renumbered 0..k-1 in order of first appearance.
    static std::vector<int> fold(const std::vector<std::vector<float>>& vectors,
                                 const std::vector<int>& labels, double minimumShare);
};
