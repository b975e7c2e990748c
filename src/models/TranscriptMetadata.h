#pragma once

#include "models/TranscriptionLanguage.h"
#include "models/WhisperModel.h"

#include <QJsonObject>
#include <QString>
#include <optional>

// How a transcript was produced.
struct TranscriptMetadata {
    TranscriptionLanguage requestedLanguage = TranscriptionLanguage::english;
    std::optional<QString> detectedLanguage;
    QString transcriptionTask = QStringLiteral("transcribe");
    WhisperModel model = WhisperModel::fastEnglish;

    bool operator==(const TranscriptMetadata&) const = default;

    // The HTML lang attribute: the detected language, else "zh" for a Chinese request, else "en".
    QString htmlLanguage() const;

    QJsonObject toJson() const;
    static TranscriptMetadata fromJson(const QJsonObject& object);
};
