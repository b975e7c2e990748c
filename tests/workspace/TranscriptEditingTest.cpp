#include "WorkspaceFixture.h"

#include "models/TranscriptBlockParser.h"
#include "platform/FileAccess.h"

#include <QSignalSpy>

namespace {

const QString body = QStringLiteral("[00:00] Speaker 1\nSpeaker 1 opens.\n\n[00:05] Speaker 10\nHello.\n\n"
                                    "[00:09] Speaker 1\nBye.");

class EditingTest : public WorkspaceTest {
protected:
    // The workspace with a recording and its saved transcript open.
    RecordingWorkspaceViewModel& openRecording() {
        TranscriptDocument document;
        document.recordingFolderPath = m_recording.folderPath;
        document.title = m_recording.folderName;
        document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(8, 0), Qt::UTC);
        document.updatedAt = document.createdAt;
        document.body = body;
        m_store.saveTranscript(document, m_recording);
        workspace().setRecording(m_recording);
        workspace().setTranscript(document);
        return workspace();
    }

    TranscriptDocument savedDocument() const {
        return TranscriptStore::decode(FileAccess::readAll(m_store.transcriptURL(m_recording)));
    }

    MeetingRecording m_recording = recording(QStringLiteral("/m/weekly"));
};

} // namespace

TEST_F(EditingTest, ABlockEditIsSavedForTheRecordingAtOnce) {
    RecordingWorkspaceViewModel& subject = openRecording();
    subject.updateTranscriptBlock(1, QStringLiteral("Hello again."));
    EXPECT_EQ(subject.statusText(), QStringLiteral("Edits saved locally"));
    EXPECT_TRUE(subject.transcript()->body.contains(QStringLiteral("[00:05] Speaker 10\nHello again.")));
    EXPECT_EQ(savedDocument().body, subject.transcript()->body);
    EXPECT_GT(subject.transcript()->updatedAt, QDateTime(QDate(2025, 3, 14), QTime(8, 0), Qt::UTC));
    EXPECT_EQ(subject.recordingStatuses().at(m_recording.recordingID()), RecordingStatus::transcriptSaved);
    EXPECT_EQ(m_store.loadRecordingIndex().entries.at(m_recording.recordingID()).status,
              RecordingStatus::transcriptSaved);
    EXPECT_EQ(subject.savedTranscriptCount(), 1);
}

// Edits that serialise to the same body, and block ids that do not exist, change nothing.
TEST_F(EditingTest, EditsThatChangeNothingSaveNothing) {
    RecordingWorkspaceViewModel& subject = openRecording();
    subject.setStatusText(QStringLiteral("before"));
    QSignalSpy transcriptChanges(&subject, &RecordingWorkspaceViewModel::transcriptChanged);
    subject.updateTranscriptBlock(1, QStringLiteral("Hello. "));
    subject.updateTranscriptBlock(7, QStringLiteral("nowhere"));
    subject.updateSpeakerName(QStringLiteral("Speaker 1"), QStringLiteral(" Speaker 1 "));
    EXPECT_EQ(transcriptChanges.count(), 0);
    EXPECT_EQ(subject.statusText(), QStringLiteral("before"));
}

// A "## " line typed into a block becomes a block of its own on the next parse, and an emptied
// leading block without heading disappears: the later blocks' ids move.
TEST_F(EditingTest, BlockTextsCanSplitOrRemoveBlocks) {
    RecordingWorkspaceViewModel& subject = openRecording();
    auto blocks = [&] { return TranscriptBlockParser::parse(subject.transcript()->body); };
    subject.updateTranscriptBody(QStringLiteral("Intro line\n\n") + body);
    ASSERT_EQ(blocks().size(), 4u);

    subject.updateTranscriptBlock(2, QStringLiteral("Hello.\n## Next topic\nMore."));
    ASSERT_EQ(blocks().size(), 5u);
    EXPECT_EQ(blocks()[4].text, QStringLiteral("Bye."));

    subject.updateTranscriptBlock(0, QString());
    ASSERT_EQ(blocks().size(), 4u);
    EXPECT_EQ(blocks()[0].text, QStringLiteral("Speaker 1 opens."));
    EXPECT_EQ(savedDocument().body, subject.transcript()->body);
}

