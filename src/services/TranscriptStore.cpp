#include "services/TranscriptStore.h"

#include "models/Formatting.h"
#include "models/JsonFormat.h"
#include "models/TallybrookError.h"
#include "platform/DirectoryListing.h"
#include "platform/FileAccess.h"
#include "services/StorageDirectory.h"
#include "services/TranscriptArchive.h"
#include "services/TranscriptRenderer.h"

#include <QDateTime>
#include <QDir>
#include <QUuid>

TranscriptStore::TranscriptStore(const QString& storageDirectoryOverride)
    : m_storageDirectoryOverride(storageDirectoryOverride)
    , m_searchIndex(std::make_shared<TranscriptSearchIndex>(storageDirectoryOverride)) {}

QByteArray TranscriptStore::encode(const TranscriptDocument& document) {
    return JsonFormat::pretty(document.toJson());
}

TranscriptDocument TranscriptStore::decode(const QByteArray& bytes) {
    return TranscriptDocument::fromJson(JsonFormat::parseObject(bytes));
}

QString TranscriptStore::storageDirectory() const {
    return StorageDirectory::resolve(m_storageDirectoryOverride);
}

QString TranscriptStore::transcriptURL(const MeetingRecording& recording) const {
    const QString folder = FileAccess::creatingDirectoryIfNeeded(
        QDir(storageDirectory()).filePath(QStringLiteral("Transcripts")));
    return QDir(folder).filePath(Formatting::sanitizedFileName(recording.folderName) + QLatin1Char('-') +
                                 recording.recordingID().left(12) + transcriptSuffix());
}

QString TranscriptStore::legacyTranscriptURL(const MeetingRecording& recording) const {
    return rootFile(Formatting::sanitizedFileName(recording.folderName) + transcriptSuffix());
}

std::optional<QString> TranscriptStore::savedTranscriptURL(const MeetingRecording& recording) const {
    for (const QString& location : {transcriptURL(recording), legacyTranscriptURL(recording)}) {
        if (FileAccess::exists(location))
            return location;
    }
    return std::nullopt;
}

std::optional<TranscriptDocument> TranscriptStore::loadTranscript(const MeetingRecording& recording) const {
    const QString current = transcriptURL(recording);
    if (QFileInfo(current).isFile())
        return decode(FileAccess::readAll(current));
    return loadLegacyTranscript(recording);
}

std::optional<TranscriptDocument>
TranscriptStore::loadLegacyTranscript(const MeetingRecording& recording) const {
    const QString legacy = legacyTranscriptURL(recording);
    if (!FileAccess::exists(legacy))
        return std::nullopt;
    return decode(FileAccess::readAll(legacy));
}

QString TranscriptStore::saveTranscript(const TranscriptDocument& document,
                                        const MeetingRecording& recording) const {
    const QString location = transcriptURL(recording);
    writeAndIndex(document, location);
    return location;
}

QString TranscriptStore::save(const TranscriptDocument& document) const {
    const QString location = locationWithoutRecording(document);
    writeAndIndex(document, location);
    return location;
}

QStringList TranscriptStore::storedTranscriptURLs() const {
    const QString root = storageDirectory();
    QStringList locations;
    for (const QString& folder : {QDir(root).filePath(QStringLiteral("Transcripts")), root}) {
        if (!FileAccess::exists(folder))
            continue;
        for (const QFileInfo& entry : DirectoryListing::children(folder)) {
            if (entry.fileName().endsWith(transcriptSuffix()))
                locations.append(entry.filePath());
        }
    }
    return locations;
}

QString TranscriptStore::recordingIndexURL() const {
    return rootFile(recordingIndexFileName());
}

RecordingIndex TranscriptStore::loadRecordingIndex() const {
    const QString location = recordingIndexURL();
    if (!FileAccess::exists(location))
        return {};
    return RecordingIndex::fromJson(JsonFormat::parseObject(FileAccess::readAll(location)));
}

