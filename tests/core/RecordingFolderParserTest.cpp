#include "services/RecordingFolderParser.h"
#include "services/RecordingFolderParserError.h"
#include "support/FixtureFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <utime.h>

namespace {

using K = RecordingAssetKind;

class RecordingFolderParserTest : public ::testing::Test {
protected:
    QString path(const QString& relative) const { return QDir(m_root.path()).filePath(relative); }
    void file(const QString& relative, const QByteArray& bytes = "x") const {
        FixtureFiles::write(path(relative), bytes);
    }
    void folder(const QString& relative) const { QDir().mkpath(path(relative)); }

    void setModified(const QString& relative, time_t seconds) const {
        const utimbuf times{seconds, seconds};
        utime(QFile::encodeName(path(relative)).constData(), &times);
    }

    std::vector<MeetingRecording> parse(const QString& relative = {}) const {
        return RecordingFolderParser().recordings(relative.isEmpty() ? m_root.path() : path(relative));
    }

    static std::map<QString, K> kindsByName(const MeetingRecording& recording) {
        std::map<QString, K> kinds;
        for (const RecordingAsset& asset : recording.assets)
            kinds[asset.fileName] = asset.kind;
        return kinds;
    }

    static RecordingFolderParserError::Case failure(const std::function<void()>& call) {
        try {
            call();
        } catch (const RecordingFolderParserError& error) {
            return error.errorCase();
        }
        ADD_FAILURE() << "no parser error";
        return RecordingFolderParserError::Case::unreadableFolder;
    }

    QTemporaryDir m_root;
};

} // namespace

