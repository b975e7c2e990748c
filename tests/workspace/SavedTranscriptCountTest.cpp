#include "WorkspaceFixture.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QThreadPool>

namespace {

TranscriptDocument documentFor(const MeetingRecording& recording, int minute) {
    TranscriptDocument document;
    document.recordingFolderPath = recording.folderPath;
    document.title = recording.folderName;
    document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(8, 0), Qt::UTC);
    document.updatedAt = QDateTime(QDate(2025, 3, 14), QTime(9, minute), Qt::UTC);
    document.body = QStringLiteral("[00:00] Speaker 1\nHello");
    return document;
}

} // namespace

// Two recordings, one of them saved twice (under the older name too): two saved transcripts.
TEST_F(WorkspaceTest, TheCountHasOneTranscriptPerRecordingAndSignalsOnlyChanges) {
    const MeetingRecording a = recording(QStringLiteral("/m/a"));
    const MeetingRecording b = recording(QStringLiteral("/m/b"));
    m_store.saveTranscript(documentFor(a, 0), a);
    m_store.saveTranscript(documentFor(b, 0), b);
    FixtureFiles::write(m_store.legacyTranscriptURL(a), TranscriptStore::encode(documentFor(a, 5)));
    RecordingWorkspaceViewModel& subject = workspace();
    QSignalSpy changes(&subject, &RecordingWorkspaceViewModel::savedTranscriptCountChanged);

    subject.refreshSavedTranscriptCount();
    subject.refreshSavedTranscriptCount();
    EXPECT_EQ(subject.savedTranscriptCount(), 2);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(WorkspaceTest, AFailedListingCountsAsNone) {
    FixtureFiles::write(path("data/Tallybrook"), "a file where the storage folder belongs");
    RecordingWorkspaceViewModel& subject = workspace();
    subject.setSavedTranscriptCount(4);
    subject.refreshSavedTranscriptCount();
    EXPECT_EQ(subject.savedTranscriptCount(), 0);
}

// The background count lands on the main thread through its event loop, and its first full
// listing writes the search index's cache file.
TEST_F(WorkspaceTest, TheBackgroundCountArrivesLaterOnTheMainThread) {
    const MeetingRecording a = recording(QStringLiteral("/m/a"));
    TranscriptStore(path("data/Tallybrook")).saveTranscript(documentFor(a, 0), a); // an earlier run
    RecordingWorkspaceViewModel& subject = workspace();
    QSignalSpy changes(&subject, &RecordingWorkspaceViewModel::savedTranscriptCountChanged);
    QThread* changedOn = nullptr;
    QObject::connect(&subject, &RecordingWorkspaceViewModel::savedTranscriptCountChanged,
                     [&] { changedOn = QThread::currentThread(); });

    subject.refreshSavedTranscriptCountInBackground();
    EXPECT_EQ(subject.savedTranscriptCount(), 0);
    ASSERT_TRUE(changes.wait(10000));
    EXPECT_EQ(subject.savedTranscriptCount(), 1);
    EXPECT_EQ(changedOn, QCoreApplication::instance()->thread());
    EXPECT_TRUE(QFileInfo::exists(path("data/Tallybrook/TranscriptSearchIndex.json")));
}

TEST_F(WorkspaceTest, ACountForAWorkspaceThatIsGoneIsDropped) {
    workspace().refreshSavedTranscriptCountInBackground();
    m_workspace.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    SUCCEED();
}