void TranscriptStore::upsertRecordingIndexEntry(const MeetingRecording& recording, RecordingStatus status,
                                                const std::optional<QString>& statusDetail) const {
    RecordingIndex index = loadRecordingIndex();
    const QString recordingID = recording.recordingID();
    const auto existing = index.entries.find(recordingID);
    RecordingIndexEntry entry;
    entry.recordingID = recordingID;
    entry.folderPath = recording.folderPath;
    entry.folderName = recording.folderName;
    entry.importedAt = existing != index.entries.end() ? existing->second.importedAt : recording.importedAt;
    entry.updatedAt = QDateTime::currentDateTimeUtc();
    entry.status = status;
    entry.statusDetail = statusDetail;
    index.entries.insert_or_assign(recordingID, entry);
    FileAccess::writeAtomically(recordingIndexURL(), JsonFormat::pretty(index.toJson()));
}

std::vector<IndexedTranscript> TranscriptStore::indexedTranscripts() const {
    std::vector<IndexedTranscript> entries;
    {
        const auto guard = m_searchIndex->lock();
        entries = m_searchIndex->transcripts(guard, [this] { return storedTranscriptURLs(); });
    }
    return TranscriptArchive::latestPerRecording(entries);
}

std::vector<TranscriptSearchResult> TranscriptStore::searchTranscripts(const QString& query) const {
    const QString prepared = TranscriptArchive::searchQuery(query);
    if (prepared.isEmpty())
        return {};
    return TranscriptArchive::search(indexedTranscripts(), prepared);
}

QString TranscriptStore::snippet(const TranscriptDocument& document, const QString& query) {
    return TranscriptArchive::snippet(document, query);
}

void TranscriptStore::exportTranscript(const TranscriptDocument& document, TranscriptExportFormat format,
                                       const QString& location) const {
    FileAccess::writeAtomically(location, TranscriptRenderer::rendered(document, format).toUtf8());
}

QString TranscriptStore::temporaryExportURL(const TranscriptDocument& document,
                                            TranscriptExportFormat format) const {
    const QString folder = FileAccess::creatingDirectoryIfNeeded(
        QDir(QDir::tempPath())
            .filePath(QStringLiteral("Tallybrook/") +
                      QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()));
    const QString location =
        QDir(folder).filePath(Formatting::sanitizedFileName(document.title) + QLatin1Char('.') +
                              TranscriptExportFormats::fileExtension(format));
    exportTranscript(document, format, location);
    return location;
}

QString TranscriptStore::html(const TranscriptDocument& document) {
    return TranscriptRenderer::html(document);
}

QString TranscriptStore::htmlEscaped(const QString& text) {
    return TranscriptRenderer::htmlEscaped(text);
}

QString TranscriptStore::rootFile(const QString& name) const {
    return QDir(storageDirectory()).filePath(name);
}

QString TranscriptStore::locationWithoutRecording(const TranscriptDocument& document) const {
    // The title-named file may hold another recording's transcript (titles that differ only in
    // "/" or ":" share a name); that one is kept and the document goes to a numbered name.
    const QString base = Formatting::sanitizedFileName(document.title);
    for (int number = 1;; ++number) {
        const QString name = number == 1 ? base : base + QLatin1Char(' ') + QString::number(number);
        const QString location = rootFile(name + transcriptSuffix());
        if (!FileAccess::exists(location))
            return location;
        try {
            if (decode(FileAccess::readAll(location)).recordingFolderPath == document.recordingFolderPath)
                return location;
        } catch (const PlatformError&) {
        }
    }
}

void TranscriptStore::writeAndIndex(const TranscriptDocument& document, const QString& location) const {
    FileAccess::writeAtomically(location, encode(document));
    try {
        const auto guard = m_searchIndex->lock();
        m_searchIndex->upsert(guard, document, location);
    } catch (const std::exception&) {
        // The document is saved; the index learns about it at the next full listing.
    }
}
