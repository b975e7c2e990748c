#pragma once

#include "models/RecordingIndexEntry.h"

#include <QJsonObject>
#include <QString>
#include <map>

// The content of "RecordingIndex.json": one entry per recording, keyed by its recordingID.
struct RecordingIndex {
    std::map<QString, RecordingIndexEntry> entries;

    bool operator==(const RecordingIndex&) const = default;

    QJsonObject toJson() const;
    // Throws JsonDecodingError when any member is not a valid entry.
    static RecordingIndex fromJson(const QJsonObject& object);
};
