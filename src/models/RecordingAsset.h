#pragma once

#include "models/RecordingAssetKind.h"

#include <QJsonObject>
#include <QString>
#include <optional>

// One file of a meeting recording, as the folder parser found it.
struct RecordingAsset {
    QString path;
    QString fileName;
    RecordingAssetKind kind = RecordingAssetKind::unknown;
    qint64 byteCount = 0;
    std::optional<double> durationSeconds;

    bool operator==(const RecordingAsset&) const = default;

    // The speaker name a participant track's file name encodes ("Jane Doe_123.m4a" -> "Jane Doe").
    std::optional<QString> participantSpeakerName() const;

    QJsonObject toJson() const;
    static RecordingAsset fromJson(const QJsonObject& object);
};
