#include "WorkspaceFixture.h"

#include "platform/FileAccess.h"

#include <QTest>

namespace {

// Stands in for Whisper: a document per recording after one progress message; folders named
// "bad..." fail, folders named "slow..." wait until the run is cancelled.
class ScriptedTranscriber : public TranscriptionService {
public:
    TranscriptDocument transcribe(const MeetingRecording& recording, const ProgressCallback& progress,
                                  std::stop_token stopToken) override {
        progress({QStringLiteral("Transcribing audio")});
        if (recording.folderName.startsWith(QStringLiteral("bad")))
            throw PlatformError(QStringLiteral("whisper-cli stopped with exit code 3."));
        while (recording.folderName.startsWith(QStringLiteral("slow"))) {
            if (stopToken.stop_requested())
                throw CancelledError();
            QThread::msleep(5);
        }
        TranscriptDocument document;
        document.recordingFolderPath = recording.folderPath;
        document.title = recording.folderName;
        document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(10, 0), Qt::UTC);
        document.updatedAt = document.createdAt;
        document.body = QStringLiteral("[00:00] Speaker 1\nWords of ") + recording.folderName;
        return document;
    }
};

class TranscriptionTest : public WorkspaceTest {
protected:
    RecordingWorkspaceViewModel& prepared(bool modelInstalled = true) {
        installBundledProgram();
        if (modelInstalled)
            installModelFile(WhisperModel::fastEnglish);
        RecordingWorkspaceViewModel& subject = workspace();
        subject.setTranscriberFactory(
            [this](const WhisperCommandConfiguration&, TranscriptionLanguage, WhisperModel model) {
                m_transcribedWith = static_cast<int>(model);
                return std::make_shared<ScriptedTranscriber>();
            });
        return subject;
    }

    // The model the last service was made for; set on a worker thread.
    std::atomic<int> m_transcribedWith{-1};

    RecordingStatus statusOf(const MeetingRecording& subject) {
        return workspace().recordingStatuses().at(subject.recordingID());
    }
};

} // namespace

TEST_F(TranscriptionTest, ATranscriptIsMadeSavedAndShown) {
    RecordingWorkspaceViewModel& subject = prepared();
    subject.transcribe();
    EXPECT_FALSE(subject.isTranscribing());

    const MeetingRecording weekly = recording(QStringLiteral("/m/weekly"));
    subject.setRecording(weekly);
    subject.setTranscriptionElapsedSeconds(5);
    subject.transcribe();
    EXPECT_TRUE(subject.isTranscribing());
    EXPECT_EQ(subject.transcriptionElapsedSeconds(), 0);
    EXPECT_EQ(statusOf(weekly), RecordingStatus::inProgress);
    EXPECT_EQ(subject.statusText(), QStringLiteral("Preparing local transcription"));
    settle();
    EXPECT_FALSE(subject.isTranscribing());
    ASSERT_TRUE(subject.transcript());
    EXPECT_EQ(subject.transcript()->body, QStringLiteral("[00:00] Speaker 1\nWords of weekly"));
    EXPECT_EQ(TranscriptStore::decode(FileAccess::readAll(m_store.transcriptURL(weekly))),
              *subject.transcript());
    EXPECT_EQ(statusOf(weekly), RecordingStatus::transcriptSaved);
    EXPECT_EQ(subject.statusText(), QStringLiteral("Transcript saved locally"));
    EXPECT_EQ(subject.savedTranscriptCount(), 1);
}

// Without the model the transcription waits for the install and then starts by itself.
TEST_F(TranscriptionTest, AMissingModelIsInstalledFirst) {
    RecordingWorkspaceViewModel& subject = prepared(false);
    subject.setRecording(recording(QStringLiteral("/m/weekly")));
    subject.transcribe();
    EXPECT_FALSE(subject.isTranscribing());
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installing());
    settle();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installed());
    EXPECT_TRUE(subject.transcript());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Transcript saved locally"));
}

TEST_F(TranscriptionTest, AFailedRunSaysWhyAndMarksTheRecording) {
    RecordingWorkspaceViewModel& subject = prepared();
    const MeetingRecording bad = recording(QStringLiteral("/m/bad"));
    subject.setRecording(bad);
    subject.transcribe();
    settle();
    const QString message = QStringLiteral("whisper-cli stopped with exit code 3.");
    EXPECT_EQ(subject.statusText(), QStringLiteral("Transcription failed"));
    EXPECT_EQ(subject.errorMessage(), message);
    EXPECT_EQ(statusOf(bad), RecordingStatus::needsAttention);
    EXPECT_EQ(subject.recordingStatusDetails().at(bad.recordingID()), message);
}

TEST_F(TranscriptionTest, ACancelledRunLeavesTheRecordingUntranscribed) {
    RecordingWorkspaceViewModel& subject = prepared();
    const MeetingRecording slow = recording(QStringLiteral("/m/slow"));
    subject.setRecording(slow);
    subject.transcribe();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return subject.statusText() == QStringLiteral("Transcribing audio"); }));
    subject.cancelTranscription();
    EXPECT_EQ(subject.statusText(), QStringLiteral("Cancelling transcription"));
    settle();
    EXPECT_EQ(subject.statusText(), QStringLiteral("Transcription cancelled"));
    EXPECT_EQ(statusOf(slow), RecordingStatus::notTranscribed);
    EXPECT_FALSE(subject.isTranscribing());
    EXPECT_FALSE(subject.errorMessage());
}

