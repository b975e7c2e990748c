#include "models/WhisperCommandConfiguration.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

#include <QFileInfo>

std::optional<WhisperModel> WhisperCommandConfiguration::effectiveModel() const {
    if (model)
        return model;
    return WhisperModels::identify(QFileInfo(modelPath).fileName());
}

QJsonObject WhisperCommandConfiguration::toJson() const {
    QJsonObject object{{QStringLiteral("executablePath"), executablePath},
                       {QStringLiteral("modelPath"), modelPath},
                       {QStringLiteral("libraryDirectoryPath"), libraryDirectoryPath},
                       {QStringLiteral("backendDirectoryPath"), backendDirectoryPath}};
    if (model)
        object.insert(QStringLiteral("model"), WhisperModels::rawValue(*model));
    return object;
}

WhisperCommandConfiguration WhisperCommandConfiguration::fromJson(const QJsonObject& object) {
    WhisperCommandConfiguration configuration;
    configuration.executablePath = JsonFormat::requiredString(object, QStringLiteral("executablePath"));
    configuration.modelPath = JsonFormat::requiredString(object, QStringLiteral("modelPath"));
    configuration.libraryDirectoryPath =
        JsonFormat::requiredString(object, QStringLiteral("libraryDirectoryPath"));
    configuration.backendDirectoryPath =
        JsonFormat::requiredString(object, QStringLiteral("backendDirectoryPath"));
    if (const auto raw = JsonFormat::optionalString(object, QStringLiteral("model"))) {
        configuration.model = WhisperModels::fromRawValue(*raw);
        if (!configuration.model)
            throw JsonDecodingError(
                QStringLiteral("The data couldn’t be read because “%1” is not a Whisper model.").arg(*raw));
    }
    return configuration;
}
