#pragma once

#include "models/IndexedTranscript.h"

#include <QByteArrayView>
#include <QString>
#include <map>
#include <optional>

// A fast reader of the search index's cache file. It accepts standard JSON in any layout and
// decodes it straight into entries, without building a QJsonDocument. Input it cannot vouch for
// (invalid JSON, a member of the wrong type, duplicate keys, QJsonDocument's non-standard
// leniencies) yields nullopt, and the caller decides with the exact, slower decoder.
class TranscriptIndexFileReader {
public:
    using Entries = std::map<QString, IndexedTranscript>;

    // A large file is read in stretches on several threads; `stretches` sets their number, and 0
    // means one per processor.
    static std::optional<Entries> read(QByteArrayView json, int stretches = 0);
    // A transcript file (any JSON layout), with the same reservations.
    static std::optional<TranscriptDocument> readTranscript(QByteArrayView json);
};
