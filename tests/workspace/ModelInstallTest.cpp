#include "WorkspaceFixture.h"

#include <QTest>

TEST_F(WorkspaceTest, PickingChineseSwitchesToTheMultilingualModelAndInstallsIt) {
    installBundledProgram();
    installModelFile(WhisperModel::fastEnglish);
    RecordingWorkspaceViewModel& subject = workspace();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installed());

    subject.selectTranscriptionLanguage(TranscriptionLanguage::chinese, false);
    EXPECT_EQ(subject.selectedWhisperModel(), WhisperModel::multilingualQuality);
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::missing());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Multilingual Quality is required for Chinese"));

    subject.selectTranscriptionLanguage(TranscriptionLanguage::autoDetect, true);
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installing());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Downloading local model"));
    settle();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installed());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Local model installed"));
    EXPECT_EQ(subject.installedWhisperModels(),
              (WhisperModelSet{WhisperModel::fastEnglish, WhisperModel::multilingualQuality}));

    // The fast English model cannot serve auto-detection: only the status line says so.
    subject.selectWhisperModel(WhisperModel::fastEnglish, true);
    EXPECT_EQ(subject.selectedWhisperModel(), WhisperModel::multilingualQuality);
    EXPECT_EQ(subject.statusText(), QStringLiteral("Auto-detect and Chinese require Multilingual Quality"));

    subject.selectTranscriptionLanguage(TranscriptionLanguage::english, false);
    EXPECT_EQ(subject.statusText(), QStringLiteral("Transcription language: English"));
    subject.selectWhisperModel(WhisperModel::fastEnglish, false);
    EXPECT_EQ(subject.statusText(), QStringLiteral("Using Fast English"));
}

TEST_F(WorkspaceTest, TheSelectedModelIsInstalledOnlyWhenAsked) {
    installBundledProgram();
    RecordingWorkspaceViewModel& subject = workspace();
    subject.setStatusText(QStringLiteral("before"));
    subject.selectWhisperModel(WhisperModel::fastEnglish, false);
    EXPECT_EQ(subject.statusText(), QStringLiteral("before"));
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::missing());

    subject.selectWhisperModel(WhisperModel::fastEnglish, true);
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installing());
    settle();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installed());
}

TEST_F(WorkspaceTest, AFailedInstallSaysWhyAndCanBeTriedAgain) {
    installBundledProgram();
    m_downloader.answer = ScriptedDownloader::Answer::failure;
    RecordingWorkspaceViewModel& subject = workspace();
    subject.installLocalModel(true, false);
    settle();
    const QString message = QStringLiteral("The network connection was lost.");
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::failed(message));
    EXPECT_EQ(subject.modelInstallState().label(), QStringLiteral("Model install failed: ") + message);
    EXPECT_EQ(subject.errorMessage(), message);
    EXPECT_EQ(subject.statusText(), QStringLiteral("Model install failed"));
    EXPECT_FALSE(subject.shouldTranscribeAfterModelInstall());

    m_downloader.answer = ScriptedDownloader::Answer::model;
    subject.installLocalModel(false, false);
    EXPECT_FALSE(subject.errorMessage());
    settle();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::installed());
}

// A cancelled install forgets the transcription waiting for it, and its late end changes nothing.
TEST_F(WorkspaceTest, ACancelledInstallIsIgnoredWhenItEnds) {
    installBundledProgram();
    m_downloader.answer = ScriptedDownloader::Answer::waitForCancel;
    RecordingWorkspaceViewModel& subject = workspace();
    subject.installLocalModel(true, false);
    EXPECT_TRUE(subject.shouldTranscribeAfterModelInstall());
    subject.cancelModelInstall();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::cancelled());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Model install cancelled"));
    EXPECT_FALSE(subject.shouldTranscribeAfterModelInstall());
    settle();
    EXPECT_EQ(subject.modelInstallState(), LocalModelInstallState::cancelled());
    EXPECT_EQ(subject.statusText(), QStringLiteral("Model install cancelled"));
}
