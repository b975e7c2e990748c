#include "WorkspaceFixture.h"

namespace {

class ArchiveSearchTest : public WorkspaceTest {
protected:
    // Three saved transcripts, newest first: "c" (the roadmap), "b" (the roadmap), "a".
    void SetUp() override {
        const char* bodies[] = {"We spoke about lunch.", "Then the roadmap came up.", "The roadmap is late."};
        for (int i = 0; i < 3; ++i) {
            const MeetingRecording subject = recording(QStringLiteral("/m/") + QChar(u'a' + i));
            TranscriptDocument document;
            document.recordingFolderPath = subject.folderPath;
            document.title = subject.folderName;
            document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(8, 0), Qt::UTC);
            document.updatedAt = document.createdAt.addSecs(60 * i);
            document.body = QStringLiteral("[00:00] Speaker 1\n") + QString::fromUtf8(bodies[i]);
            m_store.saveTranscript(document, subject);
        }
    }

    QStringList titles() {
        QStringList result;
        for (const TranscriptSearchResult& hit : workspace().archiveSearchResults())
            result.append(hit.title);
        return result;
    }
};

} // namespace

TEST_F(ArchiveSearchTest, TypingSearchesAtOnceAndCountsTheHits) {
    RecordingWorkspaceViewModel& subject = workspace();
    subject.updateArchiveSearchQuery(QStringLiteral("ROADMAP"));
    EXPECT_EQ(titles(), (QStringList{"c", "b"}));
    EXPECT_EQ(subject.archiveSearchSelectionIndex(), 0);
    EXPECT_EQ(subject.statusText(), QStringLiteral("2 saved transcripts found"));
    EXPECT_EQ(subject.savedTranscriptCount(), 3);

    subject.updateArchiveSearchQuery(QStringLiteral("lunch"));
    EXPECT_EQ(subject.statusText(), QStringLiteral("1 saved transcript found"));
    subject.updateArchiveSearchQuery(QStringLiteral("budget"));
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_FALSE(subject.archiveSearchSelectionIndex());
    EXPECT_EQ(subject.statusText(), QStringLiteral("0 saved transcripts found"));
    EXPECT_EQ(subject.archiveSearchStatusText(), QStringLiteral("No saved transcripts found"));

    // Deleting the query empties the hits but keeps the last status line.
    subject.updateArchiveSearchQuery(QStringLiteral("a"));
    subject.updateArchiveSearchQuery(QString());
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_FALSE(subject.archiveSearchSelectionIndex());
    EXPECT_EQ(subject.statusText(), QStringLiteral("3 saved transcripts found"));
}

TEST_F(ArchiveSearchTest, TheSelectionMovesWithinTheHitsWithoutWrapping) {
    RecordingWorkspaceViewModel& subject = workspace();
    subject.moveArchiveSearchSelection(1);
    EXPECT_FALSE(subject.archiveSearchSelectionIndex());

    subject.updateArchiveSearchQuery(QStringLiteral("."));
    const std::optional<int> expectedDown[] = {1, 2, 2};
    for (const std::optional<int> expected : expectedDown) {
        subject.moveArchiveSearchSelection(1);
        EXPECT_EQ(subject.archiveSearchSelectionIndex(), expected);
    }
    subject.moveArchiveSearchSelection(-1);
    subject.moveArchiveSearchSelection(-1);
    subject.moveArchiveSearchSelection(-1);
    EXPECT_EQ(subject.archiveSearchSelectionIndex(), 0);

    // Without a selection the keys count from the first hit.
    subject.setArchiveSearchSelectionIndex(std::nullopt);
    subject.moveArchiveSearchSelection(1);
    EXPECT_EQ(subject.archiveSearchSelectionIndex(), 1);
    subject.setArchiveSearchSelectionIndex(std::nullopt);
    subject.moveArchiveSearchSelection(-1);
    EXPECT_EQ(subject.archiveSearchSelectionIndex(), 0);
}

TEST_F(ArchiveSearchTest, OpeningAHitShowsItsTranscriptAndSteppingBackKeepsTheSelection) {
    RecordingWorkspaceViewModel& subject = workspace();
    subject.setRecordingChoices({recording(QStringLiteral("/m/a"))});
    subject.setRecording(recording(QStringLiteral("/m/a")));
    subject.showArchiveSearch();
    subject.updateArchiveSearchQuery(QStringLiteral("."));
    subject.moveArchiveSearchSelection(1);
    subject.moveArchiveSearchSelection(1);
    subject.openSelectedArchiveSearchResult();

    EXPECT_FALSE(subject.recording());
    ASSERT_TRUE(subject.transcript());
    EXPECT_EQ(subject.transcript()->title, QStringLiteral("a"));
    EXPECT_EQ(subject.archiveSearchSelectionIndex(), 2);
    EXPECT_FALSE(subject.isViewingArchiveSearch());
    EXPECT_TRUE(subject.isViewingArchiveSearchResult());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Saved transcript opened"));

    subject.returnToArchiveSearchResults();
    EXPECT_TRUE(subject.isViewingArchiveSearch());
    EXPECT_EQ(subject.archiveSearchSelectionIndex(), 2);
    EXPECT_EQ(subject.archiveSearchQuery(), QStringLiteral("."));

    // A hit that is no longer among the results opens with no selection.
    TranscriptSearchResult gone = subject.archiveSearchResults().front();
    gone.id = QStringLiteral("/m/gone-1.0");
    subject.openArchiveSearchResult(gone);
    EXPECT_FALSE(subject.archiveSearchSelectionIndex());
}

TEST_F(ArchiveSearchTest, ReturnWithoutHitsDoesNothingAndEscapeClears) {
    RecordingWorkspaceViewModel& subject = workspace();
    subject.setStatusText(QStringLiteral("before"));
    subject.openSelectedArchiveSearchResult();
    EXPECT_FALSE(subject.transcript());
    EXPECT_EQ(subject.statusText(), QStringLiteral("before"));

    subject.clearArchiveSearch();
    EXPECT_EQ(subject.statusText(), QStringLiteral("No saved transcripts yet"));

    subject.updateArchiveSearchQuery(QStringLiteral("roadmap"));
    subject.clearArchiveSearch();
    EXPECT_TRUE(subject.archiveSearchQuery().isEmpty());
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_FALSE(subject.archiveSearchSelectionIndex());
    EXPECT_EQ(subject.statusText(), QStringLiteral("3 saved transcripts available"));
}

TEST_F(ArchiveSearchTest, AFailedSearchEmptiesTheHitsAndSaysWhy) {
    // The storage folder replaced by a file: listing it fails.
    QDir(path("data/Tallybrook")).removeRecursively();
    FixtureFiles::write(path("data/Tallybrook"), "not a folder");
    RecordingWorkspaceViewModel fresh(RecordingFolderParser(), TranscriptStore(path("data/Tallybrook")),
                                      m_provisioner, m_sources);
    fresh.updateArchiveSearchQuery(QStringLiteral("roadmap"));
    EXPECT_TRUE(fresh.archiveSearchResults().empty());
    EXPECT_FALSE(fresh.archiveSearchSelectionIndex());
    EXPECT_EQ(fresh.statusText(), QStringLiteral("Search failed"));
    ASSERT_TRUE(fresh.errorMessage());
    EXPECT_FALSE(fresh.errorMessage()->isEmpty());
}
