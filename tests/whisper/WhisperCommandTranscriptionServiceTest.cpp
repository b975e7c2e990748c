#include "StandInPrograms.h"

#include "models/CancelledError.h"
#include "models/JsonDecodingError.h"
#include "services/TranscriptionError.h"
#include "services/WhisperCommandTranscriptionService.h"
#include "support/FixtureFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

// A service on stand-in programs in a scratch folder: Whisper in <scratch>/Whisper/bin, the
// converter in <scratch>, the recording's files in <scratch>/meeting.
class StandInServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        whisper.setResult(whisperJson({{0, 4000, QStringLiteral("Good morning.")},
                                       {4000, 6000, QStringLiteral("Hi.")},
                                       {6000, 9000, QStringLiteral("Let us start.")}},
                                      QStringLiteral(R"("result":{"language":"en"})")));
        converter = writeStandInConverter(scratch.path(), 0);
    }

    QString path(const QString& relative) const { return QDir(scratch.path()).filePath(relative); }

    WhisperCommandConfiguration configuration() const {
        return {whisper.program(), path(QStringLiteral("Models/../Models/ggml-tiny.en-q5_1.bin")),
                path(QStringLiteral("Whisper/lib")), path(QStringLiteral("Whisper/libexec")),
                WhisperModel::fastEnglish};
    }

    WhisperCommandTranscriptionService
    service(TranscriptionLanguage language = TranscriptionLanguage::english,
            WhisperModel model = WhisperModel::fastEnglish) {
        return {configuration(), language, model, diarization, converter};
    }

    // Runs the service and records its progress messages.
    TranscriptDocument transcribe(const MeetingRecording& recording, std::stop_token stopToken = {}) {
        auto transcriber = service();
        return transcriber.transcribe(
            recording, [this](const TranscriptionProgress& step) { messages << step.message; }, stopToken);
    }

    MeetingRecording single(const QString& fileName, RecordingAssetKind kind = RecordingAssetKind::audio) {
        const QString folder = path(QStringLiteral("meeting"));
        return recordingOf(folder, {asset(QDir(folder).filePath(fileName), kind)});
    }

    QTemporaryDir scratch;
    StandInWhisper whisper{path(QStringLiteral("Whisper"))};
    QString converter;
    std::shared_ptr<FakeDiarization> diarization =
        std::make_shared<FakeDiarization>([](const QString&, std::stop_token) {
            return std::vector<DiarizedSpeakerSegment>{{1, 0, 4.5}, {2, 4.5, 10}};
        });
    QStringList messages;
};

} // namespace

TEST_F(StandInServiceTest, RunsWhisperWithTheTenArgumentsAndLabelsSpeakers) {
    const MeetingRecording recording = single(QStringLiteral("call.mp3"));
    const QStringList before = temporaryFolderEntries();
    const TranscriptDocument document = transcribe(recording);

    const QStringList arguments = whisper.arguments();
    ASSERT_EQ(arguments.size(), 10);
    EXPECT_EQ(arguments.mid(0, 8),
              (QStringList{QStringLiteral("-m"), path(QStringLiteral("Models/ggml-tiny.en-q5_1.bin")),
                           QStringLiteral("-f"), recording.assets[0].path, QStringLiteral("-l"),
                           QStringLiteral("en"), QStringLiteral("-ng"), QStringLiteral("-oj")}));
    EXPECT_EQ(arguments[8], QStringLiteral("-of"));
    EXPECT_EQ(QFileInfo(arguments[9]).absolutePath(), QDir::tempPath());
    EXPECT_EQ(QFileInfo(arguments[9]).fileName().size(), 36);
    EXPECT_TRUE(standInConverterArguments(scratch.path()).isEmpty()) << "an MP3 file is read directly";
    EXPECT_EQ(diarization->audioPaths, std::vector<QString>{recording.assets[0].path});
    EXPECT_TRUE(QFileInfo::exists(recording.assets[0].path));
    EXPECT_EQ(temporaryFolderEntries(), before);

    EXPECT_EQ(document.body,
              QStringLiteral("[00:00] Speaker 1\nGood morning.\n\n[00:04] Speaker 2\nHi. Let us start."));
    EXPECT_EQ(messages,
              (QStringList{QStringLiteral("Preparing audio"), QStringLiteral("Transcribing locally"),
                           QStringLiteral("Preparing speaker identification")}));
    EXPECT_EQ(document.schemaVersion, 2);
    EXPECT_EQ(document.title, QStringLiteral("meeting"));
    EXPECT_EQ(document.recordingFolderPath, recording.folderPath);
    EXPECT_EQ(document.createdAt, document.updatedAt);
    EXPECT_TRUE(document.speakerNames.empty());
    const TranscriptMetadata expected{TranscriptionLanguage::english, QStringLiteral("en"),
                                      QStringLiteral("transcribe"), WhisperModel::fastEnglish};
    EXPECT_EQ(document.transcriptionMetadata, expected);
}

