#include "services/TranscriptArchive.h"

#include "models/TranscriptText.h"
#include "platform/ParallelRuns.h"
#include "services/PhraseMatcher.h"

#include <QHash>
#include <algorithm>
#include <charconv>
#include <future>
#include <iterator>
#include <optional>
#include <thread>

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

std::optional<QString> slowFirstMatchingLine(const QString& body, const QString& query) {
    for (const QStringView line : TranscriptText::lines(body)) {
        if (TranscriptText::searchForm(line).contains(query))
            return line.toString();
    }
    return std::nullopt;
}

// Lower-casing and composition keep line breaks where they are, so the first hit in the body's
// part of the search text lies on the body line with the same number; only that line is
// checked, and the line-by-line scan is the fallback when the search text disagrees. The hit is
// found in the UTF-8 form, which the search scans anyway; firstHit is the first in the whole
// search text, when known.
std::optional<QString> firstMatchingLine(const TranscriptDocument& document, QByteArrayView searchKey,
                                         const QString& query, const PhraseMatcher& matcher,
                                         qsizetype firstHit) {
    if (TranscriptText::newlineCount(query) > 0)
        return std::nullopt;
    const qsizetype bodyStart = TranscriptText::searchForm(document.title).toUtf8().size() +
                                TranscriptText::searchForm(document.recordingFolderPath).toUtf8().size() + 2;
    const qsizetype hit = firstHit >= bodyStart ? firstHit : matcher.indexIn(searchKey, bodyStart);
    if (hit < 0)
        return slowFirstMatchingLine(document.body, query);
    const QStringView line = TranscriptText::lineAt(
        document.body, TranscriptText::newlineCountUtf8(searchKey.sliced(bodyStart, hit - bodyStart)));
    if (TranscriptText::searchForm(line).contains(query))
        return line.toString();
    return slowFirstMatchingLine(document.body, query);
}

QString snippet(const TranscriptDocument& document, QByteArrayView searchKey, const QString& query,
                const PhraseMatcher& matcher, qsizetype firstHit = -1) {
    const auto line = firstMatchingLine(document, searchKey, query, matcher, firstHit);
    return line ? TranscriptText::leadingCharacters(line->trimmed(), snippetLength)
                : document.recordingFolderPath;
}

struct Hit {
    const IndexedTranscript* entry;
    QString snippet;
};

// The hits among entries [begin, end) in order, with their snippets.
std::vector<Hit> hits(const std::vector<IndexedTranscript>& entries, size_t begin, size_t end,
                      const QString& query, const PhraseMatcher& matcher) {
    std::vector<Hit> found;
    for (size_t i = begin; i < end; ++i) {
        const IndexedTranscript& entry = entries[i];
        if (const qsizetype offset = matcher.indexIn(entry.normalizedSearchTextUtf8); offset >= 0)
            found.push_back(
                {&entry, snippet(entry.transcript, entry.normalizedSearchTextUtf8, query, matcher, offset)});
    }
    return found;
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
    const PhraseMatcher matcher(preparedQuery);
    // Large archives are searched in runs of entries side by side; the runs' results, joined in
    // entry order, sort as one list would.
    qsizetype textBytes = 0;
    for (const IndexedTranscript& entry : entries)
        textBytes += entry.normalizedSearchTextUtf8.size();
    const auto runs = ParallelRuns::inRuns(
        entries.size(), ParallelRuns::runsFor(textBytes, 8 << 20),
        [&](size_t begin, size_t end) { return hits(entries, begin, end, preparedQuery, matcher); });
    std::vector<Hit> found;
    for (const std::vector<Hit>& run : runs)
        found.insert(found.end(), run.begin(), run.end());
    std::stable_sort(found.begin(), found.end(), [](const Hit& a, const Hit& b) {
        return a.entry->transcript.updatedAt > b.entry->transcript.updatedAt;
    });
    std::vector<TranscriptSearchResult> results;
    results.reserve(found.size());
    for (Hit& hit : found) {
        const TranscriptDocument& document = hit.entry->transcript;
        results.push_back({resultID(document), document.title, document.recordingFolderPath,
                           std::move(hit.snippet), document.updatedAt, document});
    }
    return results;
}

QString snippet(const TranscriptDocument& document, const QString& preparedQuery) {
    return snippet(document, IndexedTranscript::searchText(document).toUtf8(), preparedQuery,
                   PhraseMatcher(preparedQuery));
}

QString resultID(const TranscriptDocument& document) {
    return document.recordingFolderPath + QLatin1Char('-') + shortestSeconds(document.updatedAt);
}

} // namespace TranscriptArchive
