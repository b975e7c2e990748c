#include "app/cli/CliCommands.h"
#include "app/cli/CliProvisioning.h"

#include "models/CancelledError.h"
#include "services/RecordingFolderParser.h"
#include "services/TranscriptStore.h"
#include "services/VoxmarkDiarizationService.h"
#include "services/WhisperCommandTranscriptionService.h"
#include <exception>

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

struct TranscribeRequest {
    QString folder;
    bool all = false;
    std::optional<TranscriptionLanguage> language;
    std::optional<WhisperModel> model;
    QString whisperProgram;
    QString modelFile;
};

QString absolute(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// Reads FOLDER [--all] [--language L] [--model M] [--whisper PROGRAM --model-file FILE].
std::optional<TranscribeRequest> parse(const QStringList& arguments) {
    TranscribeRequest request;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QStringLiteral("--all")) {
            request.all = true;
        } else if (argument == QStringLiteral("--language") && hasValue) {
            request.language = TranscriptionLanguages::fromRawValue(arguments.at(++i));
            if (!request.language)
                return std::nullopt;
        } else if (argument == QStringLiteral("--model") && hasValue) {
            request.model = WhisperModels::fromRawValue(arguments.at(++i));
            if (!request.model)
                return std::nullopt;
        } else if (argument == QStringLiteral("--whisper") && hasValue) {
            request.whisperProgram = absolute(arguments.at(++i));
        } else if (argument == QStringLiteral("--model-file") && hasValue) {
            request.modelFile = absolute(arguments.at(++i));
        } else if (request.folder.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
            request.folder = absolute(argument);
        } else {
            return std::nullopt;
        }
    }
    if (request.folder.isEmpty() || request.whisperProgram.isEmpty() != request.modelFile.isEmpty())
        return std::nullopt;
    return request;
}

// What a run needs besides the recordings: the configuration, its model and the language.
struct WhisperSetup {
    WhisperCommandConfiguration configuration;
    WhisperModel model = WhisperModel::fastEnglish;
    TranscriptionLanguage language = TranscriptionLanguage::english;
};

// A program given on the command line is laid out like the bundled one: its libraries and
// backends in "lib" and "libexec" beside the folder that holds it.
WhisperSetup explicitSetup(const TranscribeRequest& request) {
    WhisperSetup setup;
    setup.model = request.model.value_or(
        WhisperModels::identify(QFileInfo(request.modelFile).fileName()).value_or(WhisperModel::fastEnglish));
    setup.language = request.language.value_or(TranscriptionLanguage::english);
    const QDir root(QFileInfo(QFileInfo(request.whisperProgram).absolutePath()).absolutePath());
    setup.configuration = {request.whisperProgram, request.modelFile, root.filePath(QStringLiteral("lib")),
                           root.filePath(QStringLiteral("libexec")), setup.model};
    return setup;
}

// Without --whisper the app's own Whisper setup is found or installed, the model downloaded when
// it is missing.
std::optional<WhisperSetup> provisionedSetup(const TranscribeRequest& request, const CliContext& context) {
    const ProvisionedWhisper provisioned = provisionWhisper(request.model, request.language, context.err);
    return WhisperSetup{provisioned.configuration, provisioned.model, provisioned.language};
}

// Keeps our standard output for the saved paths: while the external programs run, whatever
// they print goes to standard error instead.
class StandardOutputToError {
public:
    explicit StandardOutputToError(QTextStream& out)
        : m_out(out) {
        m_out.flush();
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        if (m_saved >= 0)
            dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~StandardOutputToError() {
        std::fflush(stdout);
        if (m_saved >= 0) {
            dup2(m_saved, STDOUT_FILENO);
            close(m_saved);
        }
    }
    StandardOutputToError(const StandardOutputToError&) = delete;
    StandardOutputToError& operator=(const StandardOutputToError&) = delete;

private:
    QTextStream& m_out;
    int m_saved = -1;
};

std::vector<MeetingRecording> pending(const std::vector<MeetingRecording>& recordings,
                                      const TranscriptStore& store) {
    std::vector<MeetingRecording> result;
    for (const MeetingRecording& recording : recordings)
        if (!recording.transcriptionCandidates().empty() && !store.savedTranscriptURL(recording))
            result.push_back(recording);
    return result;
}

// Transcribes and saves one recording; returns the saved file's path.
QString transcribeAndSave(const MeetingRecording& recording, const WhisperSetup& setup,
                          const TranscriptStore& store, const CliContext& context) {
    store.upsertRecordingIndexEntry(recording, RecordingStatus::inProgress, std::nullopt);
    WhisperCommandTranscriptionService service(setup.configuration, setup.language, setup.model,
                                               std::make_shared<VoxmarkDiarizationService>());
    const auto progress = [&context](const TranscriptionProgress& step) {
        context.err << step.message << '\n';
        context.err.flush();
    };
    try {
        std::optional<TranscriptDocument> document;
        {
            const StandardOutputToError redirect(context.out);
            document = service.transcribe(recording, progress, {});
        }
        const QString saved = store.saveTranscript(*document, recording);
        store.upsertRecordingIndexEntry(recording, RecordingStatus::transcriptSaved, std::nullopt);
        return saved;
    } catch (const std::exception& error) {
        store.upsertRecordingIndexEntry(recording, RecordingStatus::needsAttention,
                                        QString::fromUtf8(error.what()));
        throw;
    }
}

int transcribeAll(const std::vector<MeetingRecording>& recordings, const WhisperSetup& setup,
                  const TranscriptStore& store, const CliContext& context) {
    int failed = 0;
    for (const MeetingRecording& recording : recordings)
        if (recording.transcriptionCandidates().empty())
            store.upsertRecordingIndexEntry(recording, RecordingStatus::needsAttention,
                                            QStringLiteral("No usable audio source found."));
    const std::vector<MeetingRecording> waiting = pending(recordings, store);
    for (std::size_t k = 0; k < waiting.size(); ++k) {
        context.err << "Transcribing " << k + 1 << " of " << waiting.size() << ": " << waiting[k].folderName
                    << '\n';
        try {
            context.out << transcribeAndSave(waiting[k], setup, store, context) << '\n';
            context.out.flush();
        } catch (const std::exception& error) {
            context.err << waiting[k].folderName << ": " << QString::fromUtf8(error.what()) << '\n';
            ++failed;
        }
    }
    if (waiting.empty())
        context.err << "All recordings already transcribed\n";
    return failed == 0 ? 0 : 1;
}

} // namespace

int runTranscribeCommand(const CliContext& context) {
    const auto request = parse(context.arguments);
    if (!request) {
        context.err << "Usage: tallybrook-cli transcribe FOLDER [--all] [--language L] [--model M] "
                       "[--whisper PROGRAM --model-file FILE]\n";
        return 2;
    }
    const std::optional<WhisperSetup> setup =
        request->whisperProgram.isEmpty() ? provisionedSetup(*request, context) : explicitSetup(*request);
    if (!setup)
        return 1;
    const std::vector<MeetingRecording> recordings = RecordingFolderParser().recordings(request->folder);
    const TranscriptStore store(context.storageFolder);
    if (request->all)
        return transcribeAll(recordings, *setup, store, context);
    if (recordings.size() != 1) {
        context.err << (recordings.empty()
                            ? QStringLiteral("No recording found in %1.\n").arg(request->folder)
                            : QStringLiteral("%1 holds %2 recordings. Use --all to transcribe each.\n")
                                  .arg(request->folder)
                                  .arg(recordings.size()));
        return 1;
    }
    context.out << transcribeAndSave(recordings.front(), *setup, store, context) << '\n';
    return 0;
}
