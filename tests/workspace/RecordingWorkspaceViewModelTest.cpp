#include "WorkspaceFixture.h"

#include "models/TranscriptMetadata.h"

#include <QSignalSpy>

namespace {

TranscriptDocument transcriptFor(const QString& folder,
                                 const QString& body = QStringLiteral("[00:00] Speaker 1\nHi")) {
    TranscriptDocument document;
    document.recordingFolderPath = folder;
    document.title = folder.section(QLatin1Char('/'), -1);
    document.body = body;
    return document;
}

} // namespace

TEST_F(WorkspaceTest, AFreshWorkspaceShowsNothingAndAllowsNothing) {
    RecordingWorkspaceViewModel& subject = workspace();
    EXPECT_EQ(subject.statusText(), QStringLiteral("No recording loaded"));
    EXPECT_TRUE(subject.isSidebarVisible());
    EXPECT_FALSE(subject.isSidebarAvailable());
    EXPECT_FALSE(subject.canTranscribe());
    EXPECT_FALSE(subject.canTranscribeAll());
    EXPECT_FALSE(subject.canSwitchWorkspaceSections());
    EXPECT_FALSE(subject.recording());
    EXPECT_FALSE(subject.transcript());
    EXPECT_FALSE(subject.errorMessage());
    EXPECT_EQ(subject.selectedWhisperModel(), WhisperModel::fastEnglish);
    EXPECT_EQ(subject.selectedTranscriptionLanguage(), TranscriptionLanguage::english);
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::missing());
    EXPECT_TRUE(subject.installedWhisperModels().empty());
    EXPECT_EQ(subject.archiveSearchStatusText(), QStringLiteral("No saved transcripts yet"));
}

TEST_F(WorkspaceTest, TheStoredChoicesAndInstalledModelsAreReadAtCreation) {
    m_settings.setValue(QStringLiteral("selectedTranscriptionLanguage"), QStringLiteral("chinese"));
    m_settings.setValue(QStringLiteral("selectedWhisperModel"), QStringLiteral("multilingualQuality"));
    installModelFile(WhisperModel::multilingualQuality);
    RecordingWorkspaceViewModel& subject = workspace();
    EXPECT_EQ(subject.selectedTranscriptionLanguage(), TranscriptionLanguage::chinese);
    EXPECT_EQ(subject.selectedWhisperModel(), WhisperModel::multilingualQuality);
    EXPECT_EQ(subject.installedWhisperModels(), WhisperModelSet{WhisperModel::multilingualQuality});
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installed());
}

TEST_F(WorkspaceTest, AnUnknownStoredLanguageFallsBackToEnglish) {
    m_settings.setValue(QStringLiteral("selectedTranscriptionLanguage"), QStringLiteral("klingon"));
    installModelFile(WhisperModel::multilingualQuality);
    EXPECT_EQ(workspace().selectedTranscriptionLanguage(), TranscriptionLanguage::english);
    EXPECT_EQ(workspace().modelInstallState(), LocalModelInstallState::missing());
}

// A field signals when a different value is written and stays silent for an equal one.
TEST_F(WorkspaceTest, FieldsSignalOnlyRealChanges) {
    RecordingWorkspaceViewModel& subject = workspace();
    QSignalSpy status(&subject, &RecordingWorkspaceViewModel::statusTextChanged);
    QSignalSpy recordingSpy(&subject, &RecordingWorkspaceViewModel::recordingChanged);
    QSignalSpy state(&subject, &RecordingWorkspaceViewModel::modelInstallStateChanged);
    QSignalSpy selection(&subject, &RecordingWorkspaceViewModel::archiveSearchSelectionIndexChanged);

    subject.setStatusText(QStringLiteral("No recording loaded"));
    subject.setRecording(recording(QStringLiteral("/m/a")));
    subject.setRecording(recording(QStringLiteral("/m/a")));
    subject.setModelInstallState(LocalModelInstallState::failed(QStringLiteral("x")));
    subject.setModelInstallState(LocalModelInstallState::failed(QStringLiteral("x")));
    subject.setModelInstallState(LocalModelInstallState::failed(QStringLiteral("y")));
    subject.setArchiveSearchSelectionIndex(0);
    subject.setArchiveSearchSelectionIndex(std::nullopt);
    subject.setArchiveSearchSelectionIndex(std::nullopt);

    EXPECT_EQ(status.count(), 0);
    EXPECT_EQ(recordingSpy.count(), 1);
    EXPECT_EQ(state.count(), 2);
    EXPECT_EQ(selection.count(), 2);
    EXPECT_EQ(subject.modelInstallState().label(), QStringLiteral("Model install failed: y"));
}

