#pragma once

#include "models/IndexedTranscript.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

// Every stored transcript file with its decoded document and search text, kept in memory and in
// the compact cache file "TranscriptSearchIndex.json" in the storage root. A file is read again
// only when its modification date differs from the recorded one.
//
// The caller holds the index's lock around transcripts() and upsert(); they take a Guard to show
// it. The lock is not recursive.
class TranscriptSearchIndex {
public:
    using Guard = std::unique_lock<std::mutex>;
    using FileListing = std::function<QStringList()>;

    // An empty override means the default storage root.
    explicit TranscriptSearchIndex(QString storageDirectoryOverride = {});

    TranscriptSearchIndex(const TranscriptSearchIndex&) = delete;
    TranscriptSearchIndex& operator=(const TranscriptSearchIndex&) = delete;

    Guard lock();

    // The entries of every listed file. The first call reads the cache file, rereads the files
    // whose modification date changed, drops entries of files no longer listed and rewrites the
    // cache file; later calls answer from memory without calling fileURLs.
    std::vector<IndexedTranscript> transcripts(const Guard& guard, const FileListing& fileURLs);

    // Records a just-saved document in memory; the cache file is not rewritten.
    void upsert(const Guard& guard, const TranscriptDocument& transcript, const QString& sourceURL);

    // The file's modification date at the precision the cache file keeps (whole seconds), so
    // that a restart recognises unchanged files.
    static QDateTime modificationDate(const QString& path);

    static QString cacheFileName() { return QStringLiteral("TranscriptSearchIndex.json"); }

private:
    using Entries = std::map<QString, IndexedTranscript>;

    // readExactly tells whether the file was in the exact form this index writes.
    Entries readCacheFile(bool* readExactly = nullptr) const;
    void writeCacheFile(const Entries& entries) const;
    // Rereads the files whose modification date differs from their entry's; true when any was
    // read anew.
    static bool refresh(Entries& entries, const QStringList& files);
    // Nothing for a file that cannot be read or decoded.
    static std::optional<IndexedTranscript> readEntry(const QString& path, const QDateTime& modified);
    static std::vector<IndexedTranscript> values(const Entries& entries);

    QString m_storageDirectoryOverride;
    std::mutex m_mutex;
    std::optional<Entries> m_cachedEntries;
};
