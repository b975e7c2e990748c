#pragma once

#include "models/LocalModelInstallState.h"
#include "models/MeetingRecording.h"
#include "models/RecordingIndexEntry.h"
#include "models/RecordingStatus.h"
#include "models/SpeakerNameEntry.h"
#include "models/TranscriptDocument.h"
#include "models/TranscriptExportFormat.h"
#include "models/TranscriptSearchResult.h"
#include "models/TranscriptionLanguage.h"
#include "models/WhisperModel.h"
#include "services/RecordingFolderParser.h"
#include "services/RecordingSourceStore.h"
#include "services/TranscriptStore.h"
#include "services/TranscriptionService.h"
#include "services/WhisperProvisioner.h"
#include "workspace/ExportDialogs.h"
#include "workspace/FolderChoosing.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

using RecordingChoices = std::vector<MeetingRecording>;
using RecordingStatusMap = std::map<QString, RecordingStatus>; // by recording ID
using RecordingStatusDetailMap = std::map<QString, QString>;   // by recording ID
using TranscriptSearchResults = std::vector<TranscriptSearchResult>;
using WhisperModelSet = std::set<WhisperModel>;

// The single state object of the application: what the window shows, the services that do the
// work, and the entry point of every user action. It lives on the main thread; each observed
// field is a property whose setter signals only when the value really changes.
class RecordingWorkspaceViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        std::optional<MeetingRecording> recording READ recording WRITE setRecording NOTIFY recordingChanged)
    Q_PROPERTY(RecordingChoices recordingChoices READ recordingChoices WRITE setRecordingChoices NOTIFY
                   recordingChoicesChanged)
    Q_PROPERTY(std::optional<TranscriptDocument> transcript READ transcript WRITE setTranscript NOTIFY
                   transcriptChanged)
    Q_PROPERTY(QString statusText READ statusText WRITE setStatusText NOTIFY statusTextChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY
                   errorMessageChanged)
    Q_PROPERTY(bool isImporting READ isImporting WRITE setIsImporting NOTIFY isImportingChanged)
    Q_PROPERTY(bool isTranscribing READ isTranscribing WRITE setIsTranscribing NOTIFY isTranscribingChanged)
    Q_PROPERTY(bool isBatchTranscribing READ isBatchTranscribing WRITE setIsBatchTranscribing NOTIFY
                   isBatchTranscribingChanged)
    Q_PROPERTY(
        bool isSidebarVisible READ isSidebarVisible WRITE setIsSidebarVisible NOTIFY isSidebarVisibleChanged)
    Q_PROPERTY(RecordingStatusMap recordingStatuses READ recordingStatuses WRITE setRecordingStatuses NOTIFY
                   recordingStatusesChanged)
    Q_PROPERTY(RecordingStatusDetailMap recordingStatusDetails READ recordingStatusDetails WRITE
                   setRecordingStatusDetails NOTIFY recordingStatusDetailsChanged)
    Q_PROPERTY(LocalModelInstallState modelInstallState READ modelInstallState WRITE setModelInstallState
                   NOTIFY modelInstallStateChanged)
    Q_PROPERTY(QString archiveSearchQuery READ archiveSearchQuery WRITE setArchiveSearchQuery NOTIFY
                   archiveSearchQueryChanged)
    Q_PROPERTY(TranscriptSearchResults archiveSearchResults READ archiveSearchResults WRITE
                   setArchiveSearchResults NOTIFY archiveSearchResultsChanged)
    Q_PROPERTY(std::optional<int> archiveSearchSelectionIndex READ archiveSearchSelectionIndex WRITE
                   setArchiveSearchSelectionIndex NOTIFY archiveSearchSelectionIndexChanged)
    Q_PROPERTY(bool isViewingArchiveSearch READ isViewingArchiveSearch WRITE setIsViewingArchiveSearch NOTIFY
                   isViewingArchiveSearchChanged)
    Q_PROPERTY(bool isViewingArchiveSearchResult READ isViewingArchiveSearchResult WRITE
                   setIsViewingArchiveSearchResult NOTIFY isViewingArchiveSearchResultChanged)
    Q_PROPERTY(int savedTranscriptCount READ savedTranscriptCount WRITE setSavedTranscriptCount NOTIFY
                   savedTranscriptCountChanged)
    Q_PROPERTY(bool shouldTranscribeAfterModelInstall READ shouldTranscribeAfterModelInstall WRITE
                   setShouldTranscribeAfterModelInstall NOTIFY shouldTranscribeAfterModelInstallChanged)
    Q_PROPERTY(bool shouldTranscribeAllAfterModelInstall READ shouldTranscribeAllAfterModelInstall WRITE
                   setShouldTranscribeAllAfterModelInstall NOTIFY shouldTranscribeAllAfterModelInstallChanged)
    Q_PROPERTY(std::optional<QString> batchProgressText READ batchProgressText WRITE setBatchProgressText
                   NOTIFY batchProgressTextChanged)
    Q_PROPERTY(double transcriptionElapsedSeconds READ transcriptionElapsedSeconds WRITE
                   setTranscriptionElapsedSeconds NOTIFY transcriptionElapsedSecondsChanged)
    Q_PROPERTY(WhisperModel selectedWhisperModel READ selectedWhisperModel WRITE setSelectedWhisperModel
                   NOTIFY selectedWhisperModelChanged)
    Q_PROPERTY(TranscriptionLanguage selectedTranscriptionLanguage READ selectedTranscriptionLanguage WRITE
                   setSelectedTranscriptionLanguage NOTIFY selectedTranscriptionLanguageChanged)
    Q_PROPERTY(WhisperModelSet installedWhisperModels READ installedWhisperModels WRITE
                   setInstalledWhisperModels NOTIFY installedWhisperModelsChanged)

