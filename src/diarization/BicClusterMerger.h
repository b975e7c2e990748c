#pragma once

#include "diarization/FrameFeatures.h"

#include <stop_token>
#include <vector>

// Merges speaker clusters while one full-covariance Gaussian explains two clusters' frames
// better than two do, by the Bayesian information criterion. Unlike a distance threshold on
// normalised vectors, the criterion does not depend on how many voices the recording holds,
// so it can also settle on a single speaker.
class BicClusterMerger {
public:
    explicit BicClusterMerger(double penaltyWeight)
        : m_penaltyWeight(penaltyWeight) {}

    // labels: one per frame, -1 where there is no speech. Returns labels numbered 0..k-1 in
    // order of first appearance.
    std::vector<int> merge(const FrameFeatures& features, const std::vector<int>& labels,
                           std::stop_token stopToken) const;

private:
    double m_penaltyWeight;
};
