#pragma once

#include "models/TranscriptMetadata.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <map>
#include <optional>

// A saved transcript of one recording with its title, times, speaker renames and provenance.
// Its JSON form is the one every reader and writer of transcripts uses.
struct TranscriptDocument {
    qint64 schemaVersion = 2;
    QString recordingFolderPath;
    QString title;
    QDateTime createdAt;
    QDateTime updatedAt;
    std::optional<double> audioDurationSeconds;
    std::map<QString, QString> speakerNames; // canonical label -> display name
    std::optional<TranscriptMetadata> transcriptionMetadata;
    QString body;

    bool operator==(const TranscriptDocument&) const = default;

    QJsonObject toJson() const;
    // Throws JsonDecodingError when any member is missing or of the wrong form.
    static TranscriptDocument fromJson(const QJsonObject& object);
};