public:
    // Reads the model and language choices and whether the chosen model is installed; reads no
    // recording folder and no transcript.
    RecordingWorkspaceViewModel(RecordingFolderParser parser, TranscriptStore store,
                                WhisperProvisioner& whisperProvisioner,
                                RecordingSourceStore& recordingSourceStore, QObject* parent = nullptr);
    // Stops a running model download and transcription (and their child processes); their
    // results are dropped.
    ~RecordingWorkspaceViewModel() override;

    const std::optional<MeetingRecording>& recording() const { return m_recording; }
    const RecordingChoices& recordingChoices() const { return m_recordingChoices; }
    const std::optional<TranscriptDocument>& transcript() const { return m_transcript; }
    const QString& statusText() const { return m_statusText; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    bool isImporting() const { return m_isImporting; }
    bool isTranscribing() const { return m_isTranscribing; }
    bool isBatchTranscribing() const { return m_isBatchTranscribing; }
    bool isSidebarVisible() const { return m_isSidebarVisible; }
    const RecordingStatusMap& recordingStatuses() const { return m_recordingStatuses; }
    const RecordingStatusDetailMap& recordingStatusDetails() const { return m_recordingStatusDetails; }
    const LocalModelInstallState& modelInstallState() const { return m_modelInstallState; }
    const QString& archiveSearchQuery() const { return m_archiveSearchQuery; }
    const TranscriptSearchResults& archiveSearchResults() const { return m_archiveSearchResults; }
    std::optional<int> archiveSearchSelectionIndex() const { return m_archiveSearchSelectionIndex; }
    bool isViewingArchiveSearch() const { return m_isViewingArchiveSearch; }
    bool isViewingArchiveSearchResult() const { return m_isViewingArchiveSearchResult; }
    int savedTranscriptCount() const { return m_savedTranscriptCount; }
    bool shouldTranscribeAfterModelInstall() const { return m_shouldTranscribeAfterModelInstall; }
    bool shouldTranscribeAllAfterModelInstall() const { return m_shouldTranscribeAllAfterModelInstall; }
    const std::optional<QString>& batchProgressText() const { return m_batchProgressText; }
    double transcriptionElapsedSeconds() const { return m_transcriptionElapsedSeconds; }
    WhisperModel selectedWhisperModel() const { return m_selectedWhisperModel; }
    TranscriptionLanguage selectedTranscriptionLanguage() const { return m_selectedTranscriptionLanguage; }
    const WhisperModelSet& installedWhisperModels() const { return m_installedWhisperModels; }

    void setRecording(const std::optional<MeetingRecording>& value);
    void setRecordingChoices(const RecordingChoices& value);
    void setTranscript(const std::optional<TranscriptDocument>& value);
    void setStatusText(const QString& value);
    void setErrorMessage(const std::optional<QString>& value);
    void setIsImporting(bool value);
    void setIsTranscribing(bool value);
    void setIsBatchTranscribing(bool value);
    void setIsSidebarVisible(bool value);
    void setRecordingStatuses(const RecordingStatusMap& value);
    void setRecordingStatusDetails(const RecordingStatusDetailMap& value);
    void setModelInstallState(const LocalModelInstallState& value);
    void setArchiveSearchQuery(const QString& value);
    void setArchiveSearchResults(const TranscriptSearchResults& value);
    void setArchiveSearchSelectionIndex(std::optional<int> value);
    void setIsViewingArchiveSearch(bool value);
    void setIsViewingArchiveSearchResult(bool value);
    void setSavedTranscriptCount(int value);
    void setShouldTranscribeAfterModelInstall(bool value);
    void setShouldTranscribeAllAfterModelInstall(bool value);
    void setBatchProgressText(const std::optional<QString>& value);
    void setTranscriptionElapsedSeconds(double value);
    void setSelectedWhisperModel(WhisperModel value);
    void setSelectedTranscriptionLanguage(TranscriptionLanguage value);
    void setInstalledWhisperModels(const WhisperModelSet& value);

    // Derived values, computed on every read from the fields above; a view that shows one
    // listens to the change signals of the fields it names.
    bool isSidebarAvailable() const;                             // recording, recordingChoices
    std::optional<MeetingRecording> recordingForSidebar() const; // + transcript, isViewingArchiveSearchResult
    std::optional<MeetingRecording> currentTranscriptRecording() const; // transcript, recordingChoices
    bool canTranscribe() const;    // recording, isTranscribing, isBatchTranscribing, modelInstallState
    bool canTranscribeAll() const; // recordingChoices and the same flags; asks the store
    bool hasSavedTranscriptsInInbox() const;                  // recordingChoices; asks the store
    std::optional<QString> currentSavedTranscriptURL() const; // recording; asks the store
    bool canSwitchWorkspaceSections() const;                  // recordingChoices, both transcribing flags
    bool canReturnToRecordingChoices() const;                 // + recording
    QString transcriptionProgressText() const;                // statusText, flags, elapsed seconds
    std::optional<QString> detectedTranscriptionLanguageText() const; // transcript
    QString recordingChoicesStatusText() const;                       // recordingChoices
    QString archiveSearchStatusText() const;                          // query, results, savedTranscriptCount
    std::vector<SpeakerNameEntry> speakerNameEntries() const;         // transcript

    // Navigation between the archive search, its hits and the list of recordings.
    void showArchiveSearch();
    void returnToRecordingChoicesFromArchiveSearch();
    void returnToArchiveSearchResults();

    // The archive search: a synchronous phrase search on every change of the query, a selection
    // moved with the arrow keys, and opening a hit as a transcript without a recording.
    void updateArchiveSearchQuery(const QString& query);
    void moveArchiveSearchSelection(int offset);
    void openSelectedArchiveSearchResult();
    void openArchiveSearchResult(const TranscriptSearchResult& result);
    void clearArchiveSearch();

    // Editing the open transcript; every effective change is saved at once, for the recording
    // when there is one, else under the transcript's title.
    void updateTranscriptBlock(qsizetype id, const QString& text);
    void updateTranscriptBody(const QString& body);
    void updateSpeakerName(const QString& canonicalName, const QString& displayName);
    static QString replacingSpeakerLabel(const QString& oldLabel, const QString& newLabel,
                                         const QString& body);

    // Exporting the open transcript to a file the user chooses, and sharing it from a fresh
    // temporary file. The dialogs are not owned; without them, nothing is asked.
    void setExportDialogs(ExportDialogs* dialogs) { m_exportDialogs = dialogs; }
    void share(TranscriptExportFormat format);
    void exportTranscript(TranscriptExportFormat format);
    // False, with the reason shown, when no window could show the picker.
    bool presentSharingPicker(const QString& file);

    // The number of saved transcripts, one per recording folder, into savedTranscriptCount; a
    // failed listing counts as none. The background variant lists on a worker thread; as the
    // first listing after start it also rewrites the search index's cache file.
    void refreshSavedTranscriptCount();
    void refreshSavedTranscriptCountInBackground();

    // Importing folders: choose one, check it in the background, remember it, then reload every
    // remembered folder into the list of recordings. A newer import or a forget silences an
    // older one. The chooser is not owned; without one, nothing is asked.
    void setFolderChooser(FolderChoosing* chooser) { m_folderChooser = chooser; }
    void openRecordingFolderImporter();
    void importFolderInBackground(const QString& folder);
    // done, when given, runs on the main thread once the reload has ended, applied or dropped.
    void loadRememberedRecordingSourcesInBackground(bool selectSingleRecording,
                                                    std::function<void()> done = {});
    void selectRecording(const MeetingRecording& recording);
    void forgetRecordingSources();

    // Transcribing the shown recording, or every choice still without a transcript, on worker
    // threads; the status line follows the progress and the elapsed seconds count up.
    using TranscriberFactory = std::function<std::shared_ptr<TranscriptionService>(
        const WhisperCommandConfiguration& configuration, TranscriptionLanguage language,
        WhisperModel model)>;
    // The default makes the Whisper command service with our own speaker identification.
    void setTranscriberFactory(TranscriberFactory factory) { m_transcriberFactory = std::move(factory); }
    void transcribe();
    void transcribeAllRecordings();
    void cancelTranscription();

    // Choosing the model and the language, and installing the chosen model in the background.
    // An install can be cancelled, and one that was asked for by a transcription starts it
    // when it ends well.
    void selectTranscriptionLanguage(TranscriptionLanguage language, bool installIfNeeded);
    void selectWhisperModel(WhisperModel model, bool installIfNeeded);
    void installLocalModel(bool thenTranscribe, bool thenTranscribeAll);
    void cancelModelInstall();

    // Recording statuses. refreshStatuses() works out each recording's status from the recording
    // index and the transcript files, publishes it with its detail and writes it back; a failure
    // marks only that recording. saveStatus() publishes a status and records it, ignoring a
    // failed write.
    void refreshStatuses(const std::vector<MeetingRecording>& recordings);
    void saveStatus(RecordingStatus status, const MeetingRecording& recording,
                    const std::optional<QString>& detail = std::nullopt);
    RecordingStatus defaultStatus(const MeetingRecording& recording) const;
    RecordingStatus resolvedStatus(const MeetingRecording& recording,
                                   std::optional<RecordingStatus> storedStatus) const;
    static std::optional<QString> statusDetail(const MeetingRecording& recording,
                                               const std::optional<RecordingIndexEntry>& storedEntry,
                                               RecordingStatus resolvedStatus);

    // The labels of a body's heading lines, in body order.
    static QStringList detectedSpeakerLabels(const QString& body);

Q_SIGNALS:
    void recordingChanged();
    void recordingChoicesChanged();
    void transcriptChanged();
    void statusTextChanged();
    void errorMessageChanged();
    void isImportingChanged();
    void isTranscribingChanged();
    void isBatchTranscribingChanged();
    void isSidebarVisibleChanged();
    void recordingStatusesChanged();
    void recordingStatusDetailsChanged();
    void modelInstallStateChanged();
    void archiveSearchQueryChanged();
    void archiveSearchResultsChanged();
    void archiveSearchSelectionIndexChanged();
    void isViewingArchiveSearchChanged();
    void isViewingArchiveSearchResultChanged();
    void savedTranscriptCountChanged();
    void shouldTranscribeAfterModelInstallChanged();
    void shouldTranscribeAllAfterModelInstallChanged();
    void batchProgressTextChanged();
    void transcriptionElapsedSecondsChanged();
    void selectedWhisperModelChanged();
    void selectedTranscriptionLanguageChanged();
    void installedWhisperModelsChanged();

private:
    // Stores the value and emits changed() only when it differs from the current one.
    template <typename T>
    void assign(T& field, const T& value, void (RecordingWorkspaceViewModel::*changed)());

    bool isAnyTranscriptionRunning() const { return m_isTranscribing || m_isBatchTranscribing; }
    // The saved transcript's location, or none also when the store fails.
    std::optional<QString> savedTranscriptURL(const MeetingRecording& recording) const;
    // Publishes an edited document with a new updatedAt and saves it; the status line says
    // `saved` on success, "Save failed" otherwise.
    void publishAndSaveEdit(TranscriptDocument document, const QString& saved);
    // "1 saved transcript found", "0 saved transcripts found".
    static QString foundText(size_t hits);
    struct BatchRun;
    void startTranscriptionTimer();
    void stopTranscriptionTimer();
    // Runs the next pending recording of a batch, or finishes it.
    void continueBatch(std::shared_ptr<BatchRun> batch);
    void finishBatch(const BatchRun& batch);
    bool isModelInstalling() const {
        return m_modelInstallState.kind == LocalModelInstallState::Kind::installing;
    }
    // installed when the provisioner holds a file for the selected model, else missing.
    void recomputeModelInstallState();
    // The provisioner's choices again, after a worker changed them through the settings file.
    void reloadWhisperChoices();
    void refreshInstalledModels();
    void applyRememberedRecordings(const std::vector<MeetingRecording>& recordings,
                                   bool selectSingleRecording);
    // Publishes a recording's status and detail (no detail removes the old one).
    void publishStatus(const QString& recordingID, RecordingStatus status,
                       const std::optional<QString>& detail);
    // Closes the recording and its transcript and shows the archive search or the choices.
    void showScreen(bool archiveSearch, const QString& status);

    std::optional<MeetingRecording> m_recording;
    RecordingChoices m_recordingChoices;
    std::optional<TranscriptDocument> m_transcript;
    QString m_statusText = QStringLiteral("No recording loaded");
    std::optional<QString> m_errorMessage;
    bool m_isImporting = false;
    bool m_isTranscribing = false;
    bool m_isBatchTranscribing = false;
    bool m_isSidebarVisible = true;
    RecordingStatusMap m_recordingStatuses;
    RecordingStatusDetailMap m_recordingStatusDetails;
    LocalModelInstallState m_modelInstallState;
    QString m_archiveSearchQuery;
    TranscriptSearchResults m_archiveSearchResults;
    std::optional<int> m_archiveSearchSelectionIndex;
    bool m_isViewingArchiveSearch = false;
    bool m_isViewingArchiveSearchResult = false;
    int m_savedTranscriptCount = 0;
    bool m_shouldTranscribeAfterModelInstall = false;
    bool m_shouldTranscribeAllAfterModelInstall = false;
    std::optional<QString> m_batchProgressText;
    double m_transcriptionElapsedSeconds = 0;
    WhisperModel m_selectedWhisperModel = WhisperModel::fastEnglish;
    TranscriptionLanguage m_selectedTranscriptionLanguage = TranscriptionLanguage::english;
    WhisperModelSet m_installedWhisperModels;

    // Bumped by every import and forget: a background result is applied only while the
    // generation it started with is still current.
    int m_importGeneration = 0;
    FolderChoosing* m_folderChooser = nullptr;
    ExportDialogs* m_exportDialogs = nullptr;
    // Bumped by every start and cancel of a model install; the stop source cancels the download.
    int m_modelInstallGeneration = 0;
    std::stop_source m_modelInstallStop;
    std::stop_source m_transcriptionStop;
    TranscriberFactory m_transcriberFactory;
    QTimer m_transcriptionTimer;
    QElapsedTimer m_transcriptionClock;

    RecordingFolderParser m_parser;
    TranscriptStore m_store;
    WhisperProvisioner& m_whisperProvisioner;
    RecordingSourceStore& m_recordingSourceStore;
};