TEST_F(StandInServiceTest, BuildsTheEnvironmentFromOursWithTheLibraryFolderFirst) {
    const QByteArray variable = "LD_LIBRARY_PATH";
    const QByteArray saved = qgetenv(variable);
    qputenv(variable, "/opt/A");
    qputenv("GGML_BACKEND_PATH", "/somewhere/libggml-cpu.so");
    transcribe(single(QStringLiteral("call.wav")));
    qputenv(variable, saved);
    qunsetenv("GGML_BACKEND_PATH");

    EXPECT_EQ(whisper.variable(QString::fromLatin1(variable)),
              path(QStringLiteral("Whisper/lib")) + QStringLiteral(":/opt/A"));
    EXPECT_EQ(whisper.variable(QStringLiteral("GGML_BACKEND_DIR")), path(QStringLiteral("Whisper/libexec")));
    EXPECT_EQ(whisper.variable(QStringLiteral("GGML_BACKEND_PATH")), std::nullopt);
    EXPECT_EQ(whisper.variable(QStringLiteral("HOME")), QDir::homePath());

    // An empty previous value would add an empty entry, which the loader reads as the current folder.
    qputenv(variable, "");
    transcribe(single(QStringLiteral("call.wav")));
    qputenv(variable, saved);
    EXPECT_EQ(whisper.variable(QString::fromLatin1(variable)), path(QStringLiteral("Whisper/lib")));
}

TEST_F(StandInServiceTest, ConvertsOtherFormatsToATemporaryWavThatIsRemoved) {
    const QStringList before = temporaryFolderEntries();
    for (const auto& [file, kind, message] : std::vector<std::tuple<QString, RecordingAssetKind, QString>>{
             {QStringLiteral("call.M4A"), RecordingAssetKind::audio, QStringLiteral("Preparing audio")},
             {QStringLiteral("zoom.mp4"), RecordingAssetKind::video,
              QStringLiteral("Extracting audio from video")}}) {
        messages.clear();
        const MeetingRecording recording = single(file, kind);
        transcribe(recording);
        const QStringList converted = standInConverterArguments(scratch.path());
        ASSERT_EQ(converted.size(), 6);
        EXPECT_EQ(converted.mid(0, 5),
                  (QStringList{QStringLiteral("-f"), QStringLiteral("WAVE"), QStringLiteral("-d"),
                               QStringLiteral("LEI16@16000"), recording.assets[0].path}));
        EXPECT_TRUE(converted[5].endsWith(QStringLiteral(".wav")));
        EXPECT_EQ(whisper.arguments().value(3), converted[5]);
        EXPECT_EQ(diarization->audioPaths.back(), converted[5]);
        EXPECT_EQ(messages.value(0), message);
        EXPECT_TRUE(QFileInfo::exists(recording.assets[0].path));
    }
    EXPECT_EQ(temporaryFolderEntries(), before);
}

TEST_F(StandInServiceTest, FailedProgramsEndInTheirErrorAndLeaveNoTemporaryFile) {
    struct Case {
        const char* name;
        int converterStatus;
        StandInWhisper::Ending ending;
        int whisperStatus;
        TranscriptionError expected;
    };
    const std::vector<Case> cases = {
        {"converter fails", 7, StandInWhisper::Ending::exit, 0, TranscriptionError::audioConversionFailed(7)},
        {"whisper exits 1", 0, StandInWhisper::Ending::exit, 1, TranscriptionError::commandFailed(1)},
        {"whisper crashes", 0, StandInWhisper::Ending::crash, 0, TranscriptionError::commandFailed(128 + 11)},
    };
    const QStringList before = temporaryFolderEntries();
    for (const Case& c : cases) {
        converter = writeStandInConverter(scratch.path(), c.converterStatus);
        whisper.setEnding(c.ending, c.whisperStatus);
        try {
            transcribe(single(QStringLiteral("call.m4a")));
            ADD_FAILURE() << c.name;
        } catch (const TranscriptionError& error) {
            EXPECT_EQ(error, c.expected) << c.name;
        }
        EXPECT_EQ(temporaryFolderEntries(), before) << c.name;
    }
    EXPECT_EQ(TranscriptionError::commandFailed(1).description(),
              QStringLiteral("Local Whisper command failed with exit code 1."));
}

