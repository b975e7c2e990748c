#include "services/TranscriptArchive.h"

#include "models/TranscriptText.h"

#include <QHash>
#include <algorithm>
#include <charconv>

namespace TranscriptArchive {
namespace {

constexpr int snippetLength = 180;

bool supersedes(const IndexedTranscript& candidate, const IndexedTranscript& kept) {
    if (candidate.transcript.updatedAt != kept.transcript.updatedAt)
        return candidate.transcript.updatedAt > kept.transcript.updatedAt;
    return candidate.sourceModifiedAt > kept.sourceModifiedAt;
}

QString shortestSeconds(const QDateTime& date) {
    const double seconds = static_cast<double>(date.toMSecsSinceEpoch()) / 1000.0;
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed).ptr;
    QString text = QString::fromLatin1(buffer, end - buffer);
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

} // namespace

std::vector<IndexedTranscript> latestPerRecording(const std::vector<IndexedTranscript>& entries) {
    std::vector<IndexedTranscript> kept;
    QHash<QString, size_t> positions;
    for (const IndexedTranscript& entry : entries) {
        const auto found = positions.constFind(entry.transcript.recordingFolderPath);
        if (found == positions.constEnd()) {
            positions.insert(entry.transcript.recordingFolderPath, kept.size());
            kept.push_back(entry);
        } else if (supersedes(entry, kept[*found])) {
            kept[*found] = entry;
        }
    }
    return kept;
}

QString searchQuery(const QString& query) {
    return TranscriptText::searchForm(query.trimmed());
}

std::vector<TranscriptSearchResult> search(const std::vector<IndexedTranscript>& entries,
                                           const QString& preparedQuery) {
    std::vector<const TranscriptDocument*> found;
    for (const IndexedTranscript& entry : entries) {
        if (entry.normalizedSearchText.contains(preparedQuery))
            found.push_back(&entry.transcript);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto* a, const auto* b) { return a->updatedAt > b->updatedAt; });
    std::vector<TranscriptSearchResult> results;
    results.reserve(found.size());
    for (const TranscriptDocument* document : found)
        results.push_back({resultID(*document), document->title, document->recordingFolderPath,
                           snippet(*document, preparedQuery), document->updatedAt, *document});
    return results;
}

QString snippet(const TranscriptDocument& document, const QString& preparedQuery) {
    for (const QStringView line : TranscriptText::lines(document.body)) {
        if (TranscriptText::searchForm(line).contains(preparedQuery))
            return TranscriptText::leadingCharacters(line.toString().trimmed(), snippetLength);
    }
    return document.recordingFolderPath;
}

QString resultID(const TranscriptDocument& document) {
    return document.recordingFolderPath + QLatin1Char('-') + shortestSeconds(document.updatedAt);
}

} // namespace TranscriptArchive
