#include "WorkspaceFixture.h"

#include "platform/FileAccess.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <chrono>
#include <filesystem>

namespace {

class ImportTest : public WorkspaceTest {
protected:
    // A meeting folder holding the given files, modified `hoursAgo` hours ago.
    QString meeting(const QString& relative, const QStringList& files, int hoursAgo) {
        for (const QString& file : files)
            FixtureFiles::write(path(relative + QLatin1Char('/') + file), "media");
        std::filesystem::last_write_time(path(relative).toStdString(),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(hoursAgo));
        return path(relative);
    }

    QStringList choiceNames() {
        QStringList names;
        for (const MeetingRecording& choice : workspace().recordingChoices())
            names.append(choice.folderName);
        return names;
    }
};

class ScriptedChooser : public FolderChoosing {
public:
    std::optional<QString> answer;
    std::optional<Request> asked;
    std::optional<QString> chooseFolder(const Request& request) override {
        asked = request;
        return answer;
    }
};

} // namespace

TEST_F(ImportTest, OneMeetingOpensAtOnceAndASecondFolderGivesAChoiceList) {
    RecordingWorkspaceViewModel& subject = workspace();
    const QString older = meeting(QStringLiteral("zoom/older"), {QStringLiteral("audio.m4a")}, 5);
    subject.importFolderInBackground(older);
    EXPECT_TRUE(subject.isImporting());
    settle();
    EXPECT_FALSE(subject.isImporting());
    ASSERT_TRUE(subject.recording());
    EXPECT_EQ(subject.recording()->folderName, QStringLiteral("older"));
    EXPECT_TRUE(subject.recordingChoices().empty());
    EXPECT_EQ(subject.statusText(), QStringLiteral("1 recording file indexed"));
    EXPECT_EQ(subject.recordingStatuses().at(subject.recording()->recordingID()),
              RecordingStatus::notTranscribed);

    const QString newer =
        meeting(QStringLiteral("zoom/newer"), {QStringLiteral("audio.m4a"), QStringLiteral("video.mp4")}, 1);
    subject.importFolderInBackground(newer);
    settle();
    EXPECT_FALSE(subject.recording());
    EXPECT_EQ(choiceNames(), (QStringList{"newer", "older"}));
    EXPECT_EQ(subject.statusText(), QStringLiteral("2 recordings found"));

    // The same folder again, and its parent: remembered once each, every meeting listed once.
    subject.importFolderInBackground(newer);
    subject.importFolderInBackground(path("zoom"));
    settle();
    EXPECT_EQ(choiceNames(), (QStringList{"newer", "older"}));
    EXPECT_EQ(m_sources.folderPaths(), (QStringList{path("zoom"), newer, older}));
}

TEST_F(ImportTest, AFileIsRefusedAndNotRemembered) {
    RecordingWorkspaceViewModel& subject = workspace();
    FixtureFiles::write(path("notes.txt"), "text");
    subject.importFolderInBackground(path("notes.txt"));
    settle();
    EXPECT_EQ(subject.errorMessage(), QStringLiteral("Select a recording folder, not a file."));
    EXPECT_EQ(subject.statusText(), QStringLiteral("Import failed"));
    EXPECT_FALSE(subject.isImporting());
    EXPECT_TRUE(m_sources.folderPaths().isEmpty());
}

// Only the latest import reports: an earlier one that fails later stays silent.
TEST_F(ImportTest, ANewerImportSilencesAnOlderOne) {
    RecordingWorkspaceViewModel& subject = workspace();
    FixtureFiles::write(path("notes.txt"), "text");
    const QString good = meeting(QStringLiteral("zoom/good"), {QStringLiteral("audio.m4a")}, 1);
    subject.importFolderInBackground(path("notes.txt"));
    subject.importFolderInBackground(good);
    settle();
    EXPECT_FALSE(subject.errorMessage());
    EXPECT_NE(subject.statusText(), QStringLiteral("Import failed"));
    ASSERT_TRUE(subject.recording());
    EXPECT_EQ(subject.recording()->folderName, QStringLiteral("good"));
}

