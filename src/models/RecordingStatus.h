#pragma once

#include <QString>
#include <array>
#include <optional>

// What the workspace remembers about a recording. Stored by its raw value (the case name).
enum class RecordingStatus { notTranscribed, inProgress, transcriptSaved, needsAttention };

namespace RecordingStatuses {

inline constexpr std::array<RecordingStatus, 4> allCases = {
    RecordingStatus::notTranscribed, RecordingStatus::inProgress, RecordingStatus::transcriptSaved,
    RecordingStatus::needsAttention};

QString rawValue(RecordingStatus status);
std::optional<RecordingStatus> fromRawValue(const QString& raw);
// "Not transcribed", "In progress", "Transcript saved", "Needs attention".
QString displayName(RecordingStatus status);

} // namespace RecordingStatuses
