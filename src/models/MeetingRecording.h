#pragma once

#include "models/RecordingAsset.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <vector>

// One meeting: a folder and the recording files found in it. Built by the folder parser and
// never changed afterwards; everything else about it is derived from its assets.
struct MeetingRecording {
    QString folderPath;
    QString folderName;
    QDateTime importedAt; // the folder's modification date, not the moment of import
    std::vector<RecordingAsset> assets;

    bool operator==(const MeetingRecording&) const = default;

    // Participant tracks when there are any, otherwise the mixed audio files; natural order.
    std::vector<RecordingAsset> audioCandidates() const;
    std::vector<RecordingAsset> videoAssets() const;
    // What gets transcribed: the audio candidates, else the first video, else nothing.
    std::vector<RecordingAsset> transcriptionCandidates() const;
    std::vector<RecordingAsset> existingTranscriptAssets() const;
    // SHA-256 (lower-case hex) of the first candidate's path, or of the folder path.
    QString recordingID() const;

    QJsonObject toJson() const;
    static MeetingRecording fromJson(const QJsonObject& object);

    // 0001-01-01T00:00:00Z, the date of a folder whose modification date cannot be read.
    static QDateTime earliestDate();
};
