#include "diarization/AverageLinkageClusterer.h"
#include "diarization/SmallClusterFolder.h"
#include "diarization/TurnBuilder.h"
#include "models/CancelledError.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Unit vectors near three directions, in interleaved order.
std::vector<std::vector<float>> threeGroups(int perGroup) {
    std::vector<std::vector<float>> vectors;
    for (int i = 0; i < perGroup * 3; ++i) {
        std::vector<float> v(4, 0.05f * static_cast<float>(i % 5) / 5);
        v[static_cast<std::size_t>(i % 3)] = 1;
        float norm = 0;
        for (const float x : v)
            norm += x * x;
        for (float& x : v)
            x /= std::sqrt(norm);
        vectors.push_back(v);
    }
    return vectors;
}

TEST(AverageLinkageClusterer, ThresholdAndCountDecideTheGroups) {
    const auto vectors = threeGroups(6);
    const std::vector<int> expected{0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2};
    EXPECT_EQ(AverageLinkageClusterer::cluster(vectors, 0.5, std::nullopt, {}), expected);
    EXPECT_EQ(AverageLinkageClusterer::cluster(vectors, 2.0, std::nullopt, {}), std::vector<int>(18, 0));
    EXPECT_EQ(AverageLinkageClusterer::cluster(vectors, 0.5, 3, {}), expected);
    const std::vector<int> two = AverageLinkageClusterer::cluster(vectors, 0.5, 2, {});
    EXPECT_EQ(*std::max_element(two.begin(), two.end()), 1);
    EXPECT_EQ(AverageLinkageClusterer::cluster({}, 0.5, std::nullopt, {}), std::vector<int>{});
    EXPECT_EQ(AverageLinkageClusterer::cluster({{1, 0}}, 0.5, std::nullopt, {}), std::vector<int>{0});
}

TEST(AverageLinkageClusterer, StopsWhenCancelled) {
    std::stop_source source;
    source.request_stop();
    EXPECT_THROW(AverageLinkageClusterer::cluster(threeGroups(4), 0.5, std::nullopt, source.get_token()),
                 CancelledError);
}

TEST(SmallClusterFolder, TinyClustersJoinTheirNearestNeighbour) {
    // Cluster 2 holds one window close to cluster 1.
    const std::vector<std::vector<float>> vectors{{1, 0},        {1, 0}, {0, 1}, {0, 1},
                                                  {0.2f, 0.98f}, {1, 0}, {0, 1}};
    const std::vector<int> labels{0, 0, 1, 1, 2, 0, 1};
    EXPECT_EQ(SmallClusterFolder::fold(vectors, labels, 0.2), (std::vector<int>{0, 0, 1, 1, 1, 0, 1}));
    EXPECT_EQ(SmallClusterFolder::fold(vectors, labels, 0.1), labels);
}

struct TurnCase {
    const char* name;
    std::vector<int> labels;           // one per 0.1 s, expanded to frames
    std::vector<SpeakerTurn> expected; // in 0.1 s units
};

std::vector<int> frames(const std::vector<int>& tenths) {
    std::vector<int> result;
    for (const int label : tenths)
        result.insert(result.end(), 10, label);
    return result;
}

class TurnBuilderTest : public ::testing::TestWithParam<TurnCase> {};

TEST_P(TurnBuilderTest, BuildsTurns) {
    DiarizationParameters parameters;
    parameters.mergeGapSeconds = 0.5;
    parameters.minimumTurnSeconds = 0.3;
    std::vector<SpeakerTurn> turns = TurnBuilder(parameters).build(frames(GetParam().labels));
    for (SpeakerTurn& turn : turns)
        turn = {turn.firstFrame / 10, turn.endFrame / 10, turn.speaker};
    ASSERT_EQ(turns.size(), GetParam().expected.size());
    for (std::size_t i = 0; i < turns.size(); ++i) {
        EXPECT_EQ(turns[i].firstFrame, GetParam().expected[i].firstFrame) << i;
        EXPECT_EQ(turns[i].endFrame, GetParam().expected[i].endFrame) << i;
        EXPECT_EQ(turns[i].speaker, GetParam().expected[i].speaker) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TurnBuilderTest,
    ::testing::Values(
        TurnCase{"SpeakersNumberedByFirstAppearance", {3, 3, 3, 3, 1, 1, 1, 1}, {{0, 4, 0}, {4, 8, 1}}},
        TurnCase{"ShortPauseJoined", {2, 2, 2, -1, -1, 2, 2, 2}, {{0, 8, 0}}},
        TurnCase{"LongPauseKept", {2, 2, 2, -1, -1, -1, -1, -1, -1, 2, 2, 2}, {{0, 3, 0}, {9, 12, 0}}},
        TurnCase{"ShortTurnAbsorbed", {0, 0, 0, 0, 1, 0, 0, 0}, {{0, 8, 0}}},
        TurnCase{"IsolatedShortTurnKept", {1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0}, {{0, 1, 0}, {7, 11, 1}}},
        TurnCase{"SilenceOnly", {-1, -1, -1}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