TEST_F(StandInServiceTest, MissingOrMalformedJsonIsPassedOn) {
    const QStringList before = temporaryFolderEntries();
    whisper.setResult(R"({"transcription":[{"offsets":{"from":0,"to":1)");
    EXPECT_THROW(transcribe(single(QStringLiteral("call.m4a"))), JsonDecodingError);
    QFile::remove(path(QStringLiteral("Whisper/bin/result.json")));
    EXPECT_THROW(transcribe(single(QStringLiteral("call.m4a"))), PlatformError);
    EXPECT_EQ(temporaryFolderEntries(), before);
}

TEST_F(StandInServiceTest, AMissingOrNonExecutableProgramFailsToLaunch) {
    const QStringList before = temporaryFolderEntries();
    for (const QString& program :
         {path(QStringLiteral("nowhere/whisper-cli")), path(QStringLiteral("plain"))}) {
        FixtureFiles::write(path(QStringLiteral("plain")), "#!/bin/sh\n");
        WhisperCommandConfiguration broken = configuration();
        broken.executablePath = program;
        WhisperCommandTranscriptionService transcriber(broken, TranscriptionLanguage::english,
                                                       WhisperModel::fastEnglish, diarization, converter);
        EXPECT_THROW(transcriber.transcribe(single(QStringLiteral("call.m4a")), [](const auto&) {}, {}),
                     PlatformError);
    }
    EXPECT_EQ(temporaryFolderEntries(), before);
}

TEST_F(StandInServiceTest, CancellingStopsWhisperAndRemovesTemporaryFiles) {
    whisper.setEnding(StandInWhisper::Ending::waitForTerminate);
    const QStringList before = temporaryFolderEntries();
    std::stop_source source;
    std::thread canceller([&] {
        while (!whisper.hasStarted())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        source.request_stop();
    });
    EXPECT_THROW(transcribe(single(QStringLiteral("call.m4a")), source.get_token()), CancelledError);
    canceller.join();
    EXPECT_TRUE(whisper.wasTerminated());
    EXPECT_TRUE(diarization->audioPaths.empty());
    EXPECT_EQ(temporaryFolderEntries(), before);
}

TEST_F(StandInServiceTest, SpeakerIdentificationFailureFallsBackToSpeakerOne) {
    diarization = std::make_shared<FakeDiarization>(
        [](const QString&, std::stop_token) -> std::vector<DiarizedSpeakerSegment> {
            throw std::runtime_error("no");
        });
    const TranscriptDocument document = transcribe(single(QStringLiteral("call.wav")));
    EXPECT_EQ(document.body, QStringLiteral("[00:00] Speaker 1\nGood morning. Hi. Let us start."));
    EXPECT_EQ(messages.last(), QStringLiteral("Speaker identification unavailable"));

    diarization = std::make_shared<FakeDiarization>(
        [](const QString&, std::stop_token) -> std::vector<DiarizedSpeakerSegment> {
            throw CancelledError();
        });
    const QStringList before = temporaryFolderEntries();
    EXPECT_THROW(transcribe(single(QStringLiteral("call.m4a"))), CancelledError);
    EXPECT_EQ(temporaryFolderEntries(), before);
}

TEST_F(StandInServiceTest, ChecksModelAndSourcesBeforeRunningAnything) {
    auto english = service(TranscriptionLanguage::chinese, WhisperModel::fastEnglish);
    EXPECT_THROW(
        try {
            english.transcribe(recordingOf(path(QStringLiteral("none")), {}), [](const auto&) {}, {});
        } catch (const TranscriptionError& error) {
            EXPECT_EQ(error, TranscriptionError::incompatibleModel());
            throw;
        },
        TranscriptionError);
    try {
        transcribe(recordingOf(path(QStringLiteral("none")), {}));
        ADD_FAILURE();
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::noAudioSource());
    }
    EXPECT_TRUE(whisper.arguments().isEmpty());
}

TEST_F(StandInServiceTest, TakesTheLongestCandidateDuration) {
    const QString folder = path(QStringLiteral("meeting"));
    const auto durationOf = [&](std::optional<double> first, std::optional<double> second) {
        return transcribe(
                   recordingOf(folder,
                               {asset(folder + QStringLiteral("/a.wav"), RecordingAssetKind::audio, first),
                                asset(folder + QStringLiteral("/b.wav"), RecordingAssetKind::audio, second)}))
            .audioDurationSeconds;
    };
    EXPECT_EQ(durationOf(120.5, 118), 120.5);
    EXPECT_EQ(durationOf(std::nullopt, 118), 118);
    EXPECT_EQ(durationOf(std::nullopt, std::nullopt), std::nullopt);
}

