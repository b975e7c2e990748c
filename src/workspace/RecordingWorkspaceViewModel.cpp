#include "workspace/RecordingWorkspaceViewModel.h"

#include "models/Formatting.h"
#include "models/SpeakerLabels.h"

#include <QDir>
#include <exception>
#include <utility>

namespace {

// Folder locations compared as standardized paths: "." and ".." resolved, no trailing slash.
bool sameFolder(const QString& a, const QString& b) {
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}

} // namespace

RecordingWorkspaceViewModel::RecordingWorkspaceViewModel(RecordingFolderParser parser, TranscriptStore store,
                                                         WhisperProvisioner& whisperProvisioner,
                                                         RecordingSourceStore& recordingSourceStore,
                                                         QObject* parent)
    : QObject(parent)
    , m_parser(std::move(parser))
    , m_store(std::move(store))
    , m_whisperProvisioner(whisperProvisioner)
    , m_recordingSourceStore(recordingSourceStore) {
    // The elapsed seconds of a running transcription, counted up once a second.
    m_transcriptionTimer.setInterval(1000);
    connect(&m_transcriptionTimer, &QTimer::timeout, this, [this] {
        setTranscriptionElapsedSeconds(static_cast<double>(m_transcriptionClock.nsecsElapsed()) / 1e9);
    });
    m_selectedWhisperModel = m_whisperProvisioner.selectedModel();
    m_selectedTranscriptionLanguage =
        m_whisperProvisioner.settingsStore().selectedLanguage().value_or(TranscriptionLanguage::english);
    refreshInstalledModels();
    m_modelInstallState = m_whisperProvisioner.resolver().installedModelPath(m_selectedWhisperModel)
                              ? LocalModelInstallState::installed()
                              : LocalModelInstallState::missing();
}

RecordingWorkspaceViewModel::~RecordingWorkspaceViewModel() {
    m_modelInstallStop.request_stop();
    m_transcriptionStop.request_stop();
}

template <typename T>
void RecordingWorkspaceViewModel::assign(T& field, const T& value,
                                         void (RecordingWorkspaceViewModel::*changed)()) {
    if (field == value)
        return;
    field = value;
    Q_EMIT(this->*changed)();
}

