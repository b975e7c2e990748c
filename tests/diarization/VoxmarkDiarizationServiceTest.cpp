#include "services/VoxmarkDiarizationService.h"
#include "diarization/ParameterFile.h"
#include "models/CancelledError.h"
#include "models/TallybrookError.h"
#include "support/FixtureFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

AudioSamples fakeLoad(const QString&, std::optional<double>, std::stop_token) {
    return AudioSamples(std::vector<std::int16_t>(16000, 0));
}

struct EngineScript {
    std::vector<std::function<std::vector<VoxmarkSegment>(const QString& folder)>> runs;
    int calls = 0;

    VoxmarkDiarizationService::EngineRun engine() {
        return [this](const AudioSamples&, const QString& folder, std::stop_token) {
            EXPECT_TRUE(QDir(folder).exists()) << "the model folder exists before every run";
            return runs.at(static_cast<std::size_t>(calls++))(folder);
        };
    }
};

std::vector<VoxmarkSegment> failWithMarker(const QString& folder) {
    FixtureFiles::write(QDir(folder).filePath(QStringLiteral("damaged.bin")), "x");
    throw TallybrookError(QStringLiteral("The model is damaged."));
}

class VoxmarkDiarizationServiceTest : public ::testing::Test {
protected:
    void TearDown() override { QDir(VoxmarkDiarizationService::modelFolder()).removeRecursively(); }
};

TEST_F(VoxmarkDiarizationServiceTest, ModelFolderLiesInTheApplicationFolder) {
    EXPECT_TRUE(
        VoxmarkDiarizationService::modelFolder().endsWith(QStringLiteral("/Tallybrook/VoxmarkModels")));
    EXPECT_TRUE(VoxmarkDiarizationService::modelFolder().startsWith(
        QDir::tempPath().section(QLatin1Char('/'), 0, -2)))
        << "tests keep to their temporary home";
}

TEST_F(VoxmarkDiarizationServiceTest, SpeakersAreNumberedFromOneAndUnassignedSegmentsDropped) {
    EngineScript script;
    script.runs.push_back([](const QString&) {
        return std::vector<VoxmarkSegment>{{0.0f, 1.5f, 1}, {1.5f, 2.0f, std::nullopt}, {2.0f, 3.25f, 0}};
    });
    VoxmarkDiarizationService service(fakeLoad, script.engine());
    const std::vector<DiarizedSpeakerSegment> expected{{2, 0.0, 1.5}, {1, 2.0, 3.25}};
    EXPECT_EQ(service.diarize(QStringLiteral("a.wav"), std::nullopt, {}), expected);
    EXPECT_EQ(script.calls, 1);
}

TEST_F(VoxmarkDiarizationServiceTest, FailedRunDeletesTheFolderAndRunsOnceMore) {
    EngineScript script;
    script.runs.push_back(failWithMarker);
    script.runs.push_back([](const QString& folder) {
        EXPECT_FALSE(QFile::exists(QDir(folder).filePath(QStringLiteral("damaged.bin"))));
        return std::vector<VoxmarkSegment>{{0.0f, 1.0f, 0}};
    });
    VoxmarkDiarizationService service(fakeLoad, script.engine());
    EXPECT_EQ(service.diarize(QStringLiteral("a.wav"), std::nullopt, {}),
              (std::vector<DiarizedSpeakerSegment>{{1, 0.0, 1.0}}));
    EXPECT_EQ(script.calls, 2);
}

TEST_F(VoxmarkDiarizationServiceTest, SecondFailureIsTheResultWithoutAThirdRun) {
    EngineScript script;
    script.runs.push_back(failWithMarker);
    script.runs.push_back([](const QString&) -> std::vector<VoxmarkSegment> {
        throw TallybrookError(QStringLiteral("Second failure."));
    });
    VoxmarkDiarizationService service(fakeLoad, script.engine());
    try {
        service.diarize(QStringLiteral("a.wav"), std::nullopt, {});
        ADD_FAILURE() << "no error";
    } catch (const TallybrookError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("Second failure."));
    }
    EXPECT_EQ(script.calls, 2);
}

TEST_F(VoxmarkDiarizationServiceTest, CancellationIsPassedOnWithoutRecovery) {
    EngineScript script;
    script.runs.push_back([](const QString& folder) -> std::vector<VoxmarkSegment> {
        FixtureFiles::write(QDir(folder).filePath(QStringLiteral("kept.bin")), "x");
        throw CancelledError();
    });
    VoxmarkDiarizationService service(fakeLoad, script.engine());
    EXPECT_THROW(service.diarize(QStringLiteral("a.wav"), std::nullopt, {}), CancelledError);
    EXPECT_EQ(script.calls, 1);
    EXPECT_TRUE(
        QFile::exists(QDir(VoxmarkDiarizationService::modelFolder()).filePath(QStringLiteral("kept.bin"))));
}

TEST_F(VoxmarkDiarizationServiceTest, LoaderFailureComesBeforeTheFolderIsTouched) {
    QTemporaryDir folder;
    const QString notAudio = folder.filePath(QStringLiteral("notes.txt"));
    FixtureFiles::write(notAudio, "plain words");
    EngineScript script;
    VoxmarkDiarizationService service(VoxmarkDiarizationService::loadSamples, script.engine());
    EXPECT_THROW(service.diarize(notAudio, std::nullopt, {}), PlatformError);
    EXPECT_EQ(script.calls, 0);
    EXPECT_FALSE(QDir(VoxmarkDiarizationService::modelFolder()).exists());
}

TEST_F(VoxmarkDiarizationServiceTest, DamagedParameterFileIsReplacedByTheRealEngine) {
    const QString models = VoxmarkDiarizationService::modelFolder();
    FixtureFiles::write(ParameterFile::path(models), "{ damaged");
    int engineRuns = 0;
    VoxmarkDiarizationService service(
        fakeLoad, [&](const AudioSamples& samples, const QString& folder, std::stop_token token) {
            ++engineRuns;
            return VoxmarkDiarizationService::runEngine(samples, folder, token);
        });
    EXPECT_TRUE(service.diarize(QStringLiteral("silence.wav"), std::nullopt, {}).empty());
    EXPECT_EQ(engineRuns, 2);
    EXPECT_NO_THROW(ParameterFile::load(models, false));
}

} // namespace
