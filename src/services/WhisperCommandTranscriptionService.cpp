#include "services/WhisperCommandTranscriptionService.h"
#include "platform/TemporaryFileGuard.h"

#include "models/CancelledError.h"
#include "platform/PlatformTools.h"
#include "services/CancellableProcess.h"
#include "services/SpeakerTranscriptFormatter.h"
#include "services/TranscriptionError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <set>

namespace {

void throwIfCancelled(const std::stop_token& stopToken) {
    if (stopToken.stop_requested())
        throw CancelledError();
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PlatformError(
            QStringLiteral("The Whisper result %1 could not be read: %2.").arg(path, file.errorString()));
    return file.readAll();
}

// The one value all tracks agree on, or none.
std::optional<QString> single(const std::set<QString>& values) {
    return values.size() == 1 ? std::optional<QString>(*values.begin()) : std::nullopt;
}

} // namespace

WhisperCommandTranscriptionService::WhisperCommandTranscriptionService(
    WhisperCommandConfiguration configuration, TranscriptionLanguage language, WhisperModel model,
    std::shared_ptr<SpeakerDiarizationService> diarizationService, QString converterPath)
    : m_configuration(std::move(configuration))
    , m_language(language)
    , m_model(model)
    , m_diarizationService(std::move(diarizationService))
    , m_converterPath(std::move(converterPath)) {}

QString WhisperCommandTranscriptionService::defaultConverterPath() {
    return PlatformTools::audioConverterPath();
}

TranscriptDocument WhisperCommandTranscriptionService::transcribe(const MeetingRecording& recording,
                                                                  const ProgressCallback& progress,
                                                                  std::stop_token stopToken) {
    if (!WhisperModels::supports(m_model, m_language))
        throw TranscriptionError::incompatibleModel();
    const std::vector<RecordingAsset> candidates = recording.transcriptionCandidates();
    if (candidates.empty())
        throw TranscriptionError::noAudioSource();
    const TranscriptionBodyResult result = transcribeBody(candidates, progress, stopToken);

    TranscriptDocument document;
    document.schemaVersion = 2;
    document.recordingFolderPath = recording.folderPath;
    document.title = recording.folderName;
    document.createdAt = QDateTime::currentDateTimeUtc();
    document.updatedAt = document.createdAt;
    for (const RecordingAsset& candidate : candidates)
        if (candidate.durationSeconds)
            document.audioDurationSeconds =
                std::max(document.audioDurationSeconds.value_or(*candidate.durationSeconds),
                         *candidate.durationSeconds);
    document.transcriptionMetadata =
        TranscriptMetadata{m_language, result.detectedLanguage, result.transcriptionTask, m_model};
    document.body = result.body;
    return document;
}

WhisperCommandTranscriptionService::TranscriptionBodyResult
WhisperCommandTranscriptionService::transcribeBody(const std::vector<RecordingAsset>& candidates,
                                                   const ProgressCallback& progress,
                                                   const std::stop_token& stopToken) const {
    const bool hasParticipantTracks =
        std::any_of(candidates.begin(), candidates.end(), [](const RecordingAsset& asset) {
            return asset.kind == RecordingAssetKind::participantAudio;
        });
    if (hasParticipantTracks)
        return transcribeParticipants(candidates, progress, stopToken);
    return transcribeSingleSource(candidates.front(), progress, stopToken);
}

WhisperCommandTranscriptionService::TranscriptionBodyResult
WhisperCommandTranscriptionService::transcribeSingleSource(const RecordingAsset& source,
                                                           const ProgressCallback& progress,
                                                           const std::stop_token& stopToken) const {
    progress({source.kind == RecordingAssetKind::video ? QStringLiteral("Extracting audio from video")
                                                       : QStringLiteral("Preparing audio")});
    const QString prepared = convertToWhisperInputIfNeeded(source.path, stopToken);
    try {
        const WhisperParsedTranscript parsed = transcribePreparedAudio(prepared, progress, stopToken);
        TranscriptionBodyResult result{speakerBody(parsed, prepared, progress, stopToken),
                                       parsed.detectedLanguage, parsed.transcriptionTask};
        removeTemporaryAudio(prepared, source.path);
        return result;
    } catch (...) {
        removeTemporaryAudio(prepared, source.path);
        throw;
    }
}

QString WhisperCommandTranscriptionService::speakerBody(const WhisperParsedTranscript& parsed,
                                                        const QString& audioPath,
                                                        const ProgressCallback& progress,
                                                        const std::stop_token& stopToken) const {
    progress({QStringLiteral("Preparing speaker identification")});
    std::vector<DiarizedSpeakerSegment> speakers;
    try {
        speakers = m_diarizationService->diarize(audioPath, std::nullopt, stopToken);
    } catch (const CancelledError&) {
        throw;
    } catch (...) {
        throwIfCancelled(stopToken);
        progress({QStringLiteral("Speaker identification unavailable")});
        speakers.clear();
    }
    throwIfCancelled(stopToken);
    return SpeakerTranscriptFormatter::format(parsed.segments, speakers);
}

