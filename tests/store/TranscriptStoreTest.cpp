#include "StoreFixtures.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"
#include "platform/FileAccess.h"
#include "support/FixtureFiles.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString transcriptsFile(const QString& root, const QString& name) {
    return QDir(root).filePath(QStringLiteral("Transcripts/") + name);
}

} // namespace

TEST_F(StoreTest, NamesCurrentFilesAfterSanitizedFolderNameAndRecordingID) {
    const MeetingRecording meeting = recording(QStringLiteral("/a/Q1: plan"), QStringLiteral("Q1: plan/b"));
    const QString name = QFileInfo(m_store.transcriptURL(meeting)).fileName();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Q1- plan-b-[0-9a-f]{12}\\.tallybrook\\.json$"))
                    .match(name)
                    .hasMatch())
        << qPrintable(name);
    EXPECT_EQ(name.mid(11, 12), meeting.recordingID().left(12));
    const MeetingRecording twin =
        recording(QStringLiteral("/elsewhere/Q1: plan"), QStringLiteral("Q1: plan/b"));
    EXPECT_NE(m_store.transcriptURL(twin), m_store.transcriptURL(meeting));
}

TEST_F(StoreTest, FindsNothingButLeavesTheTranscriptsFolder) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/Standup"), QStringLiteral("Standup"));
    EXPECT_FALSE(m_store.savedTranscriptURL(meeting));
    EXPECT_FALSE(m_store.loadTranscript(meeting));
    EXPECT_TRUE(QFileInfo(rootFile(QStringLiteral("Transcripts"))).isDir());
}

TEST_F(StoreTest, ReadsTheOlderFileAndLeavesItInPlaceAfterTheNextSave) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/Standup"), QStringLiteral("Standup"));
    const TranscriptDocument old = document(meeting.folderPath, QStringLiteral("old body"));
    const QString legacy = rootFile(QStringLiteral("Standup.tallybrook.json"));
    FixtureFiles::write(legacy, TranscriptStore::encode(old));

    EXPECT_EQ(m_store.savedTranscriptURL(meeting), legacy);
    EXPECT_EQ(m_store.loadTranscript(meeting), old);

    TranscriptDocument edited = old;
    edited.body = QStringLiteral("new body");
    const QString current = m_store.saveTranscript(edited, meeting);
    EXPECT_EQ(current, m_store.transcriptURL(meeting));
    EXPECT_EQ(m_store.savedTranscriptURL(meeting), current);
    EXPECT_EQ(m_store.loadTranscript(meeting), edited);
    EXPECT_EQ(TranscriptStore::decode(FileAccess::readAll(legacy)), old);
}

TEST_F(StoreTest, SavesPrettySortedWholeSecondJson) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/Ünïcode"), QStringLiteral("Ünïcode"));
    TranscriptDocument saved =
        document(meeting.folderPath, QStringLiteral("[00:05] Speaker 1\nHallo \"Welt\""));
    saved.updatedAt = at(9, 26, 53).addMSecs(780);
    const QByteArray bytes = FileAccess::readAll(m_store.saveTranscript(saved, meeting));
    EXPECT_TRUE(bytes.contains("\n    \"body\": "));
    EXPECT_TRUE(bytes.contains("\"updatedAt\": \"2025-03-14T09:26:53Z\""));
    EXPECT_LT(bytes.indexOf("\"body\""), bytes.indexOf("\"title\""));
    saved.updatedAt = at(9, 26, 53);
    EXPECT_EQ(m_store.loadTranscript(meeting), saved);
}

TEST_F(StoreTest, UndecodableCurrentFileFailsToLoad) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/x"), QStringLiteral("x"));
    FixtureFiles::write(m_store.transcriptURL(meeting), "{\"title\": 3}");
    EXPECT_THROW(m_store.loadTranscript(meeting), JsonDecodingError);
}

TEST_F(StoreTest, SavesWithoutRecordingUnderTheTitleInTheRoot) {
    TranscriptDocument first = document(QStringLiteral("/m/a/b"), QStringLiteral("one"));
    first.title = QStringLiteral("Review: a/b");
    const QString location = m_store.save(first);
    EXPECT_EQ(location, rootFile(QStringLiteral("Review- a-b.tallybrook.json")));
    first.body = QStringLiteral("two");
    EXPECT_EQ(m_store.save(first), location);
    EXPECT_EQ(TranscriptStore::decode(FileAccess::readAll(location)).body, QStringLiteral("two"));
}

TEST_F(StoreTest, SavingWithoutRecordingNeverReplacesAnotherRecordingsTranscript) {
    TranscriptDocument colon = document(QStringLiteral("/m/A:B"), QStringLiteral("colon"));
    colon.title = QStringLiteral("A:B");
    TranscriptDocument slash = document(QStringLiteral("/n/A-B"), QStringLiteral("slash"));
    slash.title = QStringLiteral("A/B");
    const QString colonFile = m_store.save(colon);
    const QString slashFile = m_store.save(slash);
    EXPECT_NE(slashFile, colonFile);
    EXPECT_TRUE(slashFile.endsWith(QStringLiteral("/A-B 2.tallybrook.json")));
    EXPECT_EQ(TranscriptStore::decode(FileAccess::readAll(colonFile)).body, QStringLiteral("colon"));
    EXPECT_EQ(m_store.save(slash), slashFile);
    EXPECT_EQ(m_store.indexedTranscripts().size(), 2u);
}

