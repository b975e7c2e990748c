#include "WorkspaceFixture.h"

#include "platform/FileAccess.h"

#include <QFileInfo>

namespace {

class ScriptedDialogs : public ExportDialogs {
public:
    std::optional<QString> location;
    bool hasWindow = true;
    QStringList proposedNames;
    QStringList offeredFiles;

    std::optional<QString> chooseExportLocation(const QString& proposedName) override {
        proposedNames.append(proposedName);
        return location;
    }
    bool presentSharingPicker(const QString& file) override {
        offeredFiles.append(file);
        return hasWindow;
    }
};

class ExportTest : public WorkspaceTest {
protected:
    void SetUp() override {
        TranscriptDocument document;
        document.title = QStringLiteral("Board: Q3/Plan");
        document.recordingFolderPath = QStringLiteral("/m/board");
        document.body = QStringLiteral("## Agenda\n[00:05] Speaker 1\nBudget # 1");
        workspace().setTranscript(document);
        workspace().setExportDialogs(&m_dialogs);
    }

    ScriptedDialogs m_dialogs;
};

} // namespace

TEST_F(ExportTest, SharingWritesAFreshTemporaryFileEachTime) {
    workspace().share(TranscriptExportFormat::markdown);
    workspace().share(TranscriptExportFormat::markdown);
    ASSERT_EQ(m_dialogs.offeredFiles.size(), 2);
    EXPECT_NE(QFileInfo(m_dialogs.offeredFiles[0]).path(), QFileInfo(m_dialogs.offeredFiles[1]).path());
    for (const QString& file : m_dialogs.offeredFiles) {
        EXPECT_EQ(QFileInfo(file).fileName(), QStringLiteral("Board- Q3-Plan.md"));
        EXPECT_EQ(FileAccess::readAll(file), workspace().transcript()->body.toUtf8());
    }
    EXPECT_EQ(workspace().statusText(), QStringLiteral("Prepared Markdown for sharing"));
}

TEST_F(ExportTest, SharingWithoutAWindowSaysSo) {
    m_dialogs.hasWindow = false;
    workspace().share(TranscriptExportFormat::plainText);
    EXPECT_EQ(workspace().errorMessage(), QStringLiteral("No active window available for sharing."));
    EXPECT_EQ(workspace().statusText(), QStringLiteral("Share failed"));
}

TEST_F(ExportTest, ExportingProposesTheTitleAndWritesTheChosenFile) {
    workspace().setStatusText(QStringLiteral("before"));
    workspace().exportTranscript(TranscriptExportFormat::plainText);
    EXPECT_EQ(m_dialogs.proposedNames, QStringList{"Board: Q3/Plan.txt"});
    EXPECT_EQ(workspace().statusText(), QStringLiteral("before"));

    QDir().mkpath(path("out"));
    m_dialogs.location = path("out/plan.txt");
    workspace().exportTranscript(TranscriptExportFormat::plainText);
    EXPECT_EQ(FileAccess::readAll(path("out/plan.txt")), "Agenda\n[00:05] Speaker 1\nBudget 1");
    EXPECT_EQ(workspace().statusText(), QStringLiteral("Exported plan.txt"));

    // A destination that cannot be written: the reason, and the status line as it was.
    FixtureFiles::write(path("blocked"), "a file");
    m_dialogs.location = path("blocked/plan.txt");
    workspace().exportTranscript(TranscriptExportFormat::html);
    ASSERT_TRUE(workspace().errorMessage());
    EXPECT_EQ(workspace().statusText(), QStringLiteral("Exported plan.txt"));
}

TEST_F(ExportTest, NothingHappensWithoutATranscript) {
    workspace().setTranscript(std::nullopt);
    workspace().share(TranscriptExportFormat::html);
    workspace().exportTranscript(TranscriptExportFormat::html);
    EXPECT_TRUE(m_dialogs.offeredFiles.isEmpty());
    EXPECT_TRUE(m_dialogs.proposedNames.isEmpty());
}