TEST_F(WorkspaceTest, TranscribingNeedsCandidatesIdleFlagsAndNoRunningInstall) {
    RecordingWorkspaceViewModel& subject = workspace();
    subject.setRecording(recording(QStringLiteral("/m/a")));
    subject.setRecordingChoices({recording(QStringLiteral("/m/a"))});
    EXPECT_TRUE(subject.canTranscribe());
    EXPECT_TRUE(subject.canTranscribeAll());

    subject.setModelInstallState(LocalModelInstallState::installing());
    EXPECT_FALSE(subject.canTranscribe());
    EXPECT_FALSE(subject.canTranscribeAll());
    subject.setModelInstallState(LocalModelInstallState::failed(QStringLiteral("x")));
    subject.setIsBatchTranscribing(true);
    EXPECT_FALSE(subject.canTranscribe());
    EXPECT_FALSE(subject.canTranscribeAll());
    EXPECT_FALSE(subject.canSwitchWorkspaceSections());
    EXPECT_FALSE(subject.canReturnToRecordingChoices());
    subject.setIsBatchTranscribing(false);
    EXPECT_TRUE(subject.canReturnToRecordingChoices());

    subject.setRecording(recording(QStringLiteral("/m/text"), RecordingAssetKind::chatText));
    EXPECT_FALSE(subject.canTranscribe());
}

TEST_F(WorkspaceTest, ChoicesWithSavedTranscriptsOrOnlyTextNeverAskForTranscribeAll) {
    const MeetingRecording saved = recording(QStringLiteral("/m/saved"));
    m_store.saveTranscript(transcriptFor(saved.folderPath), saved);
    RecordingWorkspaceViewModel& subject = workspace();

    subject.setRecordingChoices({saved});
    EXPECT_FALSE(subject.canTranscribeAll());
    EXPECT_TRUE(subject.hasSavedTranscriptsInInbox());

    subject.setRecordingChoices({saved, recording(QStringLiteral("/m/text"), RecordingAssetKind::chatText)});
    EXPECT_FALSE(subject.canTranscribeAll());

    subject.setRecordingChoices({saved, recording(QStringLiteral("/m/new"))});
    EXPECT_TRUE(subject.canTranscribeAll());

    subject.setRecording(saved);
    EXPECT_EQ(subject.currentSavedTranscriptURL(), m_store.transcriptURL(saved));
    subject.setRecording(recording(QStringLiteral("/m/new")));
    EXPECT_FALSE(subject.currentSavedTranscriptURL());
}

TEST_F(WorkspaceTest, StatusTextsCountAndPluralise) {
    RecordingWorkspaceViewModel& subject = workspace();
    const struct {
        size_t choices;
        const char* text;
    } choiceCases[] = {{0, "0 recordings found"}, {1, "1 recording found"}, {12, "12 recordings found"}};
    for (const auto& test : choiceCases) {
        RecordingChoices choices;
        for (size_t i = 0; i < test.choices; ++i)
            choices.push_back(recording(QStringLiteral("/m/%1").arg(i)));
        subject.setRecordingChoices(choices);
        EXPECT_EQ(subject.recordingChoicesStatusText(), QString::fromUtf8(test.text));
    }

    TranscriptSearchResult hit;
    const struct {
        const char* query;
        size_t results;
        int saved;
        const char* text;
    } searchCases[] = {
        {"  \n ", 0, 0, "No saved transcripts yet"},  {"  ", 3, 1, "1 saved transcript available"},
        {"", 0, 5, "5 saved transcripts available"},  {"road", 0, 5, "No saved transcripts found"},
        {" road ", 1, 5, "1 saved transcript found"}, {"road", 2, 0, "2 saved transcripts found"},
    };
    for (const auto& test : searchCases) {
        subject.setArchiveSearchQuery(QString::fromUtf8(test.query));
        subject.setArchiveSearchResults(TranscriptSearchResults(test.results, hit));
        subject.setSavedTranscriptCount(test.saved);
        EXPECT_EQ(subject.archiveSearchStatusText(), QString::fromUtf8(test.text)) << test.query;
    }
}

TEST_F(WorkspaceTest, ProgressTextAddsTheElapsedTimeWhileTranscribing) {
    RecordingWorkspaceViewModel& subject = workspace();
    subject.setStatusText(QStringLiteral("Transcribing"));
    subject.setTranscriptionElapsedSeconds(125);
    EXPECT_EQ(subject.transcriptionProgressText(), QStringLiteral("Transcribing"));
    subject.setIsTranscribing(true);
    EXPECT_EQ(subject.transcriptionProgressText(), QStringLiteral("Transcribing · 2m 5s elapsed"));
    subject.setIsTranscribing(false);
    subject.setIsBatchTranscribing(true);
    EXPECT_EQ(subject.transcriptionProgressText(), QStringLiteral("Transcribing · 2m 5s elapsed"));
}

