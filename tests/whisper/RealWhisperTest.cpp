#include "StandInPrograms.h"

#include "services/TranscriptionError.h"
#include "services/WhisperCommandTranscriptionService.h"
#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString converter() {
    return TestData::binFolder() + QStringLiteral("/tallybrook-afconvert");
}

QString bundledWhisper() {
    return TestData::binFolder() + QStringLiteral("/Whisper/bin/whisper-cli");
}

bool makeMedia(const QString& path, const QStringList& input) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return FixtureFiles::run(
               QStringLiteral("ffmpeg"),
               QStringList{QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")} +
                   input + QStringList{path}) == 0;
}

struct WavHeader {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
};

WavHeader readWavHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(44);
    if (bytes.size() < 44 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    const auto number = [&](int offset, int width) {
        int value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value * 256 + static_cast<unsigned char>(bytes[offset + i]);
        return value;
    };
    return {number(22, 2), number(24, 4), number(34, 2)};
}

// The real whisper-cli and converter on the weightless model under its catalogue name.
class RealWhisperTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(bundledWhisper()).isExecutable() || !QFileInfo(converter()).isExecutable())
            GTEST_SKIP() << "whisper-cli or tallybrook-afconvert is not built in "
                         << qPrintable(TestData::binFolder());
        jfk = TestData::sharedFile(QStringLiteral("whisper/jfk.wav"));
        const QString model = TestData::sharedFile(QStringLiteral("whisper/for-tests-ggml-tiny.en.bin"));
        if (jfk.isEmpty() || model.isEmpty())
            GTEST_SKIP() << "test data whisper/jfk.wav or whisper/for-tests-ggml-tiny.en.bin is absent "
                            "(../shared/data)";
        modelPath = QDir(scratch.path()).filePath(QStringLiteral("Models/ggml-tiny.en-q5_1.bin"));
        QDir().mkpath(QFileInfo(modelPath).absolutePath());
        ASSERT_TRUE(QFile::copy(model, modelPath));
    }

    WhisperCommandTranscriptionService service(std::shared_ptr<FakeDiarization> diarization) const {
        const QDir root(TestData::binFolder() + QStringLiteral("/Whisper"));
        return {{bundledWhisper(), modelPath, root.filePath(QStringLiteral("lib")),
                 root.filePath(QStringLiteral("libexec")), WhisperModel::fastEnglish},
                TranscriptionLanguage::english,
                WhisperModel::fastEnglish,
                std::move(diarization),
                converter()};
    }

    QTemporaryDir scratch;
    QString jfk;
    QString modelPath;
};

} // namespace

TEST_F(RealWhisperTest, TranscribesAWavAndAConvertedM4aWithoutLeavingFiles) {
    const QString folder = QDir(scratch.path()).filePath(QStringLiteral("meeting"));
    const QString m4a = folder + QStringLiteral("/call.m4a");
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        GTEST_SKIP() << "the ffmpeg command line is not installed";
    ASSERT_TRUE(makeMedia(m4a, {QStringLiteral("-i"), jfk, QStringLiteral("-c:a"), QStringLiteral("aac")}));

    for (const QString& source : {jfk, m4a}) {
        auto diarization = std::make_shared<FakeDiarization>();
        const QStringList before = temporaryFolderEntries();
        QStringList messages;
        const TranscriptDocument document =
            service(diarization)
                .transcribe(recordingOf(folder, {asset(source, RecordingAssetKind::audio, 11.0)}),
                            [&](const TranscriptionProgress& step) { messages << step.message; }, {});
        EXPECT_EQ(document.body, QString()) << "the weightless model recognises nothing";
        EXPECT_EQ(document.transcriptionMetadata->transcriptionTask, QStringLiteral("transcribe"));
        EXPECT_EQ(document.audioDurationSeconds, 11.0);
        ASSERT_EQ(diarization->audioPaths.size(), 1u);
        if (source == m4a) {
            EXPECT_NE(diarization->audioPaths[0], m4a);
            EXPECT_TRUE(diarization->audioPaths[0].endsWith(QStringLiteral(".wav")));
        }
        EXPECT_EQ(temporaryFolderEntries(), before) << qPrintable(source);
        EXPECT_TRUE(QFileInfo::exists(source));
        EXPECT_TRUE(messages.contains(QStringLiteral("Transcribing locally")));
    }
}

