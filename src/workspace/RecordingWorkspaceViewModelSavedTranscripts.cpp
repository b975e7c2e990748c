// The view model's count of saved transcripts.
#include "workspace/BackgroundWork.h"
#include "workspace/RecordingWorkspaceViewModel.h"

#include <exception>

namespace {

int countSavedTranscripts(const TranscriptStore& store) {
    try {
        return static_cast<int>(store.indexedTranscripts().size());
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

void RecordingWorkspaceViewModel::refreshSavedTranscriptCount() {
    setSavedTranscriptCount(countSavedTranscripts(m_store));
}

void RecordingWorkspaceViewModel::refreshSavedTranscriptCountInBackground() {
    BackgroundWork::run(
        this, [store = m_store] { return countSavedTranscripts(store); },
        [this](int count) { setSavedTranscriptCount(count); });
}
