#include "diarization/AudioFileLoader.h"
#include "WavFiles.h"
#include "models/CancelledError.h"
#include "models/TallybrookError.h"
#include "support/FixtureFiles.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

double rms(const AudioSamples& samples, std::size_t from = 0) {
    double sum = 0;
    for (std::size_t i = from; i < samples.size(); ++i)
        sum += static_cast<double>(samples.at(i)) * samples.at(i);
    return std::sqrt(sum / static_cast<double>(samples.size() - from));
}

std::vector<float> tone(double seconds, int sampleRate, float amplitude, double hz = 440) {
    std::vector<float> values;
    for (int i = 0; i < static_cast<int>(seconds * sampleRate); ++i)
        values.push_back(amplitude *
                         static_cast<float>(std::sin(2 * std::numbers::pi * hz * i / sampleRate)));
    return values;
}

AudioSamples load(const QString& path,
                  AudioFileLoader::ChannelMode mode = AudioFileLoader::ChannelMode::summed, double start = 0,
                  std::optional<double> end = std::nullopt) {
    return AudioFileLoader::load(path, mode, start, end);
}

class AudioFileLoaderTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return QDir(m_folder.path()).filePath(name); }

    QTemporaryDir m_folder;
};

TEST_F(AudioFileLoaderTest, StereoChannelsAreSummedOrTheFirstIsTaken) {
    // Left and right carry the same tone at 0.2 and 0.1: summed 0.3, first channel 0.2.
    std::vector<float> stereo;
    for (const float value : tone(1.0, 16000, 1.0f))
        stereo.insert(stereo.end(), {0.2f * value, 0.1f * value});
    WavFiles::writePcm16(file(QStringLiteral("stereo.wav")), stereo, 2);

    const AudioSamples summed = load(file(QStringLiteral("stereo.wav")));
    EXPECT_EQ(summed.size(), 16000u);
    EXPECT_NEAR(rms(summed), 0.3 / std::sqrt(2.0), 0.005);
    const AudioSamples first =
        load(file(QStringLiteral("stereo.wav")), AudioFileLoader::ChannelMode::firstChannel);
    EXPECT_NEAR(rms(first), 0.2 / std::sqrt(2.0), 0.005);
}

TEST_F(AudioFileLoaderTest, FloatWavAtAnotherRateIsResampledTo16kHz) {
    WavFiles::writeFloat32(file(QStringLiteral("float.wav")), tone(2.0, 48000, 0.5f), 48000);
    const AudioSamples samples = load(file(QStringLiteral("float.wav")));
    EXPECT_NEAR(static_cast<double>(samples.size()), 32000, 40);
    EXPECT_NEAR(rms(samples, 100), 0.5 / std::sqrt(2.0), 0.01);
}

TEST_F(AudioFileLoaderTest, StartAndEndCutTheStretch) {
    std::vector<float> ramp;
    for (int i = 0; i < 32000; ++i)
        ramp.push_back(static_cast<float>(i) / 40000.0f);
    WavFiles::writeFloat32(file(QStringLiteral("ramp.wav")), ramp);
    const AudioSamples samples =
        load(file(QStringLiteral("ramp.wav")), AudioFileLoader::ChannelMode::summed, 0.5, 1.5);
    ASSERT_EQ(samples.size(), 16000u);
    EXPECT_NEAR(samples.at(0), 8000.0f / 40000.0f, 1e-3);
    EXPECT_NEAR(samples.at(15999), 23999.0f / 40000.0f, 1e-3);
    EXPECT_EQ(load(file(QStringLiteral("ramp.wav")), AudioFileLoader::ChannelMode::summed, 0, 10.0).size(),
              32000u);
}

TEST_F(AudioFileLoaderTest, CompressedM4aIsDecoded) {
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        GTEST_SKIP() << "the ffmpeg command line is not installed";
    const QString path = file(QStringLiteral("tone.m4a"));
    ASSERT_EQ(FixtureFiles::run(QStringLiteral("ffmpeg"),
                                {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-f"),
                                 QStringLiteral("lavfi"), QStringLiteral("-i"),
                                 QStringLiteral("sine=frequency=300:duration=2:sample_rate=44100"), path}),
              0);
    const AudioSamples samples = load(path);
    EXPECT_NEAR(samples.seconds(), 2.0, 0.1);
    EXPECT_GT(rms(samples), 0.05);
}

TEST_F(AudioFileLoaderTest, UnreadableFilesFailWithTheirPath) {
    FixtureFiles::write(file(QStringLiteral("notes.wav")), "this is not audio at all, just words");
    for (const QString& path : {file(QStringLiteral("notes.wav")), file(QStringLiteral("missing.wav"))}) {
        try {
            load(path);
            ADD_FAILURE() << "loaded " << qPrintable(path);
        } catch (const PlatformError& error) {
            EXPECT_TRUE(error.description().contains(path)) << error.what();
        }
    }
}

TEST_F(AudioFileLoaderTest, CancelledTokenStopsTheLoad) {
    WavFiles::writePcm16(file(QStringLiteral("tone.wav")), tone(1.0, 16000, 0.5f), 1);
    std::stop_source source;
    source.request_stop();
    EXPECT_THROW(AudioFileLoader::load(file(QStringLiteral("tone.wav")), AudioFileLoader::ChannelMode::summed,
                                       0, std::nullopt, source.get_token()),
                 CancelledError);
}

} // namespace
