#pragma once

#include <optional>
#include <utility>
#include <vector>

// Options of one diarization run; absent values take the engine's parameters.
struct VoxmarkOptions {
    std::optional<int> speakerCount;
    std::optional<double> minimumActiveOffset; // seconds: the shortest turn kept on its own
    std::optional<double> clusterDistanceThreshold;
    std::optional<double> minimumClusterSize; // share of the speech a speaker must hold
    bool exclusiveReconciliation = true;      // the engine labels one speaker at a time either way
    std::vector<std::pair<double, double>> clipTimestamps; // empty: the whole recording
};
