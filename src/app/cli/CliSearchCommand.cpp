#include "app/cli/CliCommands.h"

#include "models/JsonFormat.h"
#include "services/TranscriptStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject resultJson(const TranscriptSearchResult& result) {
    return {{QStringLiteral("id"), result.id},
            {QStringLiteral("title"), result.title},
            {QStringLiteral("recordingFolderPath"), result.recordingFolderPath},
            {QStringLiteral("snippet"), result.snippet},
            {QStringLiteral("updatedAt"), JsonFormat::dateString(result.updatedAt)}};
}

void printJson(const std::vector<TranscriptSearchResult>& results, QTextStream& out) {
    QJsonArray array;
    for (const TranscriptSearchResult& result : results)
        array.append(resultJson(result));
    out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

// One paragraph per hit: title, folder path, snippet.
void printText(const std::vector<TranscriptSearchResult>& results, QTextStream& out) {
    for (size_t i = 0; i < results.size(); ++i) {
        if (i > 0)
            out << '\n';
        out << results[i].title << '\n'
            << results[i].recordingFolderPath << '\n'
            << results[i].snippet << '\n';
    }
}

} // namespace

int runSearchCommand(const CliContext& context) {
    QStringList arguments = context.arguments;
    const bool json = arguments.removeAll(QStringLiteral("--json")) > 0;
    if (arguments.size() != 1) {
        context.err << "Usage: tallybrook-cli search QUERY [--json]\n";
        return 2;
    }
    const TranscriptStore store(context.storageFolder);
    const std::vector<TranscriptSearchResult> results = store.searchTranscripts(arguments.first());
    if (json)
        printJson(results, context.out);
    else
        printText(results, context.out);
    return 0;
}