TEST_F(WorkspaceTest, DetectedLanguageNamesEnglishAndChineseAndShowsOtherCodesAsStored) {
    RecordingWorkspaceViewModel& subject = workspace();
    EXPECT_FALSE(subject.detectedTranscriptionLanguageText());
    TranscriptDocument document = transcriptFor(QStringLiteral("/m/a"));
    subject.setTranscript(document);
    EXPECT_FALSE(subject.detectedTranscriptionLanguageText());
    document.transcriptionMetadata = TranscriptMetadata{};
    subject.setTranscript(document);
    EXPECT_FALSE(subject.detectedTranscriptionLanguageText());
    const struct {
        const char* code;
        const char* text;
    } cases[] = {{"EN", "Detected: English"},
                 {"en", "Detected: English"},
                 {"Zh", "Detected: Chinese"},
                 {"fr", "Detected: fr"},
                 {"FR", "Detected: FR"}};
    for (const auto& test : cases) {
        document.transcriptionMetadata->detectedLanguage = QString::fromUtf8(test.code);
        subject.setTranscript(document);
        EXPECT_EQ(subject.detectedTranscriptionLanguageText(), QString::fromUtf8(test.text)) << test.code;
    }
}

TEST_F(WorkspaceTest, TheTranscriptsRecordingIsTheChoiceInTheSameFolder) {
    RecordingWorkspaceViewModel& subject = workspace();
    const MeetingRecording a = recording(QStringLiteral("/m/a"));
    const MeetingRecording b = recording(QStringLiteral("/m/b"));
    subject.setRecordingChoices({a, b});
    EXPECT_FALSE(subject.currentTranscriptRecording());
    for (const QString& folder :
         {QStringLiteral("/m/b"), QStringLiteral("/m/b/"), QStringLiteral("/m/./x/../b")}) {
        subject.setTranscript(transcriptFor(folder));
        EXPECT_EQ(subject.currentTranscriptRecording(), b) << qPrintable(folder);
    }
    subject.setTranscript(transcriptFor(QStringLiteral("/m/c")));
    EXPECT_FALSE(subject.currentTranscriptRecording());

    // The sidebar shows the open recording, else the recording of a transcript opened from the
    // archive search.
    subject.setTranscript(transcriptFor(QStringLiteral("/m/b")));
    EXPECT_FALSE(subject.recordingForSidebar());
    subject.setIsViewingArchiveSearchResult(true);
    EXPECT_EQ(subject.recordingForSidebar(), b);
    subject.setRecording(a);
    EXPECT_EQ(subject.recordingForSidebar(), a);
}

TEST_F(WorkspaceTest, NavigationBetweenArchiveSearchHitsAndChoices) {
    RecordingWorkspaceViewModel& subject = workspace();
    const MeetingRecording a = recording(QStringLiteral("/m/a"));
    subject.setRecordingChoices({a});
    subject.setRecording(a);
    subject.setTranscript(transcriptFor(a.folderPath));

    subject.setIsTranscribing(true);
    subject.showArchiveSearch();
    EXPECT_FALSE(subject.isViewingArchiveSearch());
    EXPECT_TRUE(subject.recording());
    subject.setIsTranscribing(false);

    subject.setSavedTranscriptCount(3);
    subject.showArchiveSearch();
    EXPECT_TRUE(subject.isViewingArchiveSearch());
    EXPECT_FALSE(subject.recording());
    EXPECT_FALSE(subject.transcript());
    EXPECT_EQ(subject.statusText(), QStringLiteral("3 saved transcripts available"));

    // An opened hit goes back to the hits, also while a transcribe-all run goes on.
    subject.setIsViewingArchiveSearch(false);
    subject.setIsViewingArchiveSearchResult(true);
    subject.setTranscript(transcriptFor(a.folderPath));
    subject.setIsBatchTranscribing(true);
    subject.returnToArchiveSearchResults();
    EXPECT_TRUE(subject.isViewingArchiveSearch());
    EXPECT_FALSE(subject.isViewingArchiveSearchResult());
    EXPECT_FALSE(subject.transcript());

    // Back to the choices only when there are some and nothing is transcribing.
    subject.returnToRecordingChoicesFromArchiveSearch();
    EXPECT_TRUE(subject.isViewingArchiveSearch());
    subject.setIsBatchTranscribing(false);
    subject.returnToRecordingChoicesFromArchiveSearch();
    EXPECT_FALSE(subject.isViewingArchiveSearch());
    EXPECT_EQ(subject.statusText(), QStringLiteral("1 recording found"));

    subject.setRecordingChoices({});
    subject.setIsViewingArchiveSearch(true);
    subject.returnToRecordingChoicesFromArchiveSearch();
    EXPECT_TRUE(subject.isViewingArchiveSearch());
    subject.setIsTranscribing(true);
    subject.setIsViewingArchiveSearchResult(true);
    subject.returnToArchiveSearchResults();
    EXPECT_TRUE(subject.isViewingArchiveSearchResult());
}
