// The view model's search of all saved transcripts while the user types.
#include "workspace/RecordingWorkspaceViewModel.h"

#include <algorithm>
#include <exception>

void RecordingWorkspaceViewModel::updateArchiveSearchQuery(const QString& query) {
    setArchiveSearchQuery(query);
    setIsViewingArchiveSearchResult(false);
    refreshSavedTranscriptCount();
    try {
        const TranscriptSearchResults results = m_store.searchTranscripts(query);
        setArchiveSearchResults(results);
        setArchiveSearchSelectionIndex(results.empty() ? std::nullopt : std::optional(0));
        // A blank query keeps the previous search's status line.
        if (!query.trimmed().isEmpty())
            setStatusText(foundText(results.size()));
    } catch (const std::exception& error) {
        setArchiveSearchResults({});
        setArchiveSearchSelectionIndex(std::nullopt);
        setErrorMessage(QString::fromUtf8(error.what()));
        setStatusText(QStringLiteral("Search failed"));
    }
}

void RecordingWorkspaceViewModel::moveArchiveSearchSelection(int offset) {
    if (m_archiveSearchResults.empty()) {
        setArchiveSearchSelectionIndex(std::nullopt);
        return;
    }
    const int last = static_cast<int>(m_archiveSearchResults.size()) - 1;
    setArchiveSearchSelectionIndex(std::clamp(m_archiveSearchSelectionIndex.value_or(0) + offset, 0, last));
}

void RecordingWorkspaceViewModel::openSelectedArchiveSearchResult() {
    const std::optional<int> selected = m_archiveSearchSelectionIndex;
    if (!selected || *selected < 0 || *selected >= static_cast<int>(m_archiveSearchResults.size()))
        return;
    // A copy: opening the hit rewrites the field the reference would point into.
    const TranscriptSearchResult result = m_archiveSearchResults[static_cast<size_t>(*selected)];
    openArchiveSearchResult(result);
}

void RecordingWorkspaceViewModel::openArchiveSearchResult(const TranscriptSearchResult& result) {
    setRecording(std::nullopt);
    setTranscript(result.transcript);
    const auto position =
        std::find_if(m_archiveSearchResults.begin(), m_archiveSearchResults.end(),
                     [&](const TranscriptSearchResult& hit) { return hit.id == result.id; });
    setArchiveSearchSelectionIndex(
        position != m_archiveSearchResults.end()
            ? std::optional(static_cast<int>(position - m_archiveSearchResults.begin()))
            : std::nullopt);
    setIsViewingArchiveSearch(false);
    setIsViewingArchiveSearchResult(true);
    setStatusText(QStringLiteral("Saved transcript opened"));
}

void RecordingWorkspaceViewModel::clearArchiveSearch() {
    setArchiveSearchQuery(QString());
    setArchiveSearchResults({});
    setArchiveSearchSelectionIndex(std::nullopt);
    setIsViewingArchiveSearchResult(false);
    setStatusText(archiveSearchStatusText());
}
