#pragma once

#include "models/IndexedTranscript.h"
#include "models/TranscriptSearchResult.h"

#include <QString>
#include <vector>

// The listing and phrase search of saved transcripts on top of the search index's entries.
namespace TranscriptArchive {

// One entry per recordingFolderPath: the latest updatedAt, then the latest sourceModifiedAt,
// then the first met.
std::vector<IndexedTranscript> latestPerRecording(const std::vector<IndexedTranscript>& entries);

// The query trimmed and in TranscriptText::searchForm; empty for a blank query.
QString searchQuery(const QString& query);

// The entries whose search text contains the prepared query, newest first (stable).
std::vector<TranscriptSearchResult> search(const std::vector<IndexedTranscript>& entries,
                                           const QString& preparedQuery);

// The first body line containing the query, trimmed, at most 180 user-perceived characters;
// the folder path when no single line contains it.
QString snippet(const TranscriptDocument& document, const QString& preparedQuery);

// recordingFolderPath + "-" + updatedAt in seconds, shortest round-trip form with a ".0" for
// whole seconds.
QString resultID(const TranscriptDocument& document);

} // namespace TranscriptArchive
