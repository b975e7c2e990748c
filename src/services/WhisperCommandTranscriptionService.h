#pragma once

#include "models/TranscriptionLanguage.h"
#include "models/WhisperCommandConfiguration.h"
#include "models/WhisperModel.h"
#include "services/ParticipantTrackTranscriptFormatter.h"
#include "services/SpeakerDiarizationService.h"
#include "services/TranscriptionService.h"
#include "services/WhisperJSONTranscriptParser.h"

#include <QProcessEnvironment>
#include <QStringList>
#include <memory>

// Transcribes a recording on this machine: converts each source to 16 kHz WAV when Whisper
// cannot read it, runs the Whisper program with JSON output, and writes the body either as
// numbered speakers (mixed audio, labelled by the diarization service) or as participant turns
// (one track per participant). Temporary files go to the temporary folder, named by UUID, and
// are removed by the call that made them.
class WhisperCommandTranscriptionService : public TranscriptionService {
public:
    // converterPath: the program that takes "-f WAVE -d LEI16@16000 SRC DST".
    WhisperCommandTranscriptionService(WhisperCommandConfiguration configuration,
                                       TranscriptionLanguage language, WhisperModel model,
                                       std::shared_ptr<SpeakerDiarizationService> diarizationService,
                                       QString converterPath = defaultConverterPath());

    TranscriptDocument transcribe(const MeetingRecording& recording, const ProgressCallback& progress,
                                  std::stop_token stopToken) override;

    static QString defaultConverterPath();

private:
    struct TranscriptionBodyResult {
        QString body;
        std::optional<QString> detectedLanguage;
        QString transcriptionTask;
    };

    TranscriptionBodyResult transcribeBody(const std::vector<RecordingAsset>& candidates,
                                           const ProgressCallback& progress,
                                           const std::stop_token& stopToken) const;
    TranscriptionBodyResult transcribeSingleSource(const RecordingAsset& source,
                                                   const ProgressCallback& progress,
                                                   const std::stop_token& stopToken) const;
    TranscriptionBodyResult transcribeParticipants(const std::vector<RecordingAsset>& candidates,
                                                   const ProgressCallback& progress,
                                                   const std::stop_token& stopToken) const;
    QString speakerBody(const WhisperParsedTranscript& parsed, const QString& audioPath,
                        const ProgressCallback& progress, const std::stop_token& stopToken) const;
    QString convertToWhisperInputIfNeeded(const QString& source, const std::stop_token& stopToken) const;
    WhisperParsedTranscript transcribePreparedAudio(const QString& audio, const ProgressCallback& progress,
                                                    const std::stop_token& stopToken) const;
    static void removeTemporaryAudio(const QString& prepared, const QString& original);
    QStringList arguments(const QString& audioPath, const QString& outputBase) const;
    QProcessEnvironment environment() const;

    WhisperCommandConfiguration m_configuration;
    TranscriptionLanguage m_language;
    WhisperModel m_model;
    std::shared_ptr<SpeakerDiarizationService> m_diarizationService;
    QString m_converterPath;
};