TEST_F(RealWhisperTest, ANonMediaSourceFailsConversionAndLeavesNothing) {
    const QString folder = QDir(scratch.path()).filePath(QStringLiteral("meeting"));
    FixtureFiles::write(folder + QStringLiteral("/notes.m4a"), "these are not sounds\n");
    const QStringList before = temporaryFolderEntries();
    try {
        service(std::make_shared<FakeDiarization>())
            .transcribe(recordingOf(folder, {asset(folder + QStringLiteral("/notes.m4a"),
                                                   RecordingAssetKind::audio)}),
                        [](const auto&) {}, {});
        ADD_FAILURE() << "a text file was transcribed";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::audioConversionFailed(1));
    }
    EXPECT_EQ(temporaryFolderEntries(), before);
}

// whisper-cli reports an unreadable audio file on standard error yet exits 0 without writing
// its result; the missing result file must still end the run in an error.
TEST_F(RealWhisperTest, AnUnreadableWavIsAFailureNotAnEmptyTranscript) {
    const QString folder = QDir(scratch.path()).filePath(QStringLiteral("meeting"));
    FixtureFiles::write(folder + QStringLiteral("/broken.wav"), "RIFF....WAVEjunk");
    const QStringList before = temporaryFolderEntries();
    EXPECT_THROW(service(std::make_shared<FakeDiarization>())
                     .transcribe(recordingOf(folder, {asset(folder + QStringLiteral("/broken.wav"),
                                                            RecordingAssetKind::audio)}),
                                 [](const auto&) {}, {}),
                 PlatformError);
    EXPECT_EQ(temporaryFolderEntries(), before);
}

TEST(Afconvert, WritesSixteenKilohertzSixteenBitWavKeepingChannels) {
    if (!QFileInfo(converter()).isExecutable())
        GTEST_SKIP() << "tallybrook-afconvert is not built";
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        GTEST_SKIP() << "the ffmpeg command line is not installed";
    QTemporaryDir folder;
    const QString stereo = folder.filePath(QStringLiteral("stereo.m4a"));
    ASSERT_TRUE(makeMedia(stereo, {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                   QStringLiteral("sine=frequency=440:duration=1:sample_rate=44100"),
                                   QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                                   QStringLiteral("aac")}));
    const QString output = folder.filePath(QStringLiteral("out.wav"));
    const QStringList fixed{QStringLiteral("-f"), QStringLiteral("WAVE"), QStringLiteral("-d"),
                            QStringLiteral("LEI16@16000")};
    ASSERT_EQ(FixtureFiles::run(converter(), fixed + QStringList{stereo, output}), 0);
    const WavHeader header = readWavHeader(output);
    EXPECT_EQ(header.channels, 2);
    EXPECT_EQ(header.sampleRate, 16000);
    EXPECT_EQ(header.bitsPerSample, 16);
    EXPECT_NEAR(static_cast<double>(QFileInfo(output).size() - 44) / (16000 * 2 * 2), 1.0, 0.05);

    QByteArray error;
    const QString text = folder.filePath(QStringLiteral("text.m4a"));
    FixtureFiles::write(text, "plain words");
    EXPECT_NE(FixtureFiles::run(converter(), fixed + QStringList{text, output}, nullptr, &error), 0);
    EXPECT_TRUE(error.contains("tallybrook-afconvert: ")) << error.constData();
    EXPECT_EQ(FixtureFiles::run(converter(), {QStringLiteral("-f"), QStringLiteral("WAVE"), stereo, output}),
              2);
}
