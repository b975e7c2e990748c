#include "StoreFixtures.h"

#include "platform/FileAccess.h"
#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString cli() {
    return TestData::binFolder() + QStringLiteral("/tallybrook-cli");
}

class CliStoreTest : public StoreTest {
protected:
    int run(const QStringList& arguments, QByteArray* output, QByteArray* error = nullptr) const {
        return FixtureFiles::run(cli(), QStringList{QStringLiteral("--storage"), m_root} + arguments, output,
                                 error);
    }
};

} // namespace

TEST_F(CliStoreTest, SearchFindsASavedTranscriptAtOnceNewestFirst) {
    const MeetingRecording meeting =
        recording(QStringLiteral("/m/Weekly: sync"), QStringLiteral("Weekly: sync"));
    TranscriptDocument saved =
        document(meeting.folderPath, QStringLiteral("[00:05] Speaker 1\n  Budget für Q3  "));
    saved.title = meeting.folderName;
    m_store.saveTranscript(saved, meeting);
    TranscriptDocument older = document(QStringLiteral("/m/older"), QStringLiteral("budget"), at(8, 0));
    older.title = QStringLiteral("older");
    m_store.save(older);

    QByteArray output;
    ASSERT_EQ(run({QStringLiteral("search"), QStringLiteral("BUDGET")}, &output), 0);
    EXPECT_EQ(QString::fromUtf8(output),
              QStringLiteral("Weekly: sync\n/m/Weekly: sync\nBudget für Q3\n\nolder\n/m/older\nbudget\n"));

    ASSERT_EQ(run({QStringLiteral("search"), QStringLiteral("für"), QStringLiteral("--json")}, &output), 0);
    const QJsonArray results = QJsonDocument::fromJson(output).array();
    ASSERT_EQ(results.size(), 1);
    const QJsonObject result = results.at(0).toObject();
    EXPECT_EQ(result.value(QStringLiteral("id")).toString(), QStringLiteral("/m/Weekly: sync-1741942800.0"));
    EXPECT_EQ(result.value(QStringLiteral("title")).toString(), QStringLiteral("Weekly: sync"));
    EXPECT_EQ(result.value(QStringLiteral("recordingFolderPath")).toString(),
              QStringLiteral("/m/Weekly: sync"));
    EXPECT_EQ(result.value(QStringLiteral("snippet")).toString(), QStringLiteral("Budget für Q3"));
    EXPECT_EQ(result.value(QStringLiteral("updatedAt")).toString(), QStringLiteral("2025-03-14T09:00:00Z"));

    ASSERT_EQ(run({QStringLiteral("search"), QStringLiteral("nowhere")}, &output), 0);
    EXPECT_TRUE(output.isEmpty());
}

TEST_F(CliStoreTest, ExportWritesEachFormatToStandardOutputOrAFile) {
    TranscriptDocument saved =
        document(QStringLiteral("/m/a"), QStringLiteral("## Agenda\n[00:05] Speaker 1 & 2\nHi"));
    saved.title = QStringLiteral("A <b>");
    const QString file = m_store.save(saved);
    const struct {
        const char* format;
        QString expected;
    } cases[] = {
        {"html", TranscriptStore::html(saved)},
        {"markdown", saved.body},
        {"text", QStringLiteral("Agenda\n[00:05] Speaker 1 & 2\nHi")},
    };
    for (const auto& c : cases) {
        QByteArray output;
        ASSERT_EQ(
            run({QStringLiteral("export"), file, QStringLiteral("--format"), QString::fromUtf8(c.format)},
                &output),
            0);
        EXPECT_EQ(output, c.expected.toUtf8()) << c.format;
        const QString target = m_folder.filePath(QStringLiteral("out.") + QString::fromUtf8(c.format));
        ASSERT_EQ(run({QStringLiteral("export"), file, QStringLiteral("--format"),
                       QString::fromUtf8(c.format), QStringLiteral("-o"), target},
                      &output),
                  0);
        EXPECT_EQ(FileAccess::readAll(target), c.expected.toUtf8()) << c.format;
    }
}

TEST_F(CliStoreTest, ExportFailuresExitNonZeroWithAMessage) {
    QByteArray output;
    QByteArray error;
    EXPECT_EQ(run({QStringLiteral("export"), m_folder.filePath(QStringLiteral("x.json")),
                   QStringLiteral("--format"), QStringLiteral("pdf")},
                  &output, &error),
              2);
    EXPECT_TRUE(error.startsWith("Usage:"));
    FixtureFiles::write(m_folder.filePath(QStringLiteral("broken.json")), "{");
    EXPECT_EQ(run({QStringLiteral("export"), m_folder.filePath(QStringLiteral("broken.json")),
                   QStringLiteral("--format"), QStringLiteral("html")},
                  &output, &error),
              1);
    EXPECT_TRUE(error.contains("couldn’t be read"));
}
