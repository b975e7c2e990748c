#include "app/cli/CliCommands.h"

#include "platform/FileAccess.h"
#include "services/TranscriptRenderer.h"
#include "services/TranscriptStore.h"

#include <QDir>

namespace {

struct ExportRequest {
    QString transcriptFile;
    std::optional<TranscriptExportFormat> format;
    QString outputFile;
};

// Reads TRANSCRIPT_FILE --format FORMAT [-o FILE]; none for anything else.
std::optional<ExportRequest> parse(const QStringList& arguments) {
    ExportRequest request;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QStringLiteral("--format") && hasValue)
            request.format = TranscriptExportFormats::fromCommandLineName(arguments.at(++i));
        else if (argument == QStringLiteral("-o") && hasValue)
            request.outputFile = QDir::current().absoluteFilePath(arguments.at(++i));
        else if (request.transcriptFile.isEmpty() && !argument.startsWith(QLatin1Char('-')))
            request.transcriptFile = argument;
        else
            return std::nullopt;
    }
    if (request.transcriptFile.isEmpty() || !request.format)
        return std::nullopt;
    return request;
}

} // namespace

int runExportCommand(const CliContext& context) {
    const auto request = parse(context.arguments);
    if (!request) {
        context.err << "Usage: tallybrook-cli export TRANSCRIPT_FILE --format html|markdown|text [-o FILE]\n";
        return 2;
    }
    const TranscriptDocument document = TranscriptStore::decode(FileAccess::readAll(request->transcriptFile));
    if (request->outputFile.isEmpty()) {
        context.out << TranscriptRenderer::rendered(document, *request->format);
        return 0;
    }
    const TranscriptStore store(context.storageFolder);
    store.exportTranscript(document, *request->format, request->outputFile);
    return 0;
}
