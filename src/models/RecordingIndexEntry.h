#pragma once

#include "models/RecordingStatus.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

// The remembered status of one recording, filed in "RecordingIndex.json" under its recordingID.
struct RecordingIndexEntry {
    qint64 schemaVersion = 1;
    QString recordingID;
    QString folderPath;
    QString folderName;
    QDateTime importedAt;
    QDateTime updatedAt;
    RecordingStatus status = RecordingStatus::notTranscribed;
    std::optional<QString> statusDetail;

    bool operator==(const RecordingIndexEntry&) const = default;

    QJsonObject toJson() const;
    // Throws JsonDecodingError for a missing member or a status that is not a raw value.
    static RecordingIndexEntry fromJson(const QJsonObject& object);
};
