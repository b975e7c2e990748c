#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString cli() {
    return TestData::binFolder() + QStringLiteral("/tallybrook-cli");
}

// Real small media files made with the ffmpeg command line.
bool makeMedia(const QString& path, const QStringList& inputAndCodec) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList arguments{QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")};
    arguments << inputAndCodec << path;
    return FixtureFiles::run(QStringLiteral("ffmpeg"), arguments) == 0;
}

} // namespace

TEST(CliScan, PrintsTheSixFileMeetingWithItsIdentifier) {
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        GTEST_SKIP() << "the ffmpeg command line is not installed";
    QTemporaryDir root;
    const QDir folder(root.path());
    const QStringList tone{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("sine=frequency=300:duration=1.5")};
    ASSERT_TRUE(makeMedia(folder.filePath(QStringLiteral("audio_only.m4a")), tone));
    ASSERT_TRUE(makeMedia(folder.filePath(QStringLiteral("Audio Record/Jane_1.m4a")), tone));
    ASSERT_TRUE(makeMedia(folder.filePath(QStringLiteral("Audio Record/John_2.m4a")), tone));
    ASSERT_TRUE(makeMedia(
        folder.filePath(QStringLiteral("zoom_0.mp4")),
        tone + QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("color=c=gray:s=32x32:d=1.5"), QStringLiteral("-shortest")}));
    FixtureFiles::write(folder.filePath(QStringLiteral("meeting_saved_chat.txt")), "10:00 Jane: hi\n");
    FixtureFiles::write(folder.filePath(QStringLiteral("closed_caption.vtt")), "WEBVTT\n");

    QByteArray output;
    ASSERT_EQ(FixtureFiles::run(cli(), {QStringLiteral("scan"), root.path()}, &output), 0);
    const QJsonArray recordings = QJsonDocument::fromJson(output).array();
    ASSERT_EQ(recordings.size(), 1);
    const QJsonObject recording = recordings.at(0).toObject();

    QMap<QString, QString> kinds;
    for (const QJsonValue& asset : recording.value(QStringLiteral("assets")).toArray()) {
        const QJsonObject object = asset.toObject();
        kinds.insert(object.value(QStringLiteral("fileName")).toString(),
                     object.value(QStringLiteral("kind")).toString());
        const QString kind = object.value(QStringLiteral("kind")).toString();
        if (kind != QStringLiteral("chatText") && kind != QStringLiteral("captions")) {
            EXPECT_NEAR(object.value(QStringLiteral("durationSeconds")).toDouble(), 1.5, 0.1);
        }
        kinds.insert(object.value(QStringLiteral("fileName")).toString(), kind);
    }
    EXPECT_EQ(kinds.value(QStringLiteral("zoom_0.mp4")), QStringLiteral("video"));
    EXPECT_EQ(kinds.value(QStringLiteral("audio_only.m4a")), QStringLiteral("audio"));
    EXPECT_EQ(kinds.value(QStringLiteral("meeting_saved_chat.txt")), QStringLiteral("chatText"));
    EXPECT_EQ(kinds.value(QStringLiteral("closed_caption.vtt")), QStringLiteral("captions"));
    EXPECT_EQ(kinds.value(QStringLiteral("Jane_1.m4a")), QStringLiteral("participantAudio"));
    EXPECT_EQ(kinds.value(QStringLiteral("John_2.m4a")), QStringLiteral("participantAudio"));

    const QJsonArray candidates = recording.value(QStringLiteral("transcriptionCandidates")).toArray();
    ASSERT_EQ(candidates.size(), 2);
    const QString first = candidates.at(0).toString();
    EXPECT_EQ(first, folder.filePath(QStringLiteral("Audio Record/Jane_1.m4a")));
    EXPECT_EQ(
        recording.value(QStringLiteral("recordingID")).toString(),
        QString::fromLatin1(QCryptographicHash::hash(first.toUtf8(), QCryptographicHash::Sha256).toHex()));
}

TEST(CliScan, FailuresPrintTheirTextAndExitNonZero) {
    QTemporaryDir root;
    FixtureFiles::write(root.filePath(QStringLiteral("a.mp4")), "x");
    QDir(root.path()).mkdir(QStringLiteral("empty"));
    const struct {
        QString path;
        const char* message;
    } cases[] = {
        {root.filePath(QStringLiteral("a.mp4")), "Select a recording folder, not a file.\n"},
        {root.filePath(QStringLiteral("empty")), "No supported recording files were found in that folder.\n"},
    };
    for (const auto& c : cases) {
        QByteArray output;
        QByteArray error;
        EXPECT_NE(FixtureFiles::run(cli(), {QStringLiteral("scan"), c.path}, &output, &error), 0);
        EXPECT_EQ(error, QByteArray(c.message));
        EXPECT_TRUE(output.isEmpty());
    }
}
