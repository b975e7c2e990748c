#pragma once

#include "models/IndexedTranscript.h"
#include "models/MeetingRecording.h"
#include "models/RecordingIndex.h"
#include "models/RecordingStatus.h"
#include "models/TranscriptDocument.h"
#include "models/TranscriptExportFormat.h"
#include "models/TranscriptSearchResult.h"
#include "services/TranscriptSearchIndex.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

// Where transcript documents live, how they are named, found, loaded and written, the recording
// index file, the listing and search of saved transcripts, and the exports. A plain value:
// copies share one search index. Locations are absolute local paths. Every failure is a
// PlatformError (JsonDecodingError for undecodable files) carrying the system's text.
class TranscriptStore {
public:
    // An empty override means "Tallybrook" in the per-user data folder.
    explicit TranscriptStore(const QString& storageDirectoryOverride = {});

    // The store's encoder (sorted keys, pretty-printed, whole-second UTC dates) and decoder.
    static QByteArray encode(const TranscriptDocument& document);
    static TranscriptDocument decode(const QByteArray& bytes);

    // The storage root, created when missing.
    QString storageDirectory() const;
    // Transcripts/<folder name>-<12 characters of the recording ID>.tallybrook.json; creates the
    // "Transcripts" folder, does not look at the file.
    QString transcriptURL(const MeetingRecording& recording) const;
    // The older name in the root: <folder name>.tallybrook.json.
    QString legacyTranscriptURL(const MeetingRecording& recording) const;
    // The current file when something exists there, else the older one, else none.
    std::optional<QString> savedTranscriptURL(const MeetingRecording& recording) const;
    // The document in the current file, else in the older file, else none.
    std::optional<TranscriptDocument> loadTranscript(const MeetingRecording& recording) const;
    std::optional<TranscriptDocument> loadLegacyTranscript(const MeetingRecording& recording) const;

    // Writes the document to transcriptURL(recording) atomically and tells the search index;
    // returns the location. Only the write can fail. The caller then records transcriptSaved.
    QString saveTranscript(const TranscriptDocument& document, const MeetingRecording& recording) const;
    // Saves a document that has no recording under its title in the root and returns the location.
    QString save(const TranscriptDocument& document) const;
    // Every *.tallybrook.json in "Transcripts", then in the root; hidden entries skipped.
    QStringList storedTranscriptURLs() const;

    // "RecordingIndex.json": a missing file is an empty index; read or decode failures throw.
    QString recordingIndexURL() const;
    RecordingIndex loadRecordingIndex() const;
    // Rereads and rewrites the whole index with the recording's new entry; keeps importedAt of an
    // existing entry. An undecodable index file is left untouched and the failure thrown.
    void upsertRecordingIndexEntry(const MeetingRecording& recording, RecordingStatus status,
                                   const std::optional<QString>& statusDetail) const;

    // One entry per recording folder (the latest); takes the index's lock.
    std::vector<IndexedTranscript> indexedTranscripts() const;
    // Phrase search, newest first; a blank query reads nothing and finds nothing.
    std::vector<TranscriptSearchResult> searchTranscripts(const QString& query) const;
    // The query must already be trimmed and lower-cased.
    static QString snippet(const TranscriptDocument& document, const QString& query);

    // Renders and writes atomically, replacing an existing file.
    void exportTranscript(const TranscriptDocument& document, TranscriptExportFormat format,
                          const QString& location) const;
    // Writes the rendering into a fresh folder <temp>/Tallybrook/<UUID>/<title>.<extension>.
    QString temporaryExportURL(const TranscriptDocument& document, TranscriptExportFormat format) const;
    static QString html(const TranscriptDocument& document);
    static QString htmlEscaped(const QString& text);

    static QString transcriptSuffix() { return QStringLiteral(".tallybrook.json"); }
    static QString recordingIndexFileName() { return QStringLiteral("RecordingIndex.json"); }

    TranscriptSearchIndex& searchIndex() const { return *m_searchIndex; }

private:
    QString rootFile(const QString& name) const;
    QString locationWithoutRecording(const TranscriptDocument& document) const;
    void writeAndIndex(const TranscriptDocument& document, const QString& location) const;

    QString m_storageDirectoryOverride;
    std::shared_ptr<TranscriptSearchIndex> m_searchIndex;
};
