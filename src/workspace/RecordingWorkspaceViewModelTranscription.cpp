// The view model's transcription of one recording or of every pending choice.
#include "models/CancelledError.h"
#include "services/VoxmarkDiarizationService.h"
#include "services/WhisperCommandTranscriptionService.h"
#include "workspace/BackgroundWork.h"
#include "workspace/RecordingWorkspaceViewModel.h"
#include "workspace/WorkerProvisioner.h"

#include <QFileInfo>
#include <exception>

namespace {

const QString separator = QStringLiteral(" · ");

// How a piece of transcription work on a worker ended.
template <typename T> struct Outcome {
    std::optional<T> value;
    bool cancelled = false;
    QString failure;
};

QString describe(const std::exception& error) {
    const QString text = QString::fromUtf8(error.what());
    return text.isEmpty() ? QStringLiteral("The transcription failed.") : text;
}

template <typename T, typename Work> Outcome<T> outcomeOf(Work&& work) {
    try {
        return {work(), false, {}};
    } catch (const CancelledError&) {
        return {std::nullopt, true, {}};
    } catch (const std::exception& error) {
        return {std::nullopt, false, describe(error)};
    }
}

std::shared_ptr<TranscriptionService> whisperCommandService(const WhisperCommandConfiguration& configuration,
                                                            TranscriptionLanguage language,
                                                            WhisperModel model) {
    return std::make_shared<WhisperCommandTranscriptionService>(
        configuration, language, model, std::make_shared<VoxmarkDiarizationService>());
}

// Prepares the Whisper configuration on a worker and makes the service for it, recording the
// configuration's model, else the model its file name names, else the selected one.
std::shared_ptr<TranscriptionService>
preparedService(const WorkerProvisioner::Blueprint& blueprint, WhisperModel selected,
                TranscriptionLanguage language,
                const RecordingWorkspaceViewModel::TranscriberFactory& factory, std::stop_token stop) {
    WorkerProvisioner worker(blueprint);
    const WhisperCommandConfiguration configuration =
        worker.provisioner().ensureConfiguration(selected, language, stop);
    const WhisperModel model = configuration.model.value_or(
        WhisperModels::identify(QFileInfo(configuration.modelPath).fileName()).value_or(selected));
    return (factory ? factory : whisperCommandService)(configuration, language, model);
}

} // namespace

struct RecordingWorkspaceViewModel::BatchRun {
    std::vector<MeetingRecording> pending;
    size_t next = 0;
    int transcribed = 0;
    int skipped = 0;
    int failed = 0;
    std::shared_ptr<TranscriptionService> service;
    std::stop_token stop;
};

void RecordingWorkspaceViewModel::transcribe() {
    // One run at a time, single or batch, so that cancelling always reaches the running one.
    if (!m_recording || isAnyTranscriptionRunning())
        return;
    if (m_modelInstallState != LocalModelInstallState::installed()) {
        installLocalModel(true, false);
        return;
    }
    const MeetingRecording recording = *m_recording;
    setIsTranscribing(true);
    saveStatus(RecordingStatus::inProgress, recording);
    setStatusText(QStringLiteral("Preparing local transcription"));
    setErrorMessage(std::nullopt);
    startTranscriptionTimer();
    m_transcriptionStop = std::stop_source();
    const QPointer<QObject> guard(this);
    BackgroundWork::run(
        this,
        [blueprint = WorkerProvisioner::Blueprint::of(m_whisperProvisioner), model = m_selectedWhisperModel,
         language = m_selectedTranscriptionLanguage, factory = m_transcriberFactory, recording, guard,
         stop = m_transcriptionStop.get_token()] {
            return outcomeOf<TranscriptDocument>([&] {
                const auto service = preparedService(blueprint, model, language, factory, stop);
                return service->transcribe(
                    recording,
                    [guard](const TranscriptionProgress& progress) {
                        BackgroundWork::post(guard, [guard, message = progress.message] {
                            static_cast<RecordingWorkspaceViewModel*>(guard.data())->setStatusText(message);
                        });
                    },
                    stop);
            });
        },
        [this, recording](Outcome<TranscriptDocument> outcome) {
            reloadWhisperChoices();
            if (outcome.value) {
                setTranscript(outcome.value);
                try {
                    m_store.saveTranscript(*outcome.value, recording);
                } catch (const std::exception& error) {
                    outcome.failure = describe(error);
                }
            }
            if (outcome.cancelled) {
                saveStatus(m_transcript ? RecordingStatus::transcriptSaved : RecordingStatus::notTranscribed,
                           recording);
                setStatusText(QStringLiteral("Transcription cancelled"));
            } else if (!outcome.failure.isEmpty()) {
                setErrorMessage(outcome.failure);
                saveStatus(RecordingStatus::needsAttention, recording, outcome.failure);
                setStatusText(QStringLiteral("Transcription failed"));
            } else {
                saveStatus(RecordingStatus::transcriptSaved, recording);
                refreshSavedTranscriptCount();
                setStatusText(QStringLiteral("Transcript saved locally"));
            }
            setIsTranscribing(false);
            stopTranscriptionTimer();
        });
}

