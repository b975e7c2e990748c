#include "models/RecordingAssetKind.h"

namespace RecordingAssetKinds {

QString rawValue(RecordingAssetKind kind) {
    switch (kind) {
    case RecordingAssetKind::video:
        return QStringLiteral("video");
    case RecordingAssetKind::audio:
        return QStringLiteral("audio");
    case RecordingAssetKind::participantAudio:
        return QStringLiteral("participantAudio");
    case RecordingAssetKind::chatText:
        return QStringLiteral("chatText");
    case RecordingAssetKind::transcript:
        return QStringLiteral("transcript");
    case RecordingAssetKind::captions:
        return QStringLiteral("captions");
    case RecordingAssetKind::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

std::optional<RecordingAssetKind> fromRawValue(const QString& raw) {
    for (const RecordingAssetKind kind : allCases) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

bool isMedia(RecordingAssetKind kind) {
    return kind == RecordingAssetKind::video || kind == RecordingAssetKind::audio ||
           kind == RecordingAssetKind::participantAudio;
}

} // namespace RecordingAssetKinds
