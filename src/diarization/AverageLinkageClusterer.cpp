#include "diarization/AverageLinkageClusterer.h"

#include "models/CancelledError.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace {

class DistanceMatrix {
public:
    explicit DistanceMatrix(const std::vector<std::vector<float>>& vectors)
        : m_size(vectors.size())
        , m_values(m_size * m_size) {
        for (std::size_t i = 0; i < m_size; ++i)
            for (std::size_t j = i + 1; j < m_size; ++j) {
                float dot = 0;
                for (std::size_t d = 0; d < vectors[i].size(); ++d)
                    dot += vectors[i][d] * vectors[j][d];
                at(i, j) = at(j, i) = 1.0f - dot;
            }
    }

    float& at(std::size_t i, std::size_t j) { return m_values[i * m_size + j]; }

private:
    std::size_t m_size;
    std::vector<float> m_values;
};

int find(std::vector<int>& parent, int i) {
    while (parent[static_cast<std::size_t>(i)] != i)
        i = parent[static_cast<std::size_t>(i)] =
            parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
    return i;
}

} // namespace

std::vector<AverageLinkageClusterer::Merge>
AverageLinkageClusterer::dendrogram(const std::vector<std::vector<float>>& vectors,
                                    std::stop_token stopToken) {
    const std::size_t n = vectors.size();
    DistanceMatrix distance(vectors);
    std::vector<int> size(n, 1);
    std::vector<char> active(n, 1);
    std::vector<std::size_t> chain;
    std::vector<Merge> merges;
    std::size_t remaining = n;
    while (remaining > 1) {
        if (stopToken.stop_requested())
            throw CancelledError();
        if (chain.empty())
            chain.push_back(
                static_cast<std::size_t>(std::find(active.begin(), active.end(), 1) - active.begin()));
        const std::size_t a = chain.back();
        const std::size_t previous = chain.size() >= 2 ? chain[chain.size() - 2] : n;
        std::size_t best = previous;
        float bestDistance = previous < n ? distance.at(a, previous) : std::numeric_limits<float>::max();
        for (std::size_t b = 0; b < n; ++b)
            if (active[b] && b != a && distance.at(a, b) < bestDistance) {
                bestDistance = distance.at(a, b);
                best = b;
            }
        if (best != previous) {
            chain.push_back(best);
            continue;
        }
        chain.pop_back();
        chain.pop_back();
        merges.push_back({static_cast<int>(a), static_cast<int>(best), bestDistance});
        // The merged cluster keeps index a.
        const float wa = static_cast<float>(size[a]), wb = static_cast<float>(size[best]);
        for (std::size_t k = 0; k < n; ++k)
            if (active[k] && k != a && k != best)
                distance.at(a, k) = distance.at(k, a) =
                    (wa * distance.at(a, k) + wb * distance.at(best, k)) / (wa + wb);
        size[a] += size[best];
        active[best] = 0;
        --remaining;
    }
    return merges;
}

std::vector<int> AverageLinkageClusterer::cluster(const std::vector<std::vector<float>>& vectors,
                                                  double distanceThreshold, std::optional<int> clusterCount,
                                                  std::stop_token stopToken) {
    std::vector<Merge> merges = dendrogram(vectors, stopToken);
    std::stable_sort(merges.begin(), merges.end(),
                     [](const Merge& x, const Merge& y) { return x.height < y.height; });
    std::vector<int> parent(vectors.size());
    std::iota(parent.begin(), parent.end(), 0);
    const std::size_t wanted = clusterCount ? static_cast<std::size_t>(std::max(1, *clusterCount)) : 0;
    std::size_t clusters = vectors.size();
    for (const Merge& merge : merges) {
        if (clusterCount ? clusters <= wanted : merge.height >= distanceThreshold)
            break;
        parent[static_cast<std::size_t>(find(parent, merge.first))] = find(parent, merge.second);
        --clusters;
    }
    std::vector<int> labels(vectors.size());
    std::vector<int> numbering(vectors.size(), -1);
    int next = 0;
    for (std::size_t i = 0; i < vectors.size(); ++i) {
        int& number = numbering[static_cast<std::size_t>(find(parent, static_cast<int>(i)))];
        if (number < 0)
            number = next++;
        labels[i] = number;
    }
    return labels;
}