void RecordingWorkspaceViewModel::transcribeAllRecordings() {
    if (isAnyTranscriptionRunning() || m_recordingChoices.empty())
        return;
    int alreadySaved = 0;
    int missingMedia = 0;
    std::vector<MeetingRecording> pending;
    for (const MeetingRecording& choice : m_recordingChoices) {
        if (savedTranscriptURL(choice)) {
            ++alreadySaved;
        } else if (choice.transcriptionCandidates().empty()) {
            ++missingMedia;
            saveStatus(RecordingStatus::needsAttention, choice,
                       QStringLiteral("No usable audio source found."));
        } else {
            pending.push_back(choice);
        }
    }
    if (pending.empty()) {
        setBatchProgressText(std::nullopt);
        setStatusText(missingMedia > 0
                          ? QStringLiteral("%1 skipped · %2 failed").arg(alreadySaved).arg(missingMedia)
                          : QStringLiteral("All recordings already transcribed"));
        return;
    }
    if (m_modelInstallState != LocalModelInstallState::installed()) {
        installLocalModel(false, true);
        return;
    }
    setIsBatchTranscribing(true);
    setBatchProgressText(QStringLiteral("Preparing batch transcription"));
    setStatusText(QStringLiteral("Preparing batch transcription"));
    setErrorMessage(std::nullopt);
    startTranscriptionTimer();
    m_transcriptionStop = std::stop_source();
    auto batch = std::make_shared<BatchRun>();
    batch->pending = std::move(pending);
    batch->skipped = alreadySaved;
    batch->failed = missingMedia;
    batch->stop = m_transcriptionStop.get_token();
    // One service for the whole batch, prepared once; a failure here fails the batch.
    BackgroundWork::run(
        this,
        [blueprint = WorkerProvisioner::Blueprint::of(m_whisperProvisioner), model = m_selectedWhisperModel,
         language = m_selectedTranscriptionLanguage, factory = m_transcriberFactory, stop = batch->stop] {
            return outcomeOf<std::shared_ptr<TranscriptionService>>(
                [&] { return preparedService(blueprint, model, language, factory, stop); });
        },
        [this, batch](const Outcome<std::shared_ptr<TranscriptionService>>& outcome) {
            reloadWhisperChoices();
            if (outcome.value) {
                batch->service = *outcome.value;
                continueBatch(batch);
                return;
            }
            if (outcome.cancelled) {
                setBatchProgressText(QStringLiteral("Batch transcription cancelled"));
                setStatusText(QStringLiteral("Batch transcription cancelled"));
            } else {
                setErrorMessage(outcome.failure);
                setStatusText(QStringLiteral("Batch transcription failed"));
                setBatchProgressText(std::nullopt);
            }
            setIsBatchTranscribing(false);
            stopTranscriptionTimer();
        });
}

