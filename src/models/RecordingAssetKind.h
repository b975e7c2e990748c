#pragma once

#include <QString>
#include <array>
#include <optional>

// What one file of a recording folder is. Stored by its raw value (the case name).
enum class RecordingAssetKind { video, audio, participantAudio, chatText, transcript, captions, unknown };

namespace RecordingAssetKinds {

inline constexpr std::array<RecordingAssetKind, 7> allCases = {
    RecordingAssetKind::video,    RecordingAssetKind::audio,      RecordingAssetKind::participantAudio,
    RecordingAssetKind::chatText, RecordingAssetKind::transcript, RecordingAssetKind::captions,
    RecordingAssetKind::unknown};

QString rawValue(RecordingAssetKind kind);
std::optional<RecordingAssetKind> fromRawValue(const QString& raw);

// video, audio and participantAudio: the kinds that may carry a duration and can be transcribed.
bool isMedia(RecordingAssetKind kind);

} // namespace RecordingAssetKinds
