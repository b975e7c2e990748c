#include "models/TranscriptDocument.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

namespace {

std::map<QString, QString> readSpeakerNames(const QJsonObject& object) {
    std::map<QString, QString> names;
    const QString key = QStringLiteral("speakerNames");
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return names;
    if (!value.isObject())
        throw JsonDecodingError(QStringLiteral(
            "The data couldn’t be read because the value for “speakerNames” is not an object."));
    const QJsonObject members = value.toObject();
    for (auto it = members.begin(); it != members.end(); ++it) {
        if (!it->isString())
            throw JsonDecodingError(QStringLiteral("The data couldn’t be read because the speaker name for "
                                                   "“%1” is not a string.")
                                        .arg(it.key()));
        names.emplace(it.key(), it->toString());
    }
    return names;
}

} // namespace

QJsonObject TranscriptDocument::toJson() const {
    QJsonObject names;
    for (const auto& [label, name] : speakerNames)
        names.insert(label, name);
    QJsonObject object{{QStringLiteral("schemaVersion"), schemaVersion},
                       {QStringLiteral("recordingFolderPath"), recordingFolderPath},
                       {QStringLiteral("title"), title},
                       {QStringLiteral("createdAt"), JsonFormat::dateString(createdAt)},
                       {QStringLiteral("updatedAt"), JsonFormat::dateString(updatedAt)},
                       {QStringLiteral("speakerNames"), names},
                       {QStringLiteral("body"), body}};
    if (audioDurationSeconds)
        object.insert(QStringLiteral("audioDurationSeconds"), *audioDurationSeconds);
    if (transcriptionMetadata)
        object.insert(QStringLiteral("transcriptionMetadata"), transcriptionMetadata->toJson());
    return object;
}

TranscriptDocument TranscriptDocument::fromJson(const QJsonObject& object) {
    TranscriptDocument document;
    document.schemaVersion = JsonFormat::schemaVersion(object);
    document.recordingFolderPath = JsonFormat::requiredString(object, QStringLiteral("recordingFolderPath"));
    document.title = JsonFormat::requiredString(object, QStringLiteral("title"));
    document.createdAt = JsonFormat::requiredDate(object, QStringLiteral("createdAt"));
    document.updatedAt = JsonFormat::requiredDate(object, QStringLiteral("updatedAt"));
    document.audioDurationSeconds =
        JsonFormat::optionalDouble(object, QStringLiteral("audioDurationSeconds"));
    document.speakerNames = readSpeakerNames(object);
    const QJsonValue metadata = object.value(QStringLiteral("transcriptionMetadata"));
    if (!metadata.isUndefined() && !metadata.isNull())
        document.transcriptionMetadata = TranscriptMetadata::fromJson(
            JsonFormat::requiredObject(object, QStringLiteral("transcriptionMetadata")));
    document.body = JsonFormat::requiredString(object, QStringLiteral("body"));
    return document;
}
