#pragma once

#include "models/IndexedTranscript.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <map>

// Writes the search index's cache file byte for byte as QJsonDocument's compact form of the
// entries' JSON would be (sorted keys, the same escapes and number forms), without building the
// intermediate JSON objects.
class TranscriptIndexFileWriter {
public:
    using Entries = std::map<QString, IndexedTranscript>;

    static QByteArray write(const Entries& entries);
    // The same text written to device in pieces of about a megabyte; false when a write fails.
    static bool write(const Entries& entries, QIODevice& device);
};
