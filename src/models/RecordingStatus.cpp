#include "models/RecordingStatus.h"

namespace RecordingStatuses {

QString rawValue(RecordingStatus status) {
    switch (status) {
    case RecordingStatus::notTranscribed:
        return QStringLiteral("notTranscribed");
    case RecordingStatus::inProgress:
        return QStringLiteral("inProgress");
    case RecordingStatus::transcriptSaved:
        return QStringLiteral("transcriptSaved");
    case RecordingStatus::needsAttention:
        break;
    }
    return QStringLiteral("needsAttention");
}

std::optional<RecordingStatus> fromRawValue(const QString& raw) {
    for (const RecordingStatus status : allCases) {
        if (rawValue(status) == raw)
            return status;
    }
    return std::nullopt;
}

QString displayName(RecordingStatus status) {
    switch (status) {
    case RecordingStatus::notTranscribed:
        return QStringLiteral("Not transcribed");
    case RecordingStatus::inProgress:
        return QStringLiteral("In progress");
    case RecordingStatus::transcriptSaved:
        return QStringLiteral("Transcript saved");
    case RecordingStatus::needsAttention:
        break;
    }
    return QStringLiteral("Needs attention");
}

} // namespace RecordingStatuses