TEST_F(StoreTest, ListsVisibleTranscriptFilesOfTranscriptsThenRoot) {
    EXPECT_TRUE(m_store.storedTranscriptURLs().isEmpty());
    for (const char* name : {"b.tallybrook.json", ".hidden.tallybrook.json", "c.TALLYBROOK.JSON",
                             "RecordingIndex.json", "TranscriptSearchIndex.json", "notes.json"})
        FixtureFiles::write(rootFile(QString::fromUtf8(name)), "{}");
    EXPECT_EQ(m_store.storedTranscriptURLs(), QStringList{rootFile(QStringLiteral("b.tallybrook.json"))});
    EXPECT_FALSE(QFileInfo::exists(rootFile(QStringLiteral("Transcripts"))));

    FixtureFiles::write(transcriptsFile(m_root, QStringLiteral("a.tallybrook.json")), "{}");
    FixtureFiles::write(transcriptsFile(m_root, QStringLiteral("deeper/d.tallybrook.json")), "{}");
    EXPECT_EQ(m_store.storedTranscriptURLs(),
              (QStringList{transcriptsFile(m_root, QStringLiteral("a.tallybrook.json")),
                           rootFile(QStringLiteral("b.tallybrook.json"))}));
}

TEST_F(StoreTest, UsesTheDataFolderWithoutOverrideAndNothingThereWithOne) {
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tallybrook");
    QDir(dataFolder).removeRecursively();
    m_store.saveTranscript(document(QStringLiteral("/m/x"), QStringLiteral("b")),
                           recording(QStringLiteral("/m/x"), QStringLiteral("x")));
    EXPECT_FALSE(QFileInfo::exists(dataFolder));
    EXPECT_EQ(TranscriptStore().storageDirectory(), dataFolder);
    EXPECT_TRUE(QFileInfo(dataFolder).isDir());
}

TEST_F(StoreTest, StorageRootThatCannotBeCreatedFailsEveryOperation) {
    FixtureFiles::write(m_folder.filePath(QStringLiteral("file")), "x");
    const TranscriptStore blocked(m_folder.filePath(QStringLiteral("file/root")));
    const MeetingRecording meeting = recording(QStringLiteral("/m/x"), QStringLiteral("x"));
    EXPECT_THROW(blocked.storageDirectory(), PlatformError);
    EXPECT_THROW(blocked.saveTranscript(document(meeting.folderPath, QStringLiteral("b")), meeting),
                 PlatformError);
    EXPECT_THROW(blocked.indexedTranscripts(), PlatformError);
    EXPECT_THROW(blocked.upsertRecordingIndexEntry(meeting, RecordingStatus::inProgress, std::nullopt),
                 PlatformError);
}

TEST_F(StoreTest, RecordingIndexEntryKeepsImportedAtAndReplacesTheDetail) {
    MeetingRecording meeting = recording(QStringLiteral("/m/x"), QStringLiteral("x"));
    m_store.upsertRecordingIndexEntry(meeting, RecordingStatus::needsAttention,
                                      QStringLiteral("Transcription failed."));
    const RecordingIndexEntry first = m_store.loadRecordingIndex().entries.at(meeting.recordingID());
    EXPECT_EQ(first.importedAt, meeting.importedAt);
    EXPECT_EQ(first.statusDetail, QStringLiteral("Transcription failed."));

    meeting.importedAt = at(23, 0);
    m_store.upsertRecordingIndexEntry(meeting, RecordingStatus::transcriptSaved, std::nullopt);
    const RecordingIndexEntry second = m_store.loadRecordingIndex().entries.at(meeting.recordingID());
    EXPECT_EQ(second.importedAt, first.importedAt);
    EXPECT_GE(second.updatedAt, first.updatedAt);
    EXPECT_EQ(second.status, RecordingStatus::transcriptSaved);
    EXPECT_FALSE(second.statusDetail);
    const QByteArray bytes = FileAccess::readAll(m_store.recordingIndexURL());
    EXPECT_TRUE(bytes.contains("\"status\": \"transcriptSaved\""));
    EXPECT_FALSE(bytes.contains("statusDetail"));
}

TEST_F(StoreTest, RecordingIndexEntryWithoutVersionIsRewrittenWithOne) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/x"), QStringLiteral("x"));
    const QString id = meeting.recordingID();
    FixtureFiles::write(
        m_store.recordingIndexURL(),
        QStringLiteral(R"({"%1": {"recordingID": "%1", "folderPath": "/m/x", "folderName": "x",
        "importedAt": "2024-01-01T00:00:00Z", "updatedAt": "2024-01-01T00:00:00Z", "status": "inProgress"}})")
            .arg(id)
            .toUtf8());
    EXPECT_EQ(m_store.loadRecordingIndex().entries.at(id).schemaVersion, 0);
    m_store.upsertRecordingIndexEntry(meeting, RecordingStatus::needsAttention,
                                      QStringLiteral("The previous transcription was interrupted."));
    const RecordingIndexEntry entry = m_store.loadRecordingIndex().entries.at(id);
    EXPECT_EQ(entry.schemaVersion, 1);
    EXPECT_EQ(entry.importedAt, QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC));
}

TEST_F(StoreTest, UndecodableRecordingIndexIsNeverOverwritten) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/x"), QStringLiteral("x"));
    for (const QByteArray& content :
         {QByteArray("{not json"),
          QByteArray(R"({"x": {"recordingID": "x", "folderPath": "/", "folderName": "x",
            "importedAt": "2024-01-01T00:00:00Z", "updatedAt": "2024-01-01T00:00:00Z", "status": "done"}})")}) {
        FixtureFiles::write(m_store.recordingIndexURL(), content);
        EXPECT_THROW(m_store.loadRecordingIndex(), JsonDecodingError);
        EXPECT_THROW(m_store.upsertRecordingIndexEntry(meeting, RecordingStatus::inProgress, std::nullopt),
                     JsonDecodingError);
        EXPECT_EQ(FileAccess::readAll(m_store.recordingIndexURL()), content);
    }
}
