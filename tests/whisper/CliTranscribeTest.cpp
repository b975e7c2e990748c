#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString cli() {
    return TestData::binFolder() + QStringLiteral("/tallybrook-cli");
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(CliTranscribe, TranscribesAnM4aWithTheBundledWhisperAndSavesIt) {
    TALLYBROOK_REQUIRE_SHARED_FILE(jfk, QStringLiteral("whisper/jfk.wav"));
    TALLYBROOK_REQUIRE_SHARED_FILE(model, QStringLiteral("whisper/for-tests-ggml-tiny.en.bin"));
    const QString whisper = TestData::binFolder() + QStringLiteral("/Whisper/bin/whisper-cli");
    if (!QFileInfo(whisper).isExecutable() ||
        QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        GTEST_SKIP() << "the bundled whisper-cli or the ffmpeg command line is missing";
    QTemporaryDir root;
    const QDir folder(root.path());
    const QString modelFile = folder.filePath(QStringLiteral("Models/ggml-tiny.en-q5_1.bin"));
    QDir().mkpath(QFileInfo(modelFile).absolutePath());
    ASSERT_TRUE(QFile::copy(model, modelFile));
    const QString meeting = folder.filePath(QStringLiteral("Weekly call"));
    QDir().mkpath(meeting);
    ASSERT_EQ(FixtureFiles::run(QStringLiteral("ffmpeg"),
                                {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-i"),
                                 jfk, meeting + QStringLiteral("/a.m4a")}),
              0);
    const QString storage = folder.filePath(QStringLiteral("storage"));

    QByteArray output;
    QByteArray errors;
    ASSERT_EQ(
        FixtureFiles::run(cli(),
                          {QStringLiteral("--storage"), storage, QStringLiteral("transcribe"), meeting,
                           QStringLiteral("--whisper"), whisper, QStringLiteral("--model-file"), modelFile},
                          &output, &errors),
        0)
        << errors.constData();
    const QString saved = QString::fromUtf8(output).trimmed();
    EXPECT_TRUE(saved.startsWith(storage + QStringLiteral("/Transcripts/Weekly call-"))) << qPrintable(saved);
    const QJsonObject document = QJsonDocument::fromJson(readAll(saved)).object();
    EXPECT_EQ(document.value(QStringLiteral("title")).toString(), QStringLiteral("Weekly call"));
    EXPECT_EQ(document.value(QStringLiteral("body")).toString(), QString());
    EXPECT_TRUE(readAll(storage + QStringLiteral("/RecordingIndex.json")).contains("\"transcriptSaved\""));
    EXPECT_TRUE(errors.contains("Preparing audio\nTranscribing locally\n")) << errors.constData();
}

TEST(CliTranscribe, AsksForAChoiceWhenTheFolderHoldsSeveralRecordings) {
    QTemporaryDir root;
    FixtureFiles::writeWav(root.filePath(QStringLiteral("one/a.wav")), 0.2);
    FixtureFiles::writeWav(root.filePath(QStringLiteral("two/b.wav")), 0.2);
    QByteArray output;
    QByteArray errors;
    EXPECT_NE(FixtureFiles::run(cli(),
                                {QStringLiteral("transcribe"), root.path(), QStringLiteral("--whisper"),
                                 root.filePath(QStringLiteral("whisper-cli")), QStringLiteral("--model-file"),
                                 root.filePath(QStringLiteral("model.bin"))},
                                &output, &errors),
              0);
    EXPECT_TRUE(errors.contains("holds 2 recordings. Use --all")) << errors.constData();
    EXPECT_TRUE(output.isEmpty());
}
