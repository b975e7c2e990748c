#include "models/TranscriptMetadata.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

namespace {

[[noreturn]] void failRawValue(const QString& key, const QString& value) {
    throw JsonDecodingError(
        QStringLiteral("The data couldn’t be read because “%1” is not a valid value for “%2”.")
            .arg(value, key));
}

} // namespace

QString TranscriptMetadata::htmlLanguage() const {
    if (detectedLanguage)
        return *detectedLanguage;
    return requestedLanguage == TranscriptionLanguage::chinese ? QStringLiteral("zh") : QStringLiteral("en");
}

QJsonObject TranscriptMetadata::toJson() const {
    QJsonObject object{
        {QStringLiteral("requestedLanguage"), TranscriptionLanguages::rawValue(requestedLanguage)},
        {QStringLiteral("transcriptionTask"), transcriptionTask},
        {QStringLiteral("model"), WhisperModels::rawValue(model)}};
    if (detectedLanguage)
        object.insert(QStringLiteral("detectedLanguage"), *detectedLanguage);
    return object;
}

TranscriptMetadata TranscriptMetadata::fromJson(const QJsonObject& object) {
    TranscriptMetadata metadata;
    const QString language = JsonFormat::requiredString(object, QStringLiteral("requestedLanguage"));
    const auto parsedLanguage = TranscriptionLanguages::fromRawValue(language);
    if (!parsedLanguage)
        failRawValue(QStringLiteral("requestedLanguage"), language);
    metadata.requestedLanguage = *parsedLanguage;
    metadata.detectedLanguage = JsonFormat::optionalString(object, QStringLiteral("detectedLanguage"));
    metadata.transcriptionTask = JsonFormat::requiredString(object, QStringLiteral("transcriptionTask"));
    const QString model = JsonFormat::requiredString(object, QStringLiteral("model"));
    const auto parsedModel = WhisperModels::fromRawValue(model);
    if (!parsedModel)
        failRawValue(QStringLiteral("model"), model);
    metadata.model = *parsedModel;
    return metadata;
}