TEST_F(RecordingFolderParserTest, ClassifiesByExtensionNameAndMarker) {
    const QString root = QStringLiteral("/r");
    const struct {
        const char* path;
        K kind;
    } cases[] = {
        {"/r/zoom_0.MP4", K::video},
        {"/r/a.mov", K::video},
        {"/r/audio_only.m4a", K::audio},
        {"/r/x.AAC", K::audio},
        {"/r/Audio Record/Jane_1.m4a", K::participantAudio},
        {"/r/audio record.m4a", K::participantAudio},
        {"/r/Meeting notes.txt", K::chatText},
        {"/r/CHAT.TXT", K::chatText},
        {"/r/notes.txt", K::transcript},
        {"/r/c.srt", K::captions},
        {"/r/c.vtt", K::captions},
        {"/r/README", K::unknown},
        {"/r/a.flac", K::unknown},
        {"/r/Audio Record/notes.pdf", K::unknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordingFolderParser::classify(QString::fromUtf8(c.path), root), c.kind) << c.path;
}

TEST_F(RecordingFolderParserTest, OneMeetingWithSixKindsAndParticipantTracks) {
    FixtureFiles::writeWav(path(QStringLiteral("audio_only.m4a.wav")), 0.1);
    QFile::rename(path(QStringLiteral("audio_only.m4a.wav")), path(QStringLiteral("audio_only.m4a")));
    file(QStringLiteral("zoom_0.mp4"));
    file(QStringLiteral("meeting_saved_chat.txt"));
    file(QStringLiteral("closed_caption.vtt"));
    FixtureFiles::writeWav(path(QStringLiteral("Audio Record/Jane_1.wav")), 1.5);
    FixtureFiles::writeWav(path(QStringLiteral("Audio Record/John_2.wav")), 0.5);
    file(QStringLiteral(".hidden.m4a"));
    file(QStringLiteral("raw/deep.m4a"));
    file(QStringLiteral("Audio Record/.DS_Store"));

    const auto recordings = parse();
    ASSERT_EQ(recordings.size(), 1u);
    const MeetingRecording& recording = recordings.front();
    EXPECT_EQ(recording.folderPath, m_root.path());
    EXPECT_EQ(kindsByName(recording),
              (std::map<QString, K>{{QStringLiteral("audio_only.m4a"), K::audio},
                                    {QStringLiteral("closed_caption.vtt"), K::captions},
                                    {QStringLiteral("Jane_1.wav"), K::participantAudio},
                                    {QStringLiteral("John_2.wav"), K::participantAudio},
                                    {QStringLiteral("meeting_saved_chat.txt"), K::chatText},
                                    {QStringLiteral("zoom_0.mp4"), K::video}}));
    EXPECT_EQ(recording.assets.front().fileName, QStringLiteral("audio_only.m4a"));
    EXPECT_EQ(recording.transcriptionCandidates().front().path,
              path(QStringLiteral("Audio Record/Jane_1.wav")));
    EXPECT_EQ(recording.transcriptionCandidates().front().participantSpeakerName(), QStringLiteral("Jane"));
    EXPECT_NEAR(recording.transcriptionCandidates().front().durationSeconds.value_or(0), 1.5, 0.01);
}

TEST_F(RecordingFolderParserTest, MediaWithoutReadableDurationStaysAnAsset) {
    file(QStringLiteral("empty.m4a"), {});
    file(QStringLiteral("text.mp4"), "this is not a video");
    file(QStringLiteral("notes: ünïcode.txt"), "hello");
    const auto recordings = parse();
    ASSERT_EQ(recordings.size(), 1u);
    ASSERT_EQ(recordings.front().assets.size(), 3u);
    for (const RecordingAsset& asset : recordings.front().assets)
        EXPECT_FALSE(asset.durationSeconds) << qPrintable(asset.fileName);
    EXPECT_EQ(recordings.front().assets.front().byteCount, 0);
    EXPECT_EQ(recordings.front().assets.at(1).fileName, QStringLiteral("notes: ünïcode.txt"));
}

TEST_F(RecordingFolderParserTest, ReadsDurationsOnlyOfMediaFiles) {
    file(QStringLiteral("a.m4a"));
    file(QStringLiteral("chat.txt"));
    file(QStringLiteral("c.vtt"));
    QStringList read;
    const RecordingFolderParser parser([&](const QString& filePath) -> std::optional<double> {
        read << QFileInfo(filePath).fileName();
        return 3.0;
    });
    const auto recordings = parser.recordings(m_root.path());
    EXPECT_EQ(read, QStringList{QStringLiteral("a.m4a")});
    EXPECT_EQ(recordings.front().assets.front().durationSeconds, 3.0);
}

TEST_F(RecordingFolderParserTest, SubFoldersBecomeMeetingsNewestFirst) {
    file(QStringLiteral("old/a.m4a"));
    file(QStringLiteral("new/b.m4a"));
    file(QStringLiteral("middle/deeper/c.txt"));
    file(QStringLiteral("middle/top.vtt"));
    file(QStringLiteral("empty/readme.pdf"));
    setModified(QStringLiteral("old"), 1000);
    setModified(QStringLiteral("middle"), 2000);
    setModified(QStringLiteral("new"), 3000);

    const auto recordings = parse();
    QStringList names;
    for (const MeetingRecording& recording : recordings)
        names << recording.folderName;
    EXPECT_EQ(names, (QStringList{QStringLiteral("new"), QStringLiteral("middle"), QStringLiteral("old")}));
    EXPECT_EQ(recordings.front().importedAt.toSecsSinceEpoch(), 3000);
    EXPECT_NE(recordings.at(0).recordingID(), recordings.at(2).recordingID());
}

TEST_F(RecordingFolderParserTest, DirectFilesMakeOneMeetingAndSubFoldersAreIgnored) {
    file(QStringLiteral("chat.txt"));
    file(QStringLiteral("one/a.m4a"));
    file(QStringLiteral("two/b.m4a"));
    const auto recordings = parse();
    ASSERT_EQ(recordings.size(), 1u);
    ASSERT_EQ(recordings.front().assets.size(), 1u);
    EXPECT_EQ(recordings.front().assets.front().kind, K::chatText);
}

TEST_F(RecordingFolderParserTest, ChoosingTheTrackFolderItselfGivesMixedAudio) {
    file(QStringLiteral("Audio Record/Jane_1.m4a"));
    const auto recordings = parse(QStringLiteral("Audio Record"));
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(recordings.front().assets.front().kind, K::audio);
}

TEST_F(RecordingFolderParserTest, LinksAreNeitherFilesNorFolders) {
    file(QStringLiteral("a.m4a"));
    QFile::link(path(QStringLiteral("missing.m4a")), path(QStringLiteral("dangling.m4a")));
    QFile::link(path(QStringLiteral("a.m4a")), path(QStringLiteral("linked.m4a")));
    QFile::link(m_root.path(), path(QStringLiteral("Audio Record")));
    const auto recordings = parse();
    ASSERT_EQ(recordings.size(), 1u);
    ASSERT_EQ(recordings.front().assets.size(), 1u);
    EXPECT_EQ(recordings.front().assets.front().fileName, QStringLiteral("a.m4a"));
}

TEST_F(RecordingFolderParserTest, ReportsItsThreeFailures) {
    file(QStringLiteral("video.mp4"));
    EXPECT_EQ(failure([&] { parse(QStringLiteral("video.mp4")); }),
              RecordingFolderParserError::Case::notAFolder);

    folder(QStringLiteral("empty"));
    EXPECT_EQ(failure([&] { parse(QStringLiteral("empty")); }),
              RecordingFolderParserError::Case::noRecordingFiles);

    file(QStringLiteral("nested/only/two/levels/down.m4a"));
    EXPECT_EQ(failure([&] { parse(QStringLiteral("nested")); }),
              RecordingFolderParserError::Case::noRecordingFiles);

    try {
        parse(QStringLiteral("video.mp4"));
    } catch (const RecordingFolderParserError& error) {
        EXPECT_STREQ(error.what(), "Select a recording folder, not a file.");
    }
    EXPECT_EQ(RecordingFolderParserError::descriptionFor(RecordingFolderParserError::Case::noRecordingFiles),
              QStringLiteral("No supported recording files were found in that folder."));
    EXPECT_EQ(RecordingFolderParserError::descriptionFor(RecordingFolderParserError::Case::unreadableFolder),
              QStringLiteral("Tallybrook could not read that folder."));
}

TEST_F(RecordingFolderParserTest, AMissingFolderIsAFileSystemError) {
    EXPECT_THROW(parse(QStringLiteral("does-not-exist")), PlatformError);
}

TEST_F(RecordingFolderParserTest, AnUnreadableSubFolderIsPassedOver) {
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root, which reads every folder";
    file(QStringLiteral("meeting/a.m4a"));
    file(QStringLiteral("locked/b.m4a"));
    QFile::setPermissions(path(QStringLiteral("locked")), QFileDevice::Permissions{});
    const auto recordings = parse();
    QFile::setPermissions(path(QStringLiteral("locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(recordings.front().folderName, QStringLiteral("meeting"));
}
