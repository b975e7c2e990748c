#include "models/RecordingIndex.h"

#include "models/JsonDecodingError.h"

QJsonObject RecordingIndex::toJson() const {
    QJsonObject object;
    for (const auto& [recordingID, entry] : entries)
        object.insert(recordingID, entry.toJson());
    return object;
}

RecordingIndex RecordingIndex::fromJson(const QJsonObject& object) {
    RecordingIndex index;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it->isObject())
            throw JsonDecodingError(
                QStringLiteral("The data couldn’t be read because the entry “%1” is not an object.")
                    .arg(it.key()));
        index.entries.emplace(it.key(), RecordingIndexEntry::fromJson(it->toObject()));
    }
    return index;
}
