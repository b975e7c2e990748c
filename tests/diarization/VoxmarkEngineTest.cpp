#include "diarization/VoxmarkEngine.h"
#include "SyntheticConversation.h"
#include "WavFiles.h"
#include "diarization/AudioFileLoader.h"
#include "models/CancelledError.h"
#include "models/TallybrookError.h"
#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <thread>

namespace {

class VoxmarkEngineTest : public ::testing::Test {
protected:
    std::vector<VoxmarkSegment> diarize(const AudioSamples& samples, std::stop_token token = {}) const {
        VoxmarkConfiguration configuration;
        configuration.downloadBase = m_models.path();
        return VoxmarkEngine(configuration).diarize(samples, VoxmarkOptions{}, token);
    }

    std::vector<VoxmarkSegment> diarize(const QString& path) const {
        return diarize(AudioFileLoader::load(path, AudioFileLoader::ChannelMode::summed, 0, std::nullopt));
    }

    static std::set<int> speakers(const std::vector<VoxmarkSegment>& segments) {
        std::set<int> result;
        for (const VoxmarkSegment& segment : segments)
            result.insert(segment.speaker.value_or(-1));
        return result;
    }

    static void expectOrderedAndExclusive(const std::vector<VoxmarkSegment>& segments) {
        for (std::size_t i = 0; i < segments.size(); ++i) {
            EXPECT_LT(segments[i].startSeconds, segments[i].endSeconds);
            if (i > 0) {
                EXPECT_LE(segments[i - 1].endSeconds, segments[i].startSeconds);
            }
        }
        if (!segments.empty()) {
            EXPECT_EQ(segments.front().speaker, 0);
        }
    }

    QTemporaryDir m_models;
};

TEST_F(VoxmarkEngineTest, SilenceAndNoiseHoldNoSpeaker) {
    std::mt19937 random(3);
    std::normal_distribution<float> hiss(0, 0.001f);
    std::vector<std::int16_t> noise;
    for (int i = 0; i < 16000 * 20; ++i)
        noise.push_back(static_cast<std::int16_t>(hiss(random) * 32768));
    for (const AudioSamples& samples :
         {AudioSamples(), AudioSamples(std::vector<std::int16_t>(16000 * 20, 0)),
          AudioSamples(std::vector<std::int16_t>(100, 0)), AudioSamples(noise)})
        EXPECT_TRUE(diarize(samples).empty()) << samples.size();
}

TEST_F(VoxmarkEngineTest, OneVoiceIsOneSpeaker) {
    const auto voice =
        SyntheticConversation::oneVoice(QDir(m_models.path()).filePath(QStringLiteral("one.wav")));
    if (!voice)
        GTEST_SKIP() << "espeak-ng is not installed";
    const std::vector<VoxmarkSegment> segments = diarize(voice->path);
    ASSERT_FALSE(segments.empty());
    EXPECT_EQ(speakers(segments), std::set<int>{0});
    expectOrderedAndExclusive(segments);
}

TEST_F(VoxmarkEngineTest, ThreeVoiceConversationIsLabelledAlmostPerfectly) {
    const SyntheticConversation* conversation = SyntheticConversation::shared();
    if (!conversation)
        GTEST_SKIP() << "espeak-ng is not installed";
    const std::vector<VoxmarkSegment> segments = diarize(conversation->path);
    expectOrderedAndExclusive(segments);
    EXPECT_EQ(speakers(segments).size(), 3u);
    std::vector<ScoredTurn> hypothesis;
    for (const VoxmarkSegment& segment : segments)
        hypothesis.push_back({QString::number(*segment.speaker), segment.startSeconds, segment.endSeconds});
    const DiarizationScore score =
        DiarizationErrorRate::score(conversation->turns, hypothesis, {{0, conversation->seconds}}, false);
    EXPECT_LE(score.rate(), 0.05) << "missed " << score.missedSeconds << " s, false "
                                  << score.falseAlarmSeconds << " s, confused " << score.confusionSeconds
                                  << " s of " << score.referenceSeconds;
}

TEST_F(VoxmarkEngineTest, RealMeetingClipGetsTurns) {
    TALLYBROOK_REQUIRE_SHARED_FILE(clip, QStringLiteral("diarization/train/trn09.wav"));
    const std::vector<VoxmarkSegment> segments = diarize(clip);
    expectOrderedAndExclusive(segments);
    EXPECT_GE(speakers(segments).size(), 1u);
    EXPECT_LE(segments.back().endSeconds, 30.01f);
}

TEST_F(VoxmarkEngineTest, CancellationStopsARun) {
    const SyntheticConversation* conversation = SyntheticConversation::shared();
    if (!conversation)
        GTEST_SKIP() << "espeak-ng is not installed";
    const AudioSamples once =
        AudioFileLoader::load(conversation->path, AudioFileLoader::ChannelMode::summed, 0, std::nullopt);
    std::stop_source source;
    source.request_stop();
    EXPECT_THROW(diarize(once, source.get_token()), CancelledError);

    // Half an hour of talk takes far longer than the moment before the stop request.
    AudioSamples recording;
    for (int i = 0; i < 10; ++i)
        recording.append(once);
    std::stop_source later;
    std::jthread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        later.request_stop();
    });
    EXPECT_THROW(diarize(recording, later.get_token()), CancelledError);
}

TEST_F(VoxmarkEngineTest, DamagedParametersFailCreation) {
    FixtureFiles::write(QDir(m_models.path()).filePath(QStringLiteral("voxmark-parameters.json")), "[1, 2");
    VoxmarkConfiguration configuration;
    configuration.downloadBase = m_models.path();
    EXPECT_THROW(VoxmarkEngine{configuration}, TallybrookError);
}

} // namespace
