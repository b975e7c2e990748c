// The view model's choice of Whisper model and language, and the model install.
#include "models/CancelledError.h"
#include "workspace/BackgroundWork.h"
#include "workspace/RecordingWorkspaceViewModel.h"
#include "workspace/WorkerProvisioner.h"

#include <exception>

namespace {

// How an install on a worker ended: failure is empty on success.
struct InstallOutcome {
    bool cancelled = false;
    QString failure;
};

} // namespace

void RecordingWorkspaceViewModel::selectTranscriptionLanguage(TranscriptionLanguage language,
                                                              bool installIfNeeded) {
    if (language == m_selectedTranscriptionLanguage)
        return;
    if (isModelInstalling())
        cancelModelInstall();
    setSelectedTranscriptionLanguage(language);
    m_whisperProvisioner.selectLanguage(language);
    setSelectedWhisperModel(m_whisperProvisioner.selectedModel());
    recomputeModelInstallState();
    const QString languageName = TranscriptionLanguages::displayName(language);
    if (m_modelInstallState == LocalModelInstallState::missing())
        setStatusText(WhisperModels::displayName(m_selectedWhisperModel) +
                      QStringLiteral(" is required for ") + languageName);
    else
        setStatusText(QStringLiteral("Transcription language: ") + languageName);
    if (installIfNeeded)
        installLocalModel(false, false);
}

void RecordingWorkspaceViewModel::selectWhisperModel(WhisperModel model, bool installIfNeeded) {
    if (!WhisperModels::supports(model, m_selectedTranscriptionLanguage)) {
        setStatusText(QStringLiteral("Auto-detect and Chinese require Multilingual Quality"));
        return;
    }
    if (model == m_selectedWhisperModel && (isModelInstalling() || !installIfNeeded))
        return;
    // Cancelling clears the requests; a transcription waiting for the old model still starts.
    const bool thenTranscribe = m_shouldTranscribeAfterModelInstall;
    const bool thenTranscribeAll = m_shouldTranscribeAllAfterModelInstall;
    if (isModelInstalling())
        cancelModelInstall();
    setSelectedWhisperModel(model);
    m_whisperProvisioner.selectModel(model);
    recomputeModelInstallState();
    const QString modelName = WhisperModels::displayName(model);
    const bool installed = m_modelInstallState == LocalModelInstallState::installed();
    setStatusText(installed ? QStringLiteral("Using ") + modelName
                            : modelName + QStringLiteral(" is not installed"));
    if (installIfNeeded && !installed) {
        installLocalModel(thenTranscribe, thenTranscribeAll);
        return;
    }
    if (thenTranscribe)
        transcribe();
    else if (thenTranscribeAll)
        transcribeAllRecordings();
}

void RecordingWorkspaceViewModel::installLocalModel(bool thenTranscribe, bool thenTranscribeAll) {
    if (m_modelInstallState == LocalModelInstallState::installed() || isModelInstalling())
        return;
    const int generation = ++m_modelInstallGeneration;
    m_modelInstallStop.request_stop();
    m_modelInstallStop = std::stop_source();
    setShouldTranscribeAfterModelInstall(thenTranscribe);
    setShouldTranscribeAllAfterModelInstall(thenTranscribeAll);
    setModelInstallState(LocalModelInstallState::installing());
    setStatusText(QStringLiteral("Downloading local model"));
    setErrorMessage(std::nullopt);
    BackgroundWork::run(
        this,
        [blueprint = WorkerProvisioner::Blueprint::of(m_whisperProvisioner), model = m_selectedWhisperModel,
         language = m_selectedTranscriptionLanguage,
         stop = m_modelInstallStop.get_token()]() -> InstallOutcome {
            try {
                WorkerProvisioner worker(blueprint);
                worker.provisioner().ensureConfiguration(model, language, stop);
                return {};
            } catch (const CancelledError&) {
                return {true, {}};
            } catch (const std::exception& error) {
                const QString text = QString::fromUtf8(error.what());
                return {false, text.isEmpty() ? QStringLiteral("The model could not be installed.") : text};
            }
        },
        [this, generation](const InstallOutcome& outcome) {
            if (m_modelInstallGeneration != generation)
                return;
            reloadWhisperChoices();
            if (outcome.cancelled || !outcome.failure.isEmpty()) {
                setShouldTranscribeAfterModelInstall(false);
                setShouldTranscribeAllAfterModelInstall(false);
                if (outcome.cancelled) {
                    setModelInstallState(LocalModelInstallState::cancelled());
                    setStatusText(QStringLiteral("Model install cancelled"));
                } else {
                    setModelInstallState(LocalModelInstallState::failed(outcome.failure));
                    setErrorMessage(outcome.failure);
                    setStatusText(QStringLiteral("Model install failed"));
                }
                return;
            }
            setModelInstallState(LocalModelInstallState::installed());
            setStatusText(QStringLiteral("Local model installed"));
            if (m_shouldTranscribeAfterModelInstall) {
                setShouldTranscribeAfterModelInstall(false);
                transcribe();
            } else if (m_shouldTranscribeAllAfterModelInstall) {
                setShouldTranscribeAllAfterModelInstall(false);
                transcribeAllRecordings();
            }
        });
}

void RecordingWorkspaceViewModel::cancelModelInstall() {
    if (!isModelInstalling())
        return;
    ++m_modelInstallGeneration;
    m_modelInstallStop.request_stop();
    setShouldTranscribeAfterModelInstall(false);
    setShouldTranscribeAllAfterModelInstall(false);
    setModelInstallState(LocalModelInstallState::cancelled());
    setStatusText(QStringLiteral("Model install cancelled"));
}

void RecordingWorkspaceViewModel::recomputeModelInstallState() {
    refreshInstalledModels();
    setModelInstallState(m_installedWhisperModels.contains(m_selectedWhisperModel)
                             ? LocalModelInstallState::installed()
                             : LocalModelInstallState::missing());
}

void RecordingWorkspaceViewModel::reloadWhisperChoices() {
    m_whisperProvisioner.settingsStore().settings().sync();
    refreshInstalledModels();
}

void RecordingWorkspaceViewModel::refreshInstalledModels() {
    const std::vector<WhisperModel> installed = m_whisperProvisioner.installedModels();
    setInstalledWhisperModels(WhisperModelSet(installed.begin(), installed.end()));
}