WhisperCommandTranscriptionService::TranscriptionBodyResult
WhisperCommandTranscriptionService::transcribeParticipants(const std::vector<RecordingAsset>& candidates,
                                                           const ProgressCallback& progress,
                                                           const std::stop_token& stopToken) const {
    std::vector<ParticipantTranscriptTrack> tracks;
    std::set<QString> languages;
    std::set<QString> tasks;
    const auto count = candidates.size();
    for (std::size_t i = 0; i < count; ++i) {
        throwIfCancelled(stopToken);
        const RecordingAsset& asset = candidates[i];
        progress({QStringLiteral("Transcribing participant %1 of %2").arg(i + 1).arg(count)});
        const QString speaker =
            asset.participantSpeakerName().value_or(QStringLiteral("Speaker %1").arg(i + 1));
        const QString prepared = convertToWhisperInputIfNeeded(asset.path, stopToken);
        try {
            const WhisperParsedTranscript parsed = transcribePreparedAudio(prepared, progress, stopToken);
            tracks.push_back({speaker, parsed.segments});
            if (parsed.detectedLanguage)
                languages.insert(*parsed.detectedLanguage);
            tasks.insert(parsed.transcriptionTask);
        } catch (...) {
            removeTemporaryAudio(prepared, asset.path);
            throw;
        }
        removeTemporaryAudio(prepared, asset.path);
    }
    return {ParticipantTrackTranscriptFormatter::format(tracks), single(languages),
            single(tasks).value_or(QStringLiteral("transcribe"))};
}

// A failed or cancelled conversion removes its partial output too: nobody else knows the name.
QString
WhisperCommandTranscriptionService::convertToWhisperInputIfNeeded(const QString& source,
                                                                  const std::stop_token& stopToken) const {
    static const QStringList readable{QStringLiteral("flac"), QStringLiteral("mp3"), QStringLiteral("ogg"),
                                      QStringLiteral("wav")};
    if (readable.contains(QFileInfo(source).suffix().toLower()))
        return source;
    const QString output = TemporaryFileGuard::uniquePath(QStringLiteral(".wav"));
    TemporaryFileGuard guard(output);
    const QStringList arguments{QStringLiteral("-f"),
                                QStringLiteral("WAVE"),
                                QStringLiteral("-d"),
                                QStringLiteral("LEI16@16000"),
                                source,
                                output};
    const std::int32_t status = CancellableProcess().run(m_converterPath, arguments, std::nullopt, stopToken);
    if (status != 0)
        throw TranscriptionError::audioConversionFailed(status);
    guard.release();
    return output;
}

WhisperParsedTranscript WhisperCommandTranscriptionService::transcribePreparedAudio(
    const QString& audio, const ProgressCallback& progress, const std::stop_token& stopToken) const {
    const QString outputBase = TemporaryFileGuard::uniquePath();
    progress({QStringLiteral("Transcribing locally")});
    const QString outputFile = outputBase + QStringLiteral(".json");
    const TemporaryFileGuard guard(outputFile);
    const std::int32_t status = CancellableProcess().run(
        m_configuration.executablePath, arguments(audio, outputBase), environment(), stopToken);
    if (status != 0)
        throw TranscriptionError::commandFailed(status);
    return WhisperJSONTranscriptParser::parse(readAll(outputFile));
}

void WhisperCommandTranscriptionService::removeTemporaryAudio(const QString& prepared,
                                                              const QString& original) {
    if (prepared != original)
        QFile::remove(prepared);
}

QStringList WhisperCommandTranscriptionService::arguments(const QString& audioPath,
                                                          const QString& outputBase) const {
    return {QStringLiteral("-m"),  QDir::cleanPath(m_configuration.modelPath),
            QStringLiteral("-f"),  audioPath,
            QStringLiteral("-l"),  TranscriptionLanguages::whisperLanguageCode(m_language),
            QStringLiteral("-ng"), QStringLiteral("-oj"),
            QStringLiteral("-of"), outputBase};
}

QProcessEnvironment WhisperCommandTranscriptionService::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString libraryVariable = PlatformTools::libraryPathVariable();
    if (!m_configuration.libraryDirectoryPath.isEmpty()) {
        QString value = QDir::cleanPath(m_configuration.libraryDirectoryPath);
        // An empty entry in the search path means the current folder to the loader, so an empty
        // previous value is not appended.
        const QString previous = environment.value(libraryVariable);
        if (!previous.isEmpty())
            value += QLatin1Char(':') + previous;
        environment.insert(libraryVariable, value);
    }
    environment.remove(QStringLiteral("GGML_BACKEND_PATH"));
    if (!m_configuration.backendDirectoryPath.isEmpty())
        environment.insert(QStringLiteral("GGML_BACKEND_DIR"),
                           QDir::cleanPath(m_configuration.backendDirectoryPath));
    return environment;
}
