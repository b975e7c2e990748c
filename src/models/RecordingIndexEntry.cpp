#include "models/RecordingIndexEntry.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

QJsonObject RecordingIndexEntry::toJson() const {
    QJsonObject object{{QStringLiteral("schemaVersion"), schemaVersion},
                       {QStringLiteral("recordingID"), recordingID},
                       {QStringLiteral("folderPath"), folderPath},
                       {QStringLiteral("folderName"), folderName},
                       {QStringLiteral("importedAt"), JsonFormat::dateString(importedAt)},
                       {QStringLiteral("updatedAt"), JsonFormat::dateString(updatedAt)},
                       {QStringLiteral("status"), RecordingStatuses::rawValue(status)}};
    if (statusDetail)
        object.insert(QStringLiteral("statusDetail"), *statusDetail);
    return object;
}

RecordingIndexEntry RecordingIndexEntry::fromJson(const QJsonObject& object) {
    RecordingIndexEntry entry;
    entry.schemaVersion = JsonFormat::schemaVersion(object);
    entry.recordingID = JsonFormat::requiredString(object, QStringLiteral("recordingID"));
    entry.folderPath = JsonFormat::requiredString(object, QStringLiteral("folderPath"));
    entry.folderName = JsonFormat::requiredString(object, QStringLiteral("folderName"));
    entry.importedAt = JsonFormat::requiredDate(object, QStringLiteral("importedAt"));
    entry.updatedAt = JsonFormat::requiredDate(object, QStringLiteral("updatedAt"));
    const QString status = JsonFormat::requiredString(object, QStringLiteral("status"));
    const auto decoded = RecordingStatuses::fromRawValue(status);
    if (!decoded)
        throw JsonDecodingError(
            QStringLiteral("The data couldn’t be read because “%1” is not a recording status.").arg(status));
    entry.status = *decoded;
    entry.statusDetail = JsonFormat::optionalString(object, QStringLiteral("statusDetail"));
    return entry;
}