TEST_F(StandInServiceTest, TranscribesEachParticipantTrackAndMergesThem) {
    const QString folder = path(QStringLiteral("meeting"));
    const MeetingRecording recording = recordingOf(
        folder,
        {asset(folder + QStringLiteral("/Audio Record/Jane Doe_1.m4a"), RecordingAssetKind::participantAudio),
         asset(folder + QStringLiteral("/Audio Record/John_2.wav"), RecordingAssetKind::participantAudio),
         asset(folder + QStringLiteral("/Audio Record/_3.wav"), RecordingAssetKind::participantAudio)});
    const QStringList before = temporaryFolderEntries();
    const TranscriptDocument document = transcribe(recording);
    EXPECT_TRUE(diarization->audioPaths.empty());
    EXPECT_EQ(messages, (QStringList{QStringLiteral("Transcribing participant 1 of 3"),
                                     QStringLiteral("Transcribing locally"),
                                     QStringLiteral("Transcribing participant 2 of 3"),
                                     QStringLiteral("Transcribing locally"),
                                     QStringLiteral("Transcribing participant 3 of 3"),
                                     QStringLiteral("Transcribing locally")}));
    // Natural order puts the unnamed track first, so it is labelled by its position, 1.
    EXPECT_TRUE(document.body.startsWith(
        QStringLiteral("[00:00] Speaker 1\nGood morning.\n\n[00:00] Jane Doe\nGood "
                       "morning.\n\n[00:00] John\nGood morning.\n\n[00:04] Speaker 1\nHi.")))
        << qPrintable(document.body);
    EXPECT_EQ(document.transcriptionMetadata->detectedLanguage, QStringLiteral("en"));
    EXPECT_EQ(temporaryFolderEntries(), before);
}

TEST_F(StandInServiceTest, ParticipantTracksAgreeOnLanguageAndTaskOrReportNone) {
    struct Case {
        const char* name;
        QString firstExtra;
        QString secondExtra;
        std::optional<QString> language;
        QString task;
    };
    const std::vector<Case> cases = {
        {"one reports en", QStringLiteral(R"("result":{"language":"en"})"), QString(), QStringLiteral("en"),
         QStringLiteral("transcribe")},
        {"en and zh", QStringLiteral(R"("result":{"language":"en"})"),
         QStringLiteral(R"("result":{"language":"zh"})"), std::nullopt, QStringLiteral("transcribe")},
        {"both translate", QStringLiteral(R"("params":{"translate":true})"),
         QStringLiteral(R"("params":{"translate":true})"), std::nullopt, QStringLiteral("translate")},
        {"mixed tasks", QStringLiteral(R"("params":{"translate":true})"), QString(), std::nullopt,
         QStringLiteral("transcribe")},
    };
    const QString folder = path(QStringLiteral("meeting"));
    const MeetingRecording recording = recordingOf(
        folder,
        {asset(folder + QStringLiteral("/Audio Record/Ann_1.wav"), RecordingAssetKind::participantAudio),
         asset(folder + QStringLiteral("/Audio Record/Bob_2.wav"), RecordingAssetKind::participantAudio)});
    for (const Case& c : cases) {
        whisper.setResult(whisperJson({{0, 1000, QStringLiteral("a")}}, c.firstExtra),
                          QStringLiteral("Ann_1.wav"));
        whisper.setResult(whisperJson({{500, 1000, QStringLiteral("b")}}, c.secondExtra),
                          QStringLiteral("Bob_2.wav"));
        const TranscriptDocument document = transcribe(recording);
        EXPECT_EQ(document.transcriptionMetadata->detectedLanguage, c.language) << c.name;
        EXPECT_EQ(document.transcriptionMetadata->transcriptionTask, c.task) << c.name;
        EXPECT_EQ(document.body, QStringLiteral("[00:00] Ann\na\n\n[00:01] Bob\nb")) << c.name;
    }
}

TEST_F(StandInServiceTest, AFailingTrackEndsTheWholeRun) {
    const QString folder = path(QStringLiteral("meeting"));
    whisper.setResult("{", QStringLiteral("Bob_2.wav"));
    const QStringList before = temporaryFolderEntries();
    EXPECT_THROW(transcribe(recordingOf(folder, {asset(folder + QStringLiteral("/Audio Record/Ann_1.m4a"),
                                                       RecordingAssetKind::participantAudio),
                                                 asset(folder + QStringLiteral("/Audio Record/Bob_2.wav"),
                                                       RecordingAssetKind::participantAudio)})),
                 JsonDecodingError);
    EXPECT_EQ(temporaryFolderEntries(), before);
}
