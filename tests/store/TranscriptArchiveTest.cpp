#include "StoreFixtures.h"

#include "services/TranscriptArchive.h"
#include "support/FixtureFiles.h"

namespace {

class ArchiveTest : public StoreTest {
protected:
    // Saves a document without a recording under a unique title.
    void saveAs(const QString& title, TranscriptDocument saved) {
        saved.title = title;
        m_store.save(saved);
    }

    QStringList titlesFound(const QString& query) const {
        QStringList titles;
        for (const TranscriptSearchResult& result : m_store.searchTranscripts(query))
            titles.append(result.title);
        return titles;
    }
};

} // namespace

TEST_F(ArchiveTest, QueryIsTrimmedLowerCasedPhraseWithCanonicalEquivalence) {
    saveAs(QStringLiteral("cv"), document(QStringLiteral("/m/cv"), QStringLiteral("Mein RÉSUMÉ ist fertig")));
    saveAs(QStringLiteral("plain"), document(QStringLiteral("/m/plain"), QStringLiteral("resume the call")));
    const QString decomposed = QStringLiteral("re\u0301sume\u0301");
    const struct {
        QString query;
        QStringList titles;
    } cases[] = {
        {QStringLiteral("  RÉSUMÉ ist \n"), {"cv"}},
        {QStringLiteral("résumé"), {"cv"}},
        {decomposed, {"cv"}},
        {QStringLiteral("resume"), {"plain"}},
        {QStringLiteral("resume call"), {}},
        {QStringLiteral("re*"), {}},
        {QStringLiteral(" \t\n"), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(titlesFound(c.query), c.titles) << qPrintable(c.query);
}

TEST_F(ArchiveTest, BlankQueryReadsNothing) {
    FixtureFiles::write(rootFile(QStringLiteral("x.tallybrook.json")), "{}");
    EXPECT_TRUE(m_store.searchTranscripts(QStringLiteral("   ")).empty());
    EXPECT_FALSE(QFileInfo::exists(rootFile(TranscriptSearchIndex::cacheFileName())));
}

TEST_F(ArchiveTest, SnippetIsTheFirstMatchingLineTrimmedTo180CharactersOrTheFolderPath) {
    const QString longLine = QStringLiteral("needle ") + QString(493, QLatin1Char('x'));
    const QString flags = QStringLiteral("🇩🇪").repeated(200);
    const TranscriptDocument withBody =
        document(QStringLiteral("/m/Folder Path"),
                 QStringLiteral("[00:05] Speaker 1\n   Say HELLO there  \nhello again\n") + longLine +
                     QLatin1Char('\n') + flags);
    const struct {
        QString query;
        QString snippet;
    } cases[] = {
        {QStringLiteral("hello"), QStringLiteral("Say HELLO there")},
        {QStringLiteral("needle"), longLine.left(180)},
        {QStringLiteral("🇩🇪"), QStringLiteral("🇩🇪").repeated(180)},
        {QStringLiteral("folder path"), QStringLiteral("/m/Folder Path")},
        {QStringLiteral("there\nhello"), QStringLiteral("/m/Folder Path")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranscriptStore::snippet(withBody, c.query), c.snippet) << qPrintable(c.query);
}

TEST_F(ArchiveTest, ResultsCarryTheDocumentNewestFirstWithStableTies) {
    saveAs(QStringLiteral("old"), document(QStringLiteral("/m/old"), QStringLiteral("topic"), at(9, 0)));
    saveAs(QStringLiteral("new"), document(QStringLiteral("/m/new"), QStringLiteral("topic"), at(11, 0)));
    saveAs(QStringLiteral("tie 1"), document(QStringLiteral("/m/t1"), QStringLiteral("topic"), at(10, 0)));
    saveAs(QStringLiteral("tie 2"), document(QStringLiteral("/m/t2"), QStringLiteral("topic"), at(10, 0)));
    const auto results = m_store.searchTranscripts(QStringLiteral("Topic"));
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].title, QStringLiteral("new"));
    EXPECT_EQ(results[3].title, QStringLiteral("old"));
    EXPECT_EQ(QSet<QString>({results[1].title, results[2].title}), QSet<QString>({"tie 1", "tie 2"}));
    EXPECT_EQ(results[0].id, QStringLiteral("/m/new-1741950000.0"));
    EXPECT_EQ(results[0].snippet, QStringLiteral("topic"));
    EXPECT_EQ(results[0].recordingFolderPath, QStringLiteral("/m/new"));
    EXPECT_EQ(results[0].updatedAt, at(11, 0));
    EXPECT_EQ(results[0].transcript.title, QStringLiteral("new"));
}

TEST_F(ArchiveTest, ResultIDUsesTheShortestRoundTripSeconds) {
    TranscriptDocument edited = document(QStringLiteral("/m/x"), {});
    const struct {
        QDateTime updatedAt;
        QString id;
    } cases[] = {
        {at(11, 0), QStringLiteral("/m/x-1741950000.0")},
        {at(11, 0).addMSecs(250), QStringLiteral("/m/x-1741950000.25")},
        {QDateTime::fromSecsSinceEpoch(0, Qt::UTC), QStringLiteral("/m/x-0.0")},
        {QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC), QStringLiteral("/m/x-1700000000.0")},
    };
    for (const auto& c : cases) {
        edited.updatedAt = c.updatedAt;
        EXPECT_EQ(TranscriptArchive::resultID(edited), c.id);
    }
}

