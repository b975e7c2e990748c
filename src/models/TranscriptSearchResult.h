#pragma once

#include "models/TranscriptDocument.h"

#include <QDateTime>
#include <QString>

// One hit of the archive search.
struct TranscriptSearchResult {
    QString id;
    QString title;
    QString recordingFolderPath;
    QString snippet;
    QDateTime updatedAt;
    TranscriptDocument transcript;

    bool operator==(const TranscriptSearchResult&) const = default;
};
