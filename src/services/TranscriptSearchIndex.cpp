#include "services/TranscriptSearchIndex.h"

#include "models/JsonFormat.h"
#include "models/TallybrookError.h"
#include "platform/FileAccess.h"
#include "platform/ParallelRuns.h"
#include "services/StorageDirectory.h"
#include "services/TranscriptIndexFileReader.h"
#include "services/TranscriptIndexFileWriter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <utility>

TranscriptSearchIndex::TranscriptSearchIndex(QString storageDirectoryOverride)
    : m_storageDirectoryOverride(std::move(storageDirectoryOverride)) {}

TranscriptSearchIndex::Guard TranscriptSearchIndex::lock() {
    return Guard(m_mutex);
}

std::vector<IndexedTranscript> TranscriptSearchIndex::transcripts(const Guard&, const FileListing& fileURLs) {
    if (m_cachedEntries)
        return values(*m_cachedEntries);
    bool readExactly = false;
    Entries entries = readCacheFile(&readExactly);
    const QStringList files = fileURLs();
    const QSet<QString> listed(files.begin(), files.end());
    bool changed =
        std::erase_if(entries, [&](const auto& member) { return !listed.contains(member.first); }) > 0;
    changed = refresh(entries, files) || changed;
    m_cachedEntries = std::move(entries);
    // A cache file that already holds exactly these entries is left as it is: rewriting hundreds
    // of megabytes with the same content would only cost the start-up time.
    if (changed || !readExactly)
        writeCacheFile(*m_cachedEntries);
    return values(*m_cachedEntries);
}

void TranscriptSearchIndex::upsert(const Guard&, const TranscriptDocument& transcript,
                                   const QString& sourceURL) {
    const QDateTime modified = modificationDate(sourceURL);
    if (!m_cachedEntries)
        m_cachedEntries = readCacheFile();
    m_cachedEntries->insert_or_assign(sourceURL, IndexedTranscript::make(sourceURL, modified, transcript));
}

QDateTime TranscriptSearchIndex::modificationDate(const QString& path) {
    const QDateTime date = FileAccess::modificationDate(path);
    return QDateTime::fromSecsSinceEpoch(date.toSecsSinceEpoch(), Qt::UTC);
}

TranscriptSearchIndex::Entries TranscriptSearchIndex::readCacheFile(bool* readExactly) const {
    try {
        const QString root = StorageDirectory::resolve(m_storageDirectoryOverride);
        const QString path = QDir(root).filePath(cacheFileName());
        if (!FileAccess::exists(path))
            return {};
        // Mapping the file spares copying it into fresh memory; the file is only ever replaced
        // by renaming, so the mapped contents stay as they are.
        QFile file(path);
        const uchar* mapped =
            file.open(QIODevice::ReadOnly) && file.size() > 0 ? file.map(0, file.size()) : nullptr;
        const QByteArray bytes =
            mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size())
                   : FileAccess::readAll(path);
        if (auto entries = TranscriptIndexFileReader::read(bytes)) {
            if (readExactly)
                *readExactly = true;
            return std::move(*entries);
        }
        // What the fast reader leaves open, QJsonDocument decides, malformed files included.
        const QJsonObject object = JsonFormat::parseObject(bytes);
        Entries entries;
        for (auto it = object.begin(); it != object.end(); ++it)
            entries.emplace(it.key(),
                            IndexedTranscript::fromJson(JsonFormat::requiredObject(object, it.key())));
        return entries;
    } catch (const std::exception&) {
        return {};
    }
}

void TranscriptSearchIndex::writeCacheFile(const Entries& entries) const {
    // Written in pieces rather than through FileAccess::writeAtomically, which needs the whole
    // file in memory first; the failure reads the same.
    const QString path =
        QDir(StorageDirectory::resolve(m_storageDirectoryOverride)).filePath(cacheFileName());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !TranscriptIndexFileWriter::write(entries, file) ||
        !file.commit())
        throw PlatformError(QStringLiteral("The file “%1” couldn’t be saved: %2.")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
}

bool TranscriptSearchIndex::refresh(Entries& entries, const QStringList& files) {
    struct Stale {
        QString path;
        QDateTime modified;
    };
    std::vector<Stale> stale;
    for (const QString& path : files) {
        const QDateTime modified = modificationDate(path);
        const auto existing = entries.find(path);
        if (existing == entries.end() || existing->second.sourceModifiedAt != modified)
            stale.push_back({path, modified});
    }
    // Reading a file and building its search text is independent of every other file's, so
    // many files are read side by side.
    const auto runs = ParallelRuns::inRuns(
        stale.size(), ParallelRuns::runsFor(qsizetype(stale.size()), 32), [&](size_t begin, size_t end) {
            std::vector<IndexedTranscript> read;
            for (size_t i = begin; i < end; ++i) {
                if (auto entry = readEntry(stale[i].path, stale[i].modified))
                    read.push_back(std::move(*entry));
            }
            return read;
        });
    bool changed = false;
    for (const std::vector<IndexedTranscript>& run : runs) {
        for (const IndexedTranscript& entry : run) {
            entries.insert_or_assign(entry.sourceURL, entry);
            changed = true;
        }
    }
    return changed;
}

std::optional<IndexedTranscript> TranscriptSearchIndex::readEntry(const QString& path,
                                                                  const QDateTime& modified) {
    try {
        const QByteArray bytes = FileAccess::readAll(path);
        std::optional<TranscriptDocument> document = TranscriptIndexFileReader::readTranscript(bytes);
        if (!document)
            document = TranscriptDocument::fromJson(JsonFormat::parseObject(bytes));
        return IndexedTranscript::make(path, modified, *document);
    } catch (const PlatformError&) {
        // An unreadable or undecodable file stays out of the index, or keeps its older entry.
        return std::nullopt;
    }
}

std::vector<IndexedTranscript> TranscriptSearchIndex::values(const Entries& entries) {
    std::vector<IndexedTranscript> result;
    result.reserve(entries.size());
    for (const auto& [path, entry] : entries)
        result.push_back(entry);
    return result;
}
