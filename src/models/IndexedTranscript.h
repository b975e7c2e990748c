#pragma once

#include "models/TranscriptDocument.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

// One stored transcript file as the search index knows it.
struct IndexedTranscript {
    QString sourceURL; // absolute local path; a percent-encoded file URL in JSON
    QDateTime sourceModifiedAt;
    TranscriptDocument transcript;
    // The search text in UTF-8: the form the search scans and the cache file holds, and half
    // the memory of a QString.
    QByteArray normalizedSearchTextUtf8;

    bool operator==(const IndexedTranscript&) const = default;

    QString normalizedSearchText() const;

    // An entry for a freshly read document, with its search text.
    static IndexedTranscript make(const QString& sourceURL, const QDateTime& modifiedAt,
                                  const TranscriptDocument& transcript);
    // Title, folder path and body, one per line, in TranscriptText::searchForm.
    static QString searchText(const TranscriptDocument& transcript);

    QJsonObject toJson() const;
    // Throws JsonDecodingError when a member is missing or malformed.
    static IndexedTranscript fromJson(const QJsonObject& object);
};
