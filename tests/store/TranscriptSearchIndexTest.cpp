#include "StoreFixtures.h"

#include "models/JsonFormat.h"
#include "platform/FileAccess.h"
#include "support/FixtureFiles.h"

#include <QFile>
#include <QUrl>

namespace {

// Writes a transcript file directly, as another program would, with a chosen modification time.
void writeTranscript(const QString& path, const TranscriptDocument& document, const QDateTime& modified) {
    FixtureFiles::write(path, TranscriptStore::encode(document));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

class SearchIndexTest : public StoreTest {
protected:
    QString cacheFile() const { return rootFile(TranscriptSearchIndex::cacheFileName()); }
    QString transcriptFile(const char* name) const {
        return rootFile(QString::fromUtf8(name) + ".tallybrook.json");
    }

    // A fresh index listing the given files; counts how often the listing runs.
    std::vector<IndexedTranscript> list(TranscriptSearchIndex& index, const QStringList& files) {
        const auto guard = index.lock();
        return index.transcripts(guard, [&] {
            ++m_listings;
            return files;
        });
    }

    static QStringList bodies(const std::vector<IndexedTranscript>& entries) {
        QStringList result;
        for (const IndexedTranscript& entry : entries)
            result.append(entry.transcript.body);
        result.sort();
        return result;
    }

    int m_listings = 0;
};

} // namespace

TEST_F(SearchIndexTest, FirstListingReadsFilesAndWritesCompactCacheThenAnswersFromMemory) {
    const QString a = transcriptFile("a b");
    writeTranscript(a, document(QStringLiteral("/m/A"), QStringLiteral("Grüße")), at(10, 0));
    TranscriptSearchIndex index(m_root);
    const auto entries = list(index, {a});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sourceURL, a);
    EXPECT_EQ(entries[0].sourceModifiedAt, at(10, 0));
    EXPECT_EQ(entries[0].normalizedSearchText(), QStringLiteral("a\n/m/a\ngrüße"));

    const QByteArray cache = FileAccess::readAll(cacheFile());
    EXPECT_FALSE(cache.contains('\n'));
    const QJsonObject member = JsonFormat::parseObject(cache).value(a).toObject();
    EXPECT_EQ(member.value(QStringLiteral("sourceURL")).toString(),
              QUrl::fromLocalFile(a).toString(QUrl::FullyEncoded));
    EXPECT_TRUE(member.value(QStringLiteral("sourceURL"))
                    .toString()
                    .endsWith(QStringLiteral("/a%20b.tallybrook.json")));
    EXPECT_EQ(member.value(QStringLiteral("sourceModifiedAt")).toString(),
              QStringLiteral("2025-03-14T10:00:00Z"));

    QFile::remove(a);
    EXPECT_EQ(list(index, {}).size(), 1u);
    EXPECT_EQ(m_listings, 1);
}

TEST_F(SearchIndexTest, RestartRereadsOnlyChangedFilesAndDropsUnlistedOnes) {
    const QString kept = transcriptFile("kept");
    const QString changed = transcriptFile("changed");
    const QString removed = transcriptFile("removed");
    writeTranscript(kept, document(QStringLiteral("/m/k"), QStringLiteral("kept v1")), at(10, 0));
    writeTranscript(changed, document(QStringLiteral("/m/c"), QStringLiteral("changed v1")), at(10, 0));
    writeTranscript(removed, document(QStringLiteral("/m/r"), QStringLiteral("removed v1")), at(10, 0));
    TranscriptSearchIndex first(m_root);
    list(first, {kept, changed, removed});

    // Same modification time: the cached entry is trusted, so the new content is not seen.
    writeTranscript(kept, document(QStringLiteral("/m/k"), QStringLiteral("kept v2")), at(10, 0));
    writeTranscript(changed, document(QStringLiteral("/m/c"), QStringLiteral("changed v2")), at(10, 1));
    EXPECT_EQ(bodies(list(first, {kept, changed})), (QStringList{"changed v1", "kept v1", "removed v1"}));

    TranscriptSearchIndex second(m_root);
    EXPECT_EQ(bodies(list(second, {kept, changed})), (QStringList{"changed v2", "kept v1"}));
    const QJsonObject cache = JsonFormat::parseObject(FileAccess::readAll(cacheFile()));
    EXPECT_EQ(cache.keys(), (QStringList{changed, kept}));
}

TEST_F(SearchIndexTest, RestartLeavesAnUnchangedCacheFileAsItIs) {
    const QString a = transcriptFile("a");
    const QString b = transcriptFile("b");
    writeTranscript(a, document(QStringLiteral("/m/a"), QStringLiteral("a v1")), at(10, 0));
    writeTranscript(b, document(QStringLiteral("/m/b"), QStringLiteral("b v1")), at(10, 0));
    TranscriptSearchIndex first(m_root);
    list(first, {a, b});
    const QDateTime marker = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    const auto markCache = [&] {
        QFile file(cacheFile());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(marker, QFileDevice::FileModificationTime));
    };
    markCache();

    TranscriptSearchIndex unchanged(m_root);
    EXPECT_EQ(bodies(list(unchanged, {a, b})), (QStringList{"a v1", "b v1"}));
    EXPECT_EQ(QFileInfo(cacheFile()).lastModified().toUTC(), marker);

    // A dropped file or a changed one makes the listing write the file anew.
    TranscriptSearchIndex dropped(m_root);
    EXPECT_EQ(bodies(list(dropped, {a})), QStringList{"a v1"});
    EXPECT_NE(QFileInfo(cacheFile()).lastModified().toUTC(), marker);
    markCache();
    writeTranscript(a, document(QStringLiteral("/m/a"), QStringLiteral("a v2")), at(10, 1));
    TranscriptSearchIndex changed(m_root);
    EXPECT_EQ(bodies(list(changed, {a})), QStringList{"a v2"});
    EXPECT_NE(QFileInfo(cacheFile()).lastModified().toUTC(), marker);
    EXPECT_EQ(JsonFormat::parseObject(FileAccess::readAll(cacheFile())).keys(), QStringList{a});
}