TEST_F(EditingTest, RenamingASpeakerRewritesOnlyItsHeadings) {
    RecordingWorkspaceViewModel& subject = openRecording();
    subject.updateSpeakerName(QStringLiteral("Speaker 1"), QStringLiteral("  Alice "));
    EXPECT_EQ(subject.transcript()->body,
              QStringLiteral("[00:00] Alice\nSpeaker 1 opens.\n\n[00:05] Speaker 10\n"
                             "Hello.\n\n[00:09] Alice\nBye."));
    EXPECT_EQ(subject.transcript()->speakerNames, (std::map<QString, QString>{{"Speaker 1", "Alice"}}));
    EXPECT_EQ(subject.statusText(), QStringLiteral("Speaker names saved locally"));
    EXPECT_EQ(savedDocument(), *subject.transcript());

    // A second rename replaces the name shown; a blank one restores the canonical label.
    subject.updateSpeakerName(QStringLiteral("Speaker 1"), QStringLiteral("Bob"));
    EXPECT_TRUE(subject.transcript()->body.startsWith(QStringLiteral("[00:00] Bob\n")));
    EXPECT_EQ(subject.transcript()->speakerNames, (std::map<QString, QString>{{"Speaker 1", "Bob"}}));
    subject.updateSpeakerName(QStringLiteral("Speaker 1"), QStringLiteral(" \n"));
    EXPECT_EQ(subject.transcript()->body, body);
    EXPECT_TRUE(subject.transcript()->speakerNames.empty());
}

TEST_F(EditingTest, RenamingToAnotherSpeakersNameMergesThem) {
    RecordingWorkspaceViewModel& subject = openRecording();
    subject.updateSpeakerName(QStringLiteral("Speaker 10"), QStringLiteral("Speaker 1"));
    EXPECT_EQ(subject.speakerNameEntries(), (std::vector<SpeakerNameEntry>{{"Speaker 10", "Speaker 1"}}));
    subject.updateSpeakerName(QStringLiteral("Speaker 10"), QStringLiteral("Carol"));
    EXPECT_EQ(subject.transcript()->body.count(QStringLiteral("] Carol\n")), 3);
}

TEST_F(EditingTest, AHeadingEndingInPunctuationKeepsItsTextButTheNameIsRemembered) {
    RecordingWorkspaceViewModel& subject = openRecording();
    subject.updateTranscriptBody(QStringLiteral("[00:00] Dr.\nHi."));
    subject.updateSpeakerName(QStringLiteral("Dr."), QStringLiteral("Dr. Who"));
    EXPECT_EQ(subject.transcript()->body, QStringLiteral("[00:00] Dr.\nHi."));
    EXPECT_EQ(subject.transcript()->speakerNames.at(QStringLiteral("Dr.")), QStringLiteral("Dr. Who"));
}

TEST(SpeakerLabelReplacement, LabelsAreTakenLiterallyOnBothSides) {
    const QString label = QStringLiteral("R&D (x)+ Ann");
    const QString text = QStringLiteral("[00:00] R&D (x)+ Ann\nR&D (x)+ Ann said.\n\n## R&D (x)+ Ann  \n\n"
                                        "##R&D (x)+ Ann\n[1:2:3]\nR&D (x)+ Ann: z\n[00:04] R&D (x)+ Anne\n");
    EXPECT_EQ(RecordingWorkspaceViewModel::replacingSpeakerLabel(label, QStringLiteral("$1 \\1"), text),
              QStringLiteral("[00:00] $1 \\1\nR&D (x)+ Ann said.\n\n## $1 \\1  \n\n"
                             "##R&D (x)+ Ann\n[1:2:3]\n$1 \\1: z\n[00:04] R&D (x)+ Anne\n"));
}

TEST_F(EditingTest, AnArchiveTranscriptIsSavedUnderItsTitleWithoutAStatus) {
    TranscriptDocument document;
    document.recordingFolderPath = QStringLiteral("/m/elsewhere");
    document.title = QStringLiteral("Board: Q3");
    document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(8, 0), Qt::UTC);
    document.updatedAt = document.createdAt;
    document.body = body;
    workspace().setTranscript(document);
    workspace().updateTranscriptBlock(1, QStringLiteral("Changed."));
    EXPECT_EQ(workspace().statusText(), QStringLiteral("Edits saved locally"));
    const TranscriptDocument saved =
        TranscriptStore::decode(FileAccess::readAll(path("data/Tallybrook/Board- Q3.tallybrook.json")));
    EXPECT_EQ(saved.body, workspace().transcript()->body);
    EXPECT_TRUE(workspace().recordingStatuses().empty());
    EXPECT_TRUE(m_store.loadRecordingIndex().entries.empty());
}

TEST_F(EditingTest, AFailedSaveKeepsTheEditAndSaysSo) {
    RecordingWorkspaceViewModel& subject = openRecording();
    QDir(path("data/Tallybrook/Transcripts")).removeRecursively();
    FixtureFiles::write(path("data/Tallybrook/Transcripts"), "a file where the folder belongs");
    subject.updateTranscriptBlock(1, QStringLiteral("Unsaved."));
    EXPECT_EQ(subject.statusText(), QStringLiteral("Save failed"));
    ASSERT_TRUE(subject.errorMessage());
    EXPECT_TRUE(subject.transcript()->body.contains(QStringLiteral("Unsaved.")));
}
