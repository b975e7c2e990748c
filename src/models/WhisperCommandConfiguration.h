#pragma once

#include "models/WhisperModel.h"

#include <QJsonObject>
#include <QString>
#include <optional>

// The four paths the Whisper command needs, and the model its file belongs to when known.
struct WhisperCommandConfiguration {
    QString executablePath;
    QString modelPath;
    QString libraryDirectoryPath;
    QString backendDirectoryPath;
    std::optional<WhisperModel> model;

    bool operator==(const WhisperCommandConfiguration&) const = default;

    // The model member, or else the model the model file's name identifies.
    std::optional<WhisperModel> effectiveModel() const;

    QJsonObject toJson() const;
    // Throws JsonDecodingError when a path is missing or the model is no known raw value.
    static WhisperCommandConfiguration fromJson(const QJsonObject& object);
};
