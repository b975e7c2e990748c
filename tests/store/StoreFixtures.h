#pragma once

#include "models/MeetingRecording.h"
#include "models/TallybrookError.h"
#include "models/TranscriptDocument.h"
#include "services/TranscriptStore.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A store rooted in a fresh temporary folder, and builders for recordings and documents.
class StoreTest : public ::testing::Test {
protected:
    QTemporaryDir m_folder;
    QString m_root = m_folder.filePath(QStringLiteral("root"));
    TranscriptStore m_store{m_root};

    QString rootFile(const QString& name) const { return QDir(m_root).filePath(name); }
    // The store as a new process would see it: same folder, fresh search index.
    TranscriptStore restarted() const { return TranscriptStore(m_root); }
};

inline QDateTime at(int hour, int minute, int second = 0) {
    return QDateTime(QDate(2025, 3, 14), QTime(hour, minute, second), Qt::UTC);
}

// A recording with one audio file, so its recordingID comes from that file's path.
inline MeetingRecording recording(const QString& folderPath, const QString& folderName) {
    MeetingRecording result{folderPath, folderName, at(8, 0), {}};
    result.assets.push_back({folderPath + QStringLiteral("/audio.m4a"),
                             QStringLiteral("audio.m4a"),
                             RecordingAssetKind::audio,
                             1,
                             {}});
    return result;
}

inline TranscriptDocument document(const QString& folderPath, const QString& body,
                                   const QDateTime& updatedAt = at(9, 0)) {
    TranscriptDocument result;
    result.recordingFolderPath = folderPath;
    result.title = folderPath.section(QLatin1Char('/'), -1);
    result.createdAt = at(8, 30);
    result.updatedAt = updatedAt;
    result.body = body;
    return result;
}
