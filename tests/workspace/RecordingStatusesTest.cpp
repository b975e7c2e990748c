#include "WorkspaceFixture.h"

#include "platform/FileAccess.h"

namespace {

TranscriptDocument documentFor(const MeetingRecording& recording) {
    TranscriptDocument document;
    document.recordingFolderPath = recording.folderPath;
    document.title = recording.folderName;
    document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(9, 0), Qt::UTC);
    document.updatedAt = document.createdAt;
    return document;
}

} // namespace

// What a refresh makes of each remembered entry, with and without a transcript file and
// transcription candidates; the file afterwards holds what is shown.
TEST_F(WorkspaceTest, RefreshedStatusesPreferTheFilesAndExplainTrouble) {
    const QString interrupted = QStringLiteral("The previous transcription was interrupted.");
    const QString failed = QStringLiteral("Transcription failed.");
    const QString noSource = QStringLiteral("No usable transcription source found.");
    struct Case {
        const char* name;
        bool candidates;
        bool transcriptFile;
        std::optional<RecordingStatus> stored;
        std::optional<QString> storedDetail;
        RecordingStatus expected;
        std::optional<QString> expectedDetail;
    };
    const Case cases[] = {
        {"saved", true, true, RecordingStatus::needsAttention, QStringLiteral("old"),
         RecordingStatus::transcriptSaved, std::nullopt},
        {"interrupted", true, false, RecordingStatus::inProgress, std::nullopt,
         RecordingStatus::needsAttention, interrupted},
        {"kept detail", true, false, RecordingStatus::needsAttention, QStringLiteral("Disk full"),
         RecordingStatus::needsAttention, QStringLiteral("Disk full")},
        {"failed", true, false, RecordingStatus::needsAttention, std::nullopt,
         RecordingStatus::needsAttention, failed},
        {"empty detail", false, false, RecordingStatus::needsAttention, QString(),
         RecordingStatus::needsAttention, noSource},
        {"new", true, false, std::nullopt, std::nullopt, RecordingStatus::notTranscribed, std::nullopt},
        {"new without source", false, false, std::nullopt, std::nullopt, RecordingStatus::needsAttention,
         noSource},
        {"not transcribed", true, false, RecordingStatus::notTranscribed, QStringLiteral("stale"),
         RecordingStatus::notTranscribed, std::nullopt},
    };
    std::vector<MeetingRecording> recordings;
    for (const Case& test : cases) {
        const MeetingRecording subject =
            recording(QStringLiteral("/m/") + QString::fromUtf8(test.name),
                      test.candidates ? RecordingAssetKind::audio : RecordingAssetKind::chatText);
        if (test.stored)
            m_store.upsertRecordingIndexEntry(subject, *test.stored, test.storedDetail);
        if (test.transcriptFile)
            m_store.saveTranscript(documentFor(subject), subject);
        recordings.push_back(subject);
    }

    workspace().refreshStatuses(recordings);
    const RecordingIndex index = m_store.loadRecordingIndex();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QString id = recordings[i].recordingID();
        const auto shownDetail = workspace().recordingStatusDetails().find(id);
        EXPECT_EQ(workspace().recordingStatuses().at(id), cases[i].expected) << cases[i].name;
        EXPECT_EQ(shownDetail != workspace().recordingStatusDetails().end()
                      ? std::optional(shownDetail->second)
                      : std::nullopt,
                  cases[i].expectedDetail)
            << cases[i].name;
        const RecordingIndexEntry& entry = index.entries.at(id);
        EXPECT_EQ(entry.status, cases[i].expected) << cases[i].name;
        EXPECT_EQ(entry.statusDetail, cases[i].expectedDetail) << cases[i].name;
        EXPECT_EQ(entry.importedAt, recordings[i].importedAt) << cases[i].name;
    }
}

TEST_F(WorkspaceTest, AnUnreadableIndexMarksEveryRecordingAndStaysAsItIs) {
    const QString indexFile = m_store.recordingIndexURL();
    FixtureFiles::write(indexFile, "{ not json");
    const std::vector<MeetingRecording> recordings{recording(QStringLiteral("/m/a")),
                                                   recording(QStringLiteral("/m/b"))};

    workspace().refreshStatuses(recordings);
    for (const MeetingRecording& subject : recordings) {
        EXPECT_EQ(workspace().recordingStatuses().at(subject.recordingID()), RecordingStatus::needsAttention);
        EXPECT_EQ(workspace().recordingStatusDetails().at(subject.recordingID()),
                  QStringLiteral("Tallybrook could not read the saved recording status."));
    }

    // A status saved meanwhile is shown although it cannot be written.
    workspace().saveStatus(RecordingStatus::inProgress, recordings[0]);
    EXPECT_EQ(workspace().recordingStatuses().at(recordings[0].recordingID()), RecordingStatus::inProgress);
    EXPECT_FALSE(workspace().recordingStatusDetails().contains(recordings[0].recordingID()));
    EXPECT_EQ(FileAccess::readAll(indexFile), "{ not json");
}

TEST_F(WorkspaceTest, SavingAStatusPublishesAndRemembersItWithItsDetail) {
    const MeetingRecording subject = recording(QStringLiteral("/m/a"));
    workspace().saveStatus(RecordingStatus::needsAttention, subject, QStringLiteral("Whisper crashed."));
    EXPECT_EQ(workspace().recordingStatusDetails().at(subject.recordingID()),
              QStringLiteral("Whisper crashed."));
    workspace().saveStatus(RecordingStatus::transcriptSaved, subject);
    EXPECT_EQ(workspace().recordingStatuses().at(subject.recordingID()), RecordingStatus::transcriptSaved);
    EXPECT_FALSE(workspace().recordingStatusDetails().contains(subject.recordingID()));
    const RecordingIndexEntry entry = m_store.loadRecordingIndex().entries.at(subject.recordingID());
    EXPECT_EQ(entry.status, RecordingStatus::transcriptSaved);
    EXPECT_FALSE(entry.statusDetail);
}

TEST_F(WorkspaceTest, TheDefaultStatusComesFromCandidatesAndTranscriptFiles) {
    const MeetingRecording saved = recording(QStringLiteral("/m/saved"));
    m_store.saveTranscript(documentFor(saved), saved);
    EXPECT_EQ(workspace().defaultStatus(saved), RecordingStatus::transcriptSaved);
    EXPECT_EQ(workspace().defaultStatus(recording(QStringLiteral("/m/new"))),
              RecordingStatus::notTranscribed);
    EXPECT_EQ(workspace().defaultStatus(recording(QStringLiteral("/m/text"), RecordingAssetKind::chatText)),
              RecordingStatus::needsAttention);
}