void RecordingWorkspaceViewModel::continueBatch(std::shared_ptr<BatchRun> batch) {
    if (batch->stop.stop_requested()) {
        setBatchProgressText(QStringLiteral("Batch transcription cancelled"));
        setStatusText(QStringLiteral("Batch transcription cancelled"));
        setIsBatchTranscribing(false);
        stopTranscriptionTimer();
        return;
    }
    // Recordings that gained a transcript or lost their media since the batch began are skipped.
    while (batch->next < batch->pending.size() &&
           (batch->pending[batch->next].transcriptionCandidates().empty() ||
            savedTranscriptURL(batch->pending[batch->next]))) {
        ++batch->skipped;
        ++batch->next;
    }
    if (batch->next == batch->pending.size()) {
        refreshSavedTranscriptCount();
        finishBatch(*batch);
        return;
    }
    const MeetingRecording recording = batch->pending[batch->next];
    const QString position = QStringLiteral("%1 of %2").arg(batch->next + 1).arg(batch->pending.size());
    const QString progressText =
        QStringLiteral("Transcribing ") + position + QStringLiteral(": ") + recording.folderName;
    setBatchProgressText(progressText);
    setStatusText(progressText);
    saveStatus(RecordingStatus::inProgress, recording);
    const QPointer<QObject> guard(this);
    BackgroundWork::run(
        this,
        [service = batch->service, recording, guard, position, stop = batch->stop] {
            return outcomeOf<TranscriptDocument>([&] {
                return service->transcribe(
                    recording,
                    [guard, position, name = recording.folderName](const TranscriptionProgress& progress) {
                        BackgroundWork::post(guard, [guard, position, name, message = progress.message] {
                            auto* workspace = static_cast<RecordingWorkspaceViewModel*>(guard.data());
                            workspace->setStatusText(message + separator + position);
                            workspace->setBatchProgressText(position + QStringLiteral(": ") + name);
                        });
                    },
                    stop);
            });
        },
        [this, batch, recording](Outcome<TranscriptDocument> outcome) {
            if (outcome.value) {
                try {
                    m_store.saveTranscript(*outcome.value, recording);
                    if (m_recording && m_recording->recordingID() == recording.recordingID())
                        setTranscript(outcome.value);
                } catch (const std::exception& error) {
                    outcome.failure = describe(error);
                }
            }
            if (outcome.cancelled) {
                saveStatus(RecordingStatus::notTranscribed, recording);
            } else if (!outcome.failure.isEmpty()) {
                saveStatus(RecordingStatus::needsAttention, recording, outcome.failure);
                ++batch->failed;
            } else {
                saveStatus(RecordingStatus::transcriptSaved, recording);
                ++batch->transcribed;
            }
            ++batch->next;
            continueBatch(batch);
        });
}

void RecordingWorkspaceViewModel::finishBatch(const BatchRun& batch) {
    const QString summary = QStringLiteral("%1 transcribed").arg(batch.transcribed) + separator +
                            QStringLiteral("%1 skipped").arg(batch.skipped) + separator +
                            QStringLiteral("%1 failed").arg(batch.failed);
    setBatchProgressText(summary);
    setStatusText(summary);
    setIsBatchTranscribing(false);
    stopTranscriptionTimer();
}

void RecordingWorkspaceViewModel::cancelTranscription() {
    if (!m_isTranscribing && !m_isBatchTranscribing)
        return;
    setStatusText(QStringLiteral("Cancelling transcription"));
    m_transcriptionStop.request_stop();
}

void RecordingWorkspaceViewModel::startTranscriptionTimer() {
    setTranscriptionElapsedSeconds(0);
    m_transcriptionClock.start();
    m_transcriptionTimer.start();
}

void RecordingWorkspaceViewModel::stopTranscriptionTimer() {
    m_transcriptionTimer.stop();
}