TEST_F(ImportTest, ForgettingDuringAnImportDropsItsResult) {
    RecordingWorkspaceViewModel& subject = workspace();
    subject.importFolderInBackground(meeting(QStringLiteral("zoom/a"), {QStringLiteral("audio.m4a")}, 1));
    subject.forgetRecordingSources();
    settle();
    EXPECT_FALSE(subject.recording());
    EXPECT_TRUE(subject.recordingChoices().empty());
    EXPECT_FALSE(subject.isImporting());
    EXPECT_FALSE(subject.isSidebarVisible());
    EXPECT_EQ(subject.statusText(), QStringLiteral("No recording loaded"));
    EXPECT_TRUE(m_sources.folderPaths().isEmpty());
}

// At launch even a single remembered meeting is offered as a choice; a folder that has gone
// contributes nothing.
TEST_F(ImportTest, TheLaunchReloadListsRememberedMeetings) {
    m_sources.add(meeting(QStringLiteral("zoom/a"), {QStringLiteral("audio.m4a")}, 1));
    m_sources.add(path("zoom/gone"));
    RecordingWorkspaceViewModel& subject = workspace();
    bool done = false;
    subject.loadRememberedRecordingSourcesInBackground(false, [&] { done = true; });
    settle();
    EXPECT_TRUE(done);
    EXPECT_EQ(choiceNames(), QStringList{"a"});
    EXPECT_FALSE(subject.recording());
    EXPECT_EQ(subject.statusText(), QStringLiteral("1 recording found"));
}

TEST_F(ImportTest, ChoosingARecordingLoadsItsTranscriptOrSaysWhyNot) {
    RecordingWorkspaceViewModel& subject = workspace();
    MeetingRecording saved = recording(QStringLiteral("/m/saved"));
    TranscriptDocument document;
    document.recordingFolderPath = saved.folderPath;
    document.title = saved.folderName;
    document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(8, 0), Qt::UTC);
    document.updatedAt = document.createdAt;
    m_store.saveTranscript(document, saved);
    subject.selectRecording(saved);
    EXPECT_EQ(subject.transcript(), document);
    EXPECT_EQ(subject.statusText(), QStringLiteral("Saved transcript loaded"));

    MeetingRecording four = recording(QStringLiteral("/m/four"));
    for (int i = 0; i < 3; ++i)
        four.assets.push_back(four.assets.front());
    subject.selectRecording(four);
    EXPECT_FALSE(subject.transcript());
    EXPECT_EQ(subject.statusText(), QStringLiteral("4 recording files indexed"));

    const MeetingRecording corrupt = recording(QStringLiteral("/m/corrupt"));
    FixtureFiles::write(m_store.transcriptURL(corrupt), "{ not json");
    subject.selectRecording(corrupt);
    EXPECT_EQ(subject.recording(), corrupt);
    EXPECT_FALSE(subject.transcript());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Saved transcript could not be loaded"));
    ASSERT_TRUE(subject.errorMessage());
    EXPECT_EQ(subject.recordingStatuses().at(corrupt.recordingID()), RecordingStatus::needsAttention);
    EXPECT_EQ(subject.recordingStatusDetails().at(corrupt.recordingID()), *subject.errorMessage());
}

TEST_F(ImportTest, TheChooserIsAskedOnceAndCancellingDoesNothing) {
    ScriptedChooser chooser;
    RecordingWorkspaceViewModel& subject = workspace();
    subject.setFolderChooser(&chooser);
    subject.openRecordingFolderImporter();
    ASSERT_TRUE(chooser.asked);
    EXPECT_EQ(chooser.asked->title, QStringLiteral("Import Recording Folder"));
    EXPECT_EQ(chooser.asked->confirmLabel, QStringLiteral("Import"));
    EXPECT_TRUE(chooser.asked->initialFolder.isEmpty());
    EXPECT_FALSE(subject.isImporting());

    QDir::home().mkpath(QStringLiteral("Documents/Zoom"));
    chooser.answer = meeting(QStringLiteral("zoom/a"), {QStringLiteral("audio.m4a")}, 1);
    subject.openRecordingFolderImporter();
    EXPECT_EQ(chooser.asked->initialFolder, QDir::home().filePath(QStringLiteral("Documents/Zoom")));
    EXPECT_TRUE(subject.isImporting());
    settle();
    EXPECT_TRUE(subject.recording());
    QDir::home().rmpath(QStringLiteral("Documents/Zoom"));
}
