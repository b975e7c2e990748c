#pragma once

#include "models/MeetingRecording.h"

#include <QFileInfo>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// Turns a chosen folder into meetings: a folder holding recording files itself is one meeting; a
// folder holding only meeting sub-folders gives one meeting per sub-folder, newest first. Keeps no
// state and writes nothing, so calls may run on any thread at once.
class RecordingFolderParser {
public:
    using DurationReader = std::function<std::optional<double>(const QString& filePath)>;

    // The duration reader defaults to FFmpeg's; tests may count or replace the reads.
    explicit RecordingFolderParser(DurationReader durationReader = {});

    // Throws RecordingFolderParserError or a PlatformError; never returns a partial result.
    std::vector<MeetingRecording> recordings(const QString& folderPath) const;

    static RecordingAssetKind classify(const QString& filePath, const QString& rootPath);

private:
    bool containsRecordingFilesDirectly(const QString& folderPath) const;
    bool containsRecordingFilesRecursively(const QString& folderPath) const;
    MeetingRecording recording(const QString& folderPath) const;
    std::vector<RecordingAsset> recordingAssets(const QString& folderPath) const;
    std::optional<double> durationSeconds(const QString& filePath, RecordingAssetKind kind) const;
    static QDateTime modificationDate(const QFileInfo& folder);
    std::vector<QFileInfo> meetingSubFolders(const QString& folderPath) const;

    DurationReader m_durationReader;
};
