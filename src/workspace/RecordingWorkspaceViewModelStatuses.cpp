// The view model's recording statuses: worked out at each reload, published, and remembered in
// the recording index.
#include "workspace/RecordingWorkspaceViewModel.h"

#include <exception>

void RecordingWorkspaceViewModel::refreshStatuses(const std::vector<MeetingRecording>& recordings) {
    for (const MeetingRecording& recording : recordings) {
        const QString id = recording.recordingID();
        try {
            // Read anew for every recording: the previous one's write has just changed it.
            const RecordingIndex index = m_store.loadRecordingIndex();
            const auto found = index.entries.find(id);
            const std::optional<RecordingIndexEntry> stored =
                found != index.entries.end() ? std::optional(found->second) : std::nullopt;
            const RecordingStatus resolved =
                resolvedStatus(recording, stored ? std::optional(stored->status) : std::nullopt);
            const std::optional<QString> detail = statusDetail(recording, stored, resolved);
            publishStatus(id, resolved, detail);
            m_store.upsertRecordingIndexEntry(recording, resolved, detail);
        } catch (const std::exception&) {
            publishStatus(id, RecordingStatus::needsAttention,
                          QStringLiteral("Tallybrook could not read the saved recording status."));
        }
    }
}

void RecordingWorkspaceViewModel::saveStatus(RecordingStatus status, const MeetingRecording& recording,
                                             const std::optional<QString>& detail) {
    publishStatus(recording.recordingID(), status, detail);
    try {
        m_store.upsertRecordingIndexEntry(recording, status, detail);
    } catch (const std::exception&) {
        // The status shown stays the new one; the file keeps the old.
    }
}

RecordingStatus RecordingWorkspaceViewModel::defaultStatus(const MeetingRecording& recording) const {
    if (recording.transcriptionCandidates().empty())
        return RecordingStatus::needsAttention;
    return savedTranscriptURL(recording) ? RecordingStatus::transcriptSaved : RecordingStatus::notTranscribed;
}

RecordingStatus
RecordingWorkspaceViewModel::resolvedStatus(const MeetingRecording& recording,
                                            std::optional<RecordingStatus> storedStatus) const {
    if (savedTranscriptURL(recording))
        return RecordingStatus::transcriptSaved;
    if (!storedStatus)
        return defaultStatus(recording);
    // A transcription that was running when the application stopped.
    if (*storedStatus == RecordingStatus::inProgress)
        return RecordingStatus::needsAttention;
    return *storedStatus;
}

std::optional<QString>
RecordingWorkspaceViewModel::statusDetail(const MeetingRecording& recording,
                                          const std::optional<RecordingIndexEntry>& storedEntry,
                                          RecordingStatus resolvedStatus) {
    if (resolvedStatus != RecordingStatus::needsAttention)
        return std::nullopt;
    if (storedEntry && storedEntry->status == RecordingStatus::inProgress)
        return QStringLiteral("The previous transcription was interrupted.");
    if (storedEntry && storedEntry->statusDetail && !storedEntry->statusDetail->isEmpty())
        return storedEntry->statusDetail;
    if (!recording.transcriptionCandidates().empty())
        return QStringLiteral("Transcription failed.");
    return QStringLiteral("No usable transcription source found.");
}

void RecordingWorkspaceViewModel::publishStatus(const QString& recordingID, RecordingStatus status,
                                                const std::optional<QString>& detail) {
    RecordingStatusMap statuses = m_recordingStatuses;
    statuses[recordingID] = status;
    setRecordingStatuses(statuses);
    RecordingStatusDetailMap details = m_recordingStatusDetails;
    if (detail)
        details[recordingID] = *detail;
    else
        details.erase(recordingID);
    setRecordingStatusDetails(details);
}
