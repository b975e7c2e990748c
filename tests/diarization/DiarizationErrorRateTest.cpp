#include "diarization/DiarizationErrorRate.h"

#include <gtest/gtest.h>

namespace {

struct ScoreCase {
    const char* name;
    std::vector<ScoredTurn> reference;
    std::vector<ScoredTurn> hypothesis;
    bool excludeOverlap;
    double referenceSeconds, missed, falseAlarm, confusion;
};

ScoredTurn turn(const char* speaker, double start, double end) {
    return {QString::fromLatin1(speaker), start, end};
}

class DiarizationErrorRateTest : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(DiarizationErrorRateTest, CountsEachKindOfError) {
    const ScoreCase& c = GetParam();
    const DiarizationScore score =
        DiarizationErrorRate::score(c.reference, c.hypothesis, {{0, 10}}, c.excludeOverlap);
    EXPECT_NEAR(score.referenceSeconds, c.referenceSeconds, 1e-6);
    EXPECT_NEAR(score.missedSeconds, c.missed, 1e-6);
    EXPECT_NEAR(score.falseAlarmSeconds, c.falseAlarm, 1e-6);
    EXPECT_NEAR(score.confusionSeconds, c.confusion, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiarizationErrorRateTest,
    ::testing::Values(
        ScoreCase{"RenamedSpeakersAreMapped",
                  {turn("ann", 0, 4), turn("bob", 4, 8)},
                  {turn("1", 0, 4), turn("0", 4, 8)},
                  false,
                  8,
                  0,
                  0,
                  0},
        ScoreCase{"MissedAndFalseSpeech", {turn("ann", 0, 4)}, {turn("x", 1, 6)}, false, 4, 1, 2, 0},
        ScoreCase{"OneSpeakerSplitInTwo",
                  {turn("ann", 0, 6)},
                  {turn("x", 0, 4), turn("y", 4, 6)},
                  false,
                  6,
                  0,
                  0,
                  2},
        ScoreCase{"TwoSpeakersMerged",
                  {turn("ann", 0, 3), turn("bob", 3, 5)},
                  {turn("x", 0, 5)},
                  false,
                  5,
                  0,
                  0,
                  2},
        ScoreCase{"OverlapCountsBothSpeakers",
                  {turn("ann", 0, 4), turn("bob", 2, 6)},
                  {turn("x", 0, 4), turn("y", 4, 6)},
                  false,
                  8,
                  2,
                  0,
                  0},
        ScoreCase{"OverlapLeftOut",
                  {turn("ann", 0, 4), turn("bob", 2, 6)},
                  {turn("x", 0, 4), turn("y", 4, 6)},
                  true,
                  4,
                  0,
                  0,
                  0},
        ScoreCase{
            "OutsideTheScoredRangeIgnored", {turn("ann", 8, 14)}, {turn("x", 9, 20)}, false, 2, 1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiarizationScore, AddsUpAcrossFiles) {
    DiarizationScore total;
    total += {10, 1, 2, 3};
    total += {30, 0, 0, 4};
    EXPECT_DOUBLE_EQ(total.rate(), 10.0 / 40.0);
    EXPECT_DOUBLE_EQ(DiarizationScore{}.rate(), 0);
}

} // namespace