void RecordingWorkspaceViewModel::setRecording(const std::optional<MeetingRecording>& value) {
    assign(m_recording, value, &RecordingWorkspaceViewModel::recordingChanged);
}
void RecordingWorkspaceViewModel::setRecordingChoices(const RecordingChoices& value) {
    assign(m_recordingChoices, value, &RecordingWorkspaceViewModel::recordingChoicesChanged);
}
void RecordingWorkspaceViewModel::setTranscript(const std::optional<TranscriptDocument>& value) {
    assign(m_transcript, value, &RecordingWorkspaceViewModel::transcriptChanged);
}
void RecordingWorkspaceViewModel::setStatusText(const QString& value) {
    assign(m_statusText, value, &RecordingWorkspaceViewModel::statusTextChanged);
}
void RecordingWorkspaceViewModel::setErrorMessage(const std::optional<QString>& value) {
    assign(m_errorMessage, value, &RecordingWorkspaceViewModel::errorMessageChanged);
}
void RecordingWorkspaceViewModel::setIsImporting(bool value) {
    assign(m_isImporting, value, &RecordingWorkspaceViewModel::isImportingChanged);
}
void RecordingWorkspaceViewModel::setIsTranscribing(bool value) {
    assign(m_isTranscribing, value, &RecordingWorkspaceViewModel::isTranscribingChanged);
}
void RecordingWorkspaceViewModel::setIsBatchTranscribing(bool value) {
    assign(m_isBatchTranscribing, value, &RecordingWorkspaceViewModel::isBatchTranscribingChanged);
}
void RecordingWorkspaceViewModel::setIsSidebarVisible(bool value) {
    assign(m_isSidebarVisible, value, &RecordingWorkspaceViewModel::isSidebarVisibleChanged);
}
void RecordingWorkspaceViewModel::setRecordingStatuses(const RecordingStatusMap& value) {
    assign(m_recordingStatuses, value, &RecordingWorkspaceViewModel::recordingStatusesChanged);
}
void RecordingWorkspaceViewModel::setRecordingStatusDetails(const RecordingStatusDetailMap& value) {
    assign(m_recordingStatusDetails, value, &RecordingWorkspaceViewModel::recordingStatusDetailsChanged);
}
void RecordingWorkspaceViewModel::setModelInstallState(const LocalModelInstallState& value) {
    assign(m_modelInstallState, value, &RecordingWorkspaceViewModel::modelInstallStateChanged);
}
void RecordingWorkspaceViewModel::setArchiveSearchQuery(const QString& value) {
    assign(m_archiveSearchQuery, value, &RecordingWorkspaceViewModel::archiveSearchQueryChanged);
}
void RecordingWorkspaceViewModel::setArchiveSearchResults(const TranscriptSearchResults& value) {
    assign(m_archiveSearchResults, value, &RecordingWorkspaceViewModel::archiveSearchResultsChanged);
}
void RecordingWorkspaceViewModel::setArchiveSearchSelectionIndex(std::optional<int> value) {
    assign(m_archiveSearchSelectionIndex, value,
           &RecordingWorkspaceViewModel::archiveSearchSelectionIndexChanged);
}
void RecordingWorkspaceViewModel::setIsViewingArchiveSearch(bool value) {
    assign(m_isViewingArchiveSearch, value, &RecordingWorkspaceViewModel::isViewingArchiveSearchChanged);
}
void RecordingWorkspaceViewModel::setIsViewingArchiveSearchResult(bool value) {
    assign(m_isViewingArchiveSearchResult, value,
           &RecordingWorkspaceViewModel::isViewingArchiveSearchResultChanged);
}
void RecordingWorkspaceViewModel::setSavedTranscriptCount(int value) {
    assign(m_savedTranscriptCount, value, &RecordingWorkspaceViewModel::savedTranscriptCountChanged);
}
void RecordingWorkspaceViewModel::setShouldTranscribeAfterModelInstall(bool value) {
    assign(m_shouldTranscribeAfterModelInstall, value,
           &RecordingWorkspaceViewModel::shouldTranscribeAfterModelInstallChanged);
}
void RecordingWorkspaceViewModel::setShouldTranscribeAllAfterModelInstall(bool value) {
    assign(m_shouldTranscribeAllAfterModelInstall, value,
           &RecordingWorkspaceViewModel::shouldTranscribeAllAfterModelInstallChanged);
}
void RecordingWorkspaceViewModel::setBatchProgressText(const std::optional<QString>& value) {
    assign(m_batchProgressText, value, &RecordingWorkspaceViewModel::batchProgressTextChanged);
}
void RecordingWorkspaceViewModel::setTranscriptionElapsedSeconds(double value) {
    assign(m_transcriptionElapsedSeconds, value,
           &RecordingWorkspaceViewModel::transcriptionElapsedSecondsChanged);
}
void RecordingWorkspaceViewModel::setSelectedWhisperModel(WhisperModel value) {
    assign(m_selectedWhisperModel, value, &RecordingWorkspaceViewModel::selectedWhisperModelChanged);
}
void RecordingWorkspaceViewModel::setSelectedTranscriptionLanguage(TranscriptionLanguage value) {
    assign(m_selectedTranscriptionLanguage, value,
           &RecordingWorkspaceViewModel::selectedTranscriptionLanguageChanged);
}
void RecordingWorkspaceViewModel::setInstalledWhisperModels(const WhisperModelSet& value) {
    assign(m_installedWhisperModels, value, &RecordingWorkspaceViewModel::installedWhisperModelsChanged);
}

bool RecordingWorkspaceViewModel::isSidebarAvailable() const {
    return m_recording || !m_recordingChoices.empty();
}

std::optional<MeetingRecording> RecordingWorkspaceViewModel::recordingForSidebar() const {
    if (m_recording)
        return m_recording;
    return m_isViewingArchiveSearchResult ? currentTranscriptRecording() : std::nullopt;
}

std::optional<MeetingRecording> RecordingWorkspaceViewModel::currentTranscriptRecording() const {
    if (!m_transcript)
        return std::nullopt;
    for (const MeetingRecording& choice : m_recordingChoices) {
        if (sameFolder(choice.folderPath, m_transcript->recordingFolderPath))
            return choice;
    }
    return std::nullopt;
}

bool RecordingWorkspaceViewModel::canTranscribe() const {
    return m_recording && !m_recording->transcriptionCandidates().empty() && !isAnyTranscriptionRunning() &&
           m_modelInstallState.kind != LocalModelInstallState::Kind::installing;
}

bool RecordingWorkspaceViewModel::canTranscribeAll() const {
    if (m_recordingChoices.empty() || isAnyTranscriptionRunning() ||
        m_modelInstallState.kind == LocalModelInstallState::Kind::installing)
        return false;
    for (const MeetingRecording& choice : m_recordingChoices) {
        if (!choice.transcriptionCandidates().empty() && !savedTranscriptURL(choice))
            return true;
    }
    return false;
}