TEST_F(ArchiveTest, OneEntryPerRecordingFolderTheLatestWins) {
    const MeetingRecording meeting = recording(QStringLiteral("/m/Sync"), QStringLiteral("Sync"));
    FixtureFiles::write(
        rootFile(QStringLiteral("Sync.tallybrook.json")),
        TranscriptStore::encode(document(meeting.folderPath, QStringLiteral("older phrase"), at(9, 0))));
    m_store.saveTranscript(document(meeting.folderPath, QStringLiteral("newer phrase"), at(10, 0)), meeting);
    saveAs(QStringLiteral("other"), document(QStringLiteral("/m/other"), QStringLiteral("phrase")));

    EXPECT_EQ(m_store.indexedTranscripts().size(), 2u);
    EXPECT_EQ(restarted().indexedTranscripts().size(), 2u);
    const auto results = restarted().searchTranscripts(QStringLiteral("phrase"));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].snippet, QStringLiteral("newer phrase"));
}

TEST(TranscriptArchive, EqualUpdatedAtPrefersTheLaterFileThenTheFirstMet) {
    const TranscriptDocument same = document(QStringLiteral("/m/x"), QStringLiteral("b"));
    const std::vector<IndexedTranscript> entries{
        IndexedTranscript::make(QStringLiteral("1"), at(9, 0), same),
        IndexedTranscript::make(QStringLiteral("2"), at(9, 5), same),
        IndexedTranscript::make(QStringLiteral("3"), at(9, 5), same)};
    const auto kept = TranscriptArchive::latestPerRecording(entries);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].sourceURL, QStringLiteral("2"));
}

TEST_F(ArchiveTest, AFreshSaveIsFoundBeforeTheCacheFileIsRewritten) {
    m_store.indexedTranscripts();
    const MeetingRecording meeting = recording(QStringLiteral("/m/New"), QStringLiteral("New"));
    m_store.saveTranscript(document(meeting.folderPath, QStringLiteral("fresh words")), meeting);
    EXPECT_EQ(titlesFound(QStringLiteral("fresh")), QStringList{"New"});
    EXPECT_EQ(TranscriptStore(m_store).indexedTranscripts().size(), 1u);
}

// The hit may lie in the title or folder path first; body lines end in every kind of line break
// and hold characters that take more than one byte or unit before the hit.
TEST_F(ArchiveTest, SearchSnippetsAreTheFirstBodyLineWithTheHitAfterAnyLineBreak) {
    const QString breaks[] = {QStringLiteral("\n"),  QStringLiteral("\r\n"), QStringLiteral("\v"),
                              QStringLiteral("\f"),  QString(QChar(0x85)),   QString(QChar(0x2028)),
                              QString(QChar(0x2029))};
    int number = 0;
    for (const QString& lineBreak : breaks) {
        const QString title = QStringLiteral("Needle title %1").arg(number++);
        const QString body =
            QStringLiteral("Ünïcödé 会议 😀 Å…") + lineBreak + QStringLiteral("no match here") + lineBreak +
            QStringLiteral("  The NEEDLE is here  ") + lineBreak + QStringLiteral("needle again");
        saveAs(title, document(QStringLiteral("/m/needle ") + title, body));
    }
    const auto results = m_store.searchTranscripts(QStringLiteral("needle"));
    ASSERT_EQ(results.size(), std::size(breaks));
    for (const TranscriptSearchResult& result : results)
        EXPECT_EQ(result.snippet, QStringLiteral("The NEEDLE is here")) << qPrintable(result.title);
    for (const TranscriptSearchResult& result : m_store.searchTranscripts(QStringLiteral("title")))
        EXPECT_EQ(result.snippet, result.recordingFolderPath);
}

// An archive large enough to be searched in several runs side by side gives what a plain
// entry-by-entry search gives: the same hits, snippets and newest-first order with ties kept in
// entry order.
TEST(TranscriptArchive, ALargeArchiveIsSearchedAsOneList) {
    std::vector<IndexedTranscript> entries;
    const QString filler =
        QStringLiteral("we should look at the numbers, café ").repeated(700) + QLatin1Char('\n');
    for (int i = 0; i < 96; ++i) {
        QString body = filler.repeated(10);
        if (i % 4 != 0)
            body.insert(body.size() * (i % 7) / 7,
                        QStringLiteral("\n[00:%1] Speaker 1\nThe ROADMAP %1\n").arg(i));
        const QString folder = QStringLiteral("/m/meeting %1").arg(i);
        entries.push_back(IndexedTranscript::make(folder + QStringLiteral(".json"), at(10, 0),
                                                  document(folder, body, at(9, i % 5))));
    }
    const QString query = TranscriptArchive::searchQuery(QStringLiteral("the roadmap"));
    std::vector<const IndexedTranscript*> expected;
    for (const IndexedTranscript& entry : entries) {
        if (entry.normalizedSearchText().contains(query))
            expected.push_back(&entry);
    }
    std::stable_sort(expected.begin(), expected.end(), [](const auto* a, const auto* b) {
        return a->transcript.updatedAt > b->transcript.updatedAt;
    });

    const auto results = TranscriptArchive::search(entries, query);
    ASSERT_EQ(results.size(), expected.size());
    ASSERT_EQ(results.size(), 72u);
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].recordingFolderPath, expected[i]->transcript.recordingFolderPath) << i;
        EXPECT_EQ(results[i].snippet, TranscriptArchive::snippet(expected[i]->transcript, query)) << i;
        EXPECT_TRUE(results[i].snippet.startsWith(QStringLiteral("The ROADMAP"))) << i;
    }
}