TEST_F(SearchIndexTest, UndecodableFileKeepsItsLastEntryOrStaysOut) {
    const QString good = transcriptFile("good");
    writeTranscript(good, document(QStringLiteral("/m/g"), QStringLiteral("good v1")), at(10, 0));
    TranscriptSearchIndex first(m_root);
    list(first, {good});

    FixtureFiles::write(good, "{\"body\": ");
    FixtureFiles::write(transcriptFile("broken"), "not json");
    TranscriptSearchIndex second(m_root);
    EXPECT_EQ(bodies(list(second, {good, transcriptFile("broken")})), QStringList{"good v1"});
    EXPECT_EQ(FileAccess::readAll(transcriptFile("broken")), "not json");
}

TEST_F(SearchIndexTest, InvalidCacheFileCountsAsEmptyAndIsReplaced) {
    for (const QByteArray& content :
         {QByteArray("{\"x\":"), QByteArray("[]"), QByteArray("{\"x\": {\"sourceURL\": 1}}")}) {
        FixtureFiles::write(cacheFile(), content);
        const QString a = transcriptFile("a");
        writeTranscript(a, document(QStringLiteral("/m/a"), QStringLiteral("body")), at(10, 0));
        TranscriptSearchIndex index(m_root);
        EXPECT_EQ(bodies(list(index, {a})), QStringList{"body"});
        EXPECT_EQ(JsonFormat::parseObject(FileAccess::readAll(cacheFile())).keys(), QStringList{a});
    }
}

TEST_F(SearchIndexTest, UpsertChangesMemoryButNotTheCacheFile) {
    const QString a = transcriptFile("a");
    writeTranscript(a, document(QStringLiteral("/m/a"), QStringLiteral("v1")), at(10, 0));
    TranscriptSearchIndex index(m_root);
    list(index, {a});
    const QByteArray before = FileAccess::readAll(cacheFile());

    const TranscriptDocument saved = document(QStringLiteral("/m/a"), QStringLiteral("v2"));
    writeTranscript(a, saved, at(11, 0));
    {
        const auto guard = index.lock();
        index.upsert(guard, saved, a);
    }
    EXPECT_EQ(bodies(list(index, {a})), QStringList{"v2"});
    EXPECT_EQ(FileAccess::readAll(cacheFile()), before);

    const auto guard = index.lock();
    EXPECT_THROW(index.upsert(guard, saved, transcriptFile("missing")), PlatformError);
}

TEST_F(SearchIndexTest, ListingFailuresPropagateAndLeaveTheCacheAbsent) {
    TranscriptSearchIndex index(m_root);
    EXPECT_THROW(list(index, {transcriptFile("missing")}), PlatformError);
    {
        const auto guard = index.lock();
        EXPECT_THROW(
            index.transcripts(guard, []() -> QStringList { throw PlatformError(QStringLiteral("no")); }),
            PlatformError);
    }
    const QString a = transcriptFile("a");
    writeTranscript(a, document(QStringLiteral("/m/a"), QStringLiteral("v1")), at(10, 0));
    EXPECT_EQ(list(index, {a}).size(), 1u);
    EXPECT_EQ(m_listings, 2);
}

TEST_F(SearchIndexTest, SavedTranscriptSurvivesARestartThroughTheCacheFile) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/Weekly"), QStringLiteral("Weekly"));
    m_store.indexedTranscripts();
    m_store.saveTranscript(document(meeting.folderPath, QStringLiteral("Quarterly numbers")), meeting);
    EXPECT_EQ(m_store.searchTranscripts(QStringLiteral("quarterly")).size(), 1u);

    const TranscriptStore afterRestart = restarted();
    EXPECT_EQ(afterRestart.searchTranscripts(QStringLiteral("quarterly")).size(), 1u);
    EXPECT_EQ(JsonFormat::parseObject(FileAccess::readAll(cacheFile())).keys(),
              QStringList{m_store.transcriptURL(meeting)});
}

// Enough files that they are read in runs side by side: every good file is listed once with
// its own entry, and the broken ones in every run stay out.
TEST_F(SearchIndexTest, ManyFilesAreReadSideBySideAsOneByOne) {
    QStringList files;
    QStringList expected;
    for (int i = 0; i < 300; ++i) {
        const QString file = rootFile(QStringLiteral("t%1.tallybrook.json").arg(i));
        files.append(file);
        if (i % 37 == 5) {
            FixtureFiles::write(file, "{\"body\": ");
            continue;
        }
        const QString body = QStringLiteral("Body %1").arg(i);
        writeTranscript(file, document(QStringLiteral("/m/%1").arg(i), body), at(10, i % 60));
        expected.append(body);
    }
    expected.sort();
    TranscriptSearchIndex index(m_root);
    const auto entries = list(index, files);
    EXPECT_EQ(bodies(entries), expected);
    for (const IndexedTranscript& entry : entries) {
        const int number = entry.transcript.recordingFolderPath.section(QLatin1Char('/'), -1).toInt();
        EXPECT_EQ(entry.sourceURL, files[number]);
        EXPECT_EQ(entry.sourceModifiedAt, at(10, number % 60));
    }
}