TEST_F(TranscriptionTest, ABatchCountsWhatItTranscribedSkippedAndFailed) {
    RecordingWorkspaceViewModel& subject = prepared();
    const MeetingRecording saved = recording(QStringLiteral("/m/saved"));
    m_store.saveTranscript(ScriptedTranscriber().transcribe(saved, [](const auto&) {}, {}), saved);
    const MeetingRecording silent = recording(QStringLiteral("/m/silent"), RecordingAssetKind::chatText);
    const MeetingRecording first = recording(QStringLiteral("/m/first"));
    const MeetingRecording bad = recording(QStringLiteral("/m/bad"));
    const MeetingRecording last = recording(QStringLiteral("/m/last"));
    subject.setRecordingChoices({saved, silent, first, bad, last});
    subject.setRecording(last);

    subject.transcribeAllRecordings();
    EXPECT_TRUE(subject.isBatchTranscribing());
    settle();
    EXPECT_FALSE(subject.isBatchTranscribing());
    EXPECT_EQ(subject.statusText(), QStringLiteral("2 transcribed · 1 skipped · 2 failed"));
    EXPECT_EQ(subject.batchProgressText(), subject.statusText());
    EXPECT_EQ(statusOf(silent), RecordingStatus::needsAttention);
    EXPECT_EQ(subject.recordingStatusDetails().at(silent.recordingID()),
              QStringLiteral("No usable audio source found."));
    EXPECT_EQ(statusOf(first), RecordingStatus::transcriptSaved);
    EXPECT_EQ(statusOf(bad), RecordingStatus::needsAttention);
    EXPECT_EQ(statusOf(last), RecordingStatus::transcriptSaved);
    // Only the shown recording's transcript is shown.
    ASSERT_TRUE(subject.transcript());
    EXPECT_EQ(subject.transcript()->title, QStringLiteral("last"));
    EXPECT_EQ(subject.savedTranscriptCount(), 3);

    // Nothing left to do (the failed recording is pending again, so it is left out here).
    subject.setRecordingChoices({saved, silent, first, last});
    subject.transcribeAllRecordings();
    EXPECT_FALSE(subject.isBatchTranscribing());
    EXPECT_EQ(subject.statusText(), QStringLiteral("3 skipped · 1 failed"));
    subject.setRecordingChoices({saved, first});
    subject.transcribeAllRecordings();
    EXPECT_EQ(subject.statusText(), QStringLiteral("All recordings already transcribed"));
    EXPECT_FALSE(subject.batchProgressText());
}

TEST_F(TranscriptionTest, CancellingABatchKeepsWhatWasDone) {
    RecordingWorkspaceViewModel& subject = prepared();
    const MeetingRecording first = recording(QStringLiteral("/m/first"));
    const MeetingRecording slow = recording(QStringLiteral("/m/slow"));
    const MeetingRecording last = recording(QStringLiteral("/m/last"));
    subject.setRecordingChoices({first, slow, last});
    subject.transcribeAllRecordings();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return subject.statusText() == QStringLiteral("Transcribing audio · 2 of 3"); }));
    EXPECT_EQ(subject.batchProgressText(), QStringLiteral("2 of 3: slow"));
    // A single run cannot start beside the batch, so the cancel reaches the batch.
    subject.setRecording(first);
    subject.transcribe();
    EXPECT_FALSE(subject.isTranscribing());
    subject.cancelTranscription();
    settle();
    EXPECT_EQ(subject.statusText(), QStringLiteral("Batch transcription cancelled"));
    EXPECT_EQ(subject.batchProgressText(), QStringLiteral("Batch transcription cancelled"));
    EXPECT_EQ(statusOf(first), RecordingStatus::transcriptSaved);
    EXPECT_EQ(statusOf(slow), RecordingStatus::notTranscribed);
    EXPECT_FALSE(subject.recordingStatuses().contains(last.recordingID()));
    EXPECT_FALSE(subject.isBatchTranscribing());
}

// Switching to an installed model while the install for a waiting transcription runs cancels
// the install and starts the transcription at once with the new model.
TEST_F(TranscriptionTest, SwitchingToAnInstalledModelStartsTheWaitingTranscription) {
    RecordingWorkspaceViewModel& subject = prepared(false);
    installModelFile(WhisperModel::multilingualQuality);
    m_downloader.answer = ScriptedDownloader::Answer::waitForCancel;
    subject.setRecording(recording(QStringLiteral("/m/weekly")));
    subject.transcribe();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installing());
    EXPECT_TRUE(subject.shouldTranscribeAfterModelInstall());

    subject.selectWhisperModel(WhisperModel::multilingualQuality, true);
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installed());
    EXPECT_FALSE(subject.shouldTranscribeAfterModelInstall());
    EXPECT_TRUE(subject.isTranscribing());
    settle();
    EXPECT_EQ(subject.statusText(), QStringLiteral("Transcript saved locally"));
    EXPECT_EQ(subject.selectedWhisperModel(), WhisperModel::multilingualQuality);
    EXPECT_EQ(m_transcribedWith, static_cast<int>(WhisperModel::multilingualQuality));
}

// A workspace that goes away stops its running transcription instead of leaving it behind.
TEST_F(TranscriptionTest, ARunStopsWhenTheWorkspaceGoesAway) {
    RecordingWorkspaceViewModel& subject = prepared();
    subject.setRecording(recording(QStringLiteral("/m/slow")));
    subject.transcribe();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return subject.statusText() == QStringLiteral("Transcribing audio"); }));
    m_workspace.reset();
    settle(); // would wait forever for a run that kept going
    SUCCEED();
}