bool RecordingWorkspaceViewModel::hasSavedTranscriptsInInbox() const {
    for (const MeetingRecording& choice : m_recordingChoices) {
        if (savedTranscriptURL(choice))
            return true;
    }
    return false;
}

std::optional<QString> RecordingWorkspaceViewModel::currentSavedTranscriptURL() const {
    return m_recording ? savedTranscriptURL(*m_recording) : std::nullopt;
}

bool RecordingWorkspaceViewModel::canSwitchWorkspaceSections() const {
    return !m_recordingChoices.empty() && !isAnyTranscriptionRunning();
}

bool RecordingWorkspaceViewModel::canReturnToRecordingChoices() const {
    return m_recording && canSwitchWorkspaceSections();
}

QString RecordingWorkspaceViewModel::transcriptionProgressText() const {
    if (!isAnyTranscriptionRunning())
        return m_statusText;
    return m_statusText + QStringLiteral(" · ") + Formatting::formatDuration(m_transcriptionElapsedSeconds) +
           QStringLiteral(" elapsed");
}

std::optional<QString> RecordingWorkspaceViewModel::detectedTranscriptionLanguageText() const {
    if (!m_transcript || !m_transcript->transcriptionMetadata ||
        !m_transcript->transcriptionMetadata->detectedLanguage)
        return std::nullopt;
    const QString& code = *m_transcript->transcriptionMetadata->detectedLanguage;
    QString name = code;
    if (code.toLower() == QStringLiteral("en"))
        name = QStringLiteral("English");
    else if (code.toLower() == QStringLiteral("zh"))
        name = QStringLiteral("Chinese");
    return QStringLiteral("Detected: ") + name;
}

QString RecordingWorkspaceViewModel::recordingChoicesStatusText() const {
    return Formatting::countPhrase(static_cast<qsizetype>(m_recordingChoices.size()),
                                   QStringLiteral("recording")) +
           QStringLiteral(" found");
}

QString RecordingWorkspaceViewModel::archiveSearchStatusText() const {
    if (!m_archiveSearchQuery.trimmed().isEmpty()) {
        if (m_archiveSearchResults.empty())
            return QStringLiteral("No saved transcripts found");
        return foundText(m_archiveSearchResults.size());
    }
    if (m_savedTranscriptCount == 0)
        return QStringLiteral("No saved transcripts yet");
    return Formatting::countPhrase(m_savedTranscriptCount, QStringLiteral("saved transcript")) +
           QStringLiteral(" available");
}

QString RecordingWorkspaceViewModel::foundText(size_t hits) {
    return Formatting::countPhrase(static_cast<qsizetype>(hits), QStringLiteral("saved transcript")) +
           QStringLiteral(" found");
}

std::vector<SpeakerNameEntry> RecordingWorkspaceViewModel::speakerNameEntries() const {
    return m_transcript ? SpeakerLabels::entries(*m_transcript) : std::vector<SpeakerNameEntry>{};
}

QStringList RecordingWorkspaceViewModel::detectedSpeakerLabels(const QString& body) {
    return SpeakerLabels::detected(body);
}

void RecordingWorkspaceViewModel::showArchiveSearch() {
    if (isAnyTranscriptionRunning())
        return;
    showScreen(true, archiveSearchStatusText());
}

void RecordingWorkspaceViewModel::returnToRecordingChoicesFromArchiveSearch() {
    if (m_recordingChoices.empty() || isAnyTranscriptionRunning())
        return;
    showScreen(false, recordingChoicesStatusText());
}

void RecordingWorkspaceViewModel::returnToArchiveSearchResults() {
    // A running transcribe-all run does not hold the user on an opened hit.
    if (!m_isViewingArchiveSearchResult || m_isTranscribing)
        return;
    showScreen(true, archiveSearchStatusText());
}

void RecordingWorkspaceViewModel::showScreen(bool archiveSearch, const QString& status) {
    setRecording(std::nullopt);
    setTranscript(std::nullopt);
    setIsViewingArchiveSearch(archiveSearch);
    setIsViewingArchiveSearchResult(false);
    setStatusText(status);
}

std::optional<QString>
RecordingWorkspaceViewModel::savedTranscriptURL(const MeetingRecording& recording) const {
    try {
        return m_store.savedTranscriptURL(recording);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
