#include "StoreFixtures.h"

#include "models/JsonFormat.h"
#include "platform/FileAccess.h"
#include "services/TranscriptIndexFileReader.h"
#include "services/TranscriptIndexFileWriter.h"

#include <QBuffer>
#include <QJsonDocument>
#include <cmath>
#include <optional>
#include <random>

namespace {

using Entries = std::map<QString, IndexedTranscript>;

// The decoding the fast reader must agree with: QJsonDocument and the members' fromJson.
std::optional<Entries> exactlyDecoded(const QByteArray& json) {
    try {
        const QJsonObject object = JsonFormat::parseObject(json);
        Entries entries;
        for (auto it = object.begin(); it != object.end(); ++it)
            entries.emplace(it.key(),
                            IndexedTranscript::fromJson(JsonFormat::requiredObject(object, it.key())));
        return entries;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Where two texts first differ, with some context, for failure messages.
std::string firstDifference(const QByteArray& a, const QByteArray& b) {
    qsizetype at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return "at " + std::to_string(at) + ": " +
           a.mid(std::max<qsizetype>(0, at - 20), 40).toHex(' ').toStdString() + " vs " +
           b.mid(std::max<qsizetype>(0, at - 20), 40).toHex(' ').toStdString();
}

QByteArray qtCompact(const Entries& entries) {
    QJsonObject object;
    for (const auto& [path, entry] : entries)
        object.insert(path, entry.toJson());
    return JsonFormat::compact(object);
}

IndexedTranscript entry(const QString& path, const QString& body) {
    TranscriptDocument transcript = document(QStringLiteral("/m/") + path, body);
    return IndexedTranscript::make(path, at(10, 0), transcript);
}

// One valid entry written with a given member value spliced in, for the malformed-input table.
QByteArray withTranscriptMember(const char* member) {
    return QByteArray(R"({"/t/a.json":{"normalizedSearchText":"a","sourceModifiedAt":"2025-03-14T10:00:00Z",)"
                      R"("sourceURL":"file:///t/a.json","transcript":{)") +
           member +
           R"("body":"b","createdAt":"2025-03-14T08:30:00Z","recordingFolderPath":"/m/a","title":"a",)"
           R"("updatedAt":"2025-03-14T09:00:00Z"}}})";
}

// QJsonDocument drops some byte order marks (U+FEFF) on reading; the reader leaves those to it.
QString randomText(std::mt19937& random, int length, bool byteOrderMarks) {
    static const QString pieces[] = {
        QStringLiteral("a"),           QStringLiteral("Z"),    QStringLiteral(" "),
        QStringLiteral("\n"),          QStringLiteral("\r"),   QStringLiteral("\t"),
        QStringLiteral("\""),          QStringLiteral("\\"),   QStringLiteral("/"),
        QStringLiteral("é"),           QStringLiteral("会"),   QStringLiteral("😀"),
        QStringLiteral("\x7f"),        QString(QChar(0x01)),   QString(QChar(0x1f)),
        QString(QChar(0xFEFF)),        QString(QChar(0xD800)), QString(QChar(0xDC00)),
        QString(QChar(0xFFFE)),        QString(QChar(0x00)),   QStringLiteral("\u0301"),
        QStringLiteral("the roadmap"), QString(QChar(0x2028)), QString(QChar(0x0800))};
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    QString text;
    while (text.size() < length) {
        const QString& piece = pieces[pick(random)];
        if (byteOrderMarks || piece != QChar(0xFEFF))
            text += piece;
    }
    return text;
}

Entries randomEntries(std::mt19937& random, int count, bool byteOrderMarks = false) {
    static const double durations[] = {0.0,
                                       -0.0,
                                       1.5,
                                       3600.0,
                                       1e15,
                                       1e21,
                                       0.1 + 0.2,
                                       1e-7,
                                       5e-324,
                                       -2.25,
                                       9.2233720368547748e18,
                                       9223372036854775808.0};
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> coin(0, 1);
    std::uniform_int_distribution<size_t> duration(0, std::size(durations) - 1);
    Entries entries;
    for (int i = 0; i < count; ++i) {
        TranscriptDocument transcript;
        transcript.schemaVersion = coin(random) ? 2 : 9007199254740992;
        transcript.recordingFolderPath = randomText(random, length(random), byteOrderMarks);
        transcript.title = randomText(random, length(random) / 4, byteOrderMarks);
        transcript.createdAt = at(8, i % 60, i % 60);
        transcript.updatedAt =
            QDateTime(QDate(1 + i * 331 % 9999, 1 + i % 12, 1 + i % 28), QTime(23, 59, 59), Qt::UTC);
        if (coin(random))
            transcript.audioDurationSeconds = durations[duration(random)];
        if (coin(random))
            transcript.speakerNames = {
                {randomText(random, 3, byteOrderMarks), randomText(random, 3, byteOrderMarks)},
                {QStringLiteral("Speaker 1"), randomText(random, 5, byteOrderMarks)}};
        if (coin(random)) {
            TranscriptMetadata metadata;
            metadata.requestedLanguage = TranscriptionLanguage::chinese;
            metadata.model = WhisperModel::multilingualQuality;
            metadata.transcriptionTask = randomText(random, 2, byteOrderMarks);
            if (coin(random))
                metadata.detectedLanguage = randomText(random, 2, byteOrderMarks);
            transcript.transcriptionMetadata = metadata;
        }
        transcript.body = randomText(random, length(random) * 20, byteOrderMarks);
        const QString path = QStringLiteral("/t/é ") + QString::number(i) + ".json";
        entries.insert_or_assign(path, IndexedTranscript::make(path, at(10, i % 60), transcript));
    }
    return entries;
}

} // namespace

TEST(TranscriptIndexFileTest, WritesExactlyWhatQJsonDocumentWrites) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const Entries entries = randomEntries(random, round % 5, true);
        const QByteArray written = TranscriptIndexFileWriter::write(entries);
        const QByteArray expected = qtCompact(entries);
        ASSERT_TRUE(written == expected) << "round " << round << " " << firstDifference(written, expected);
    }
}

TEST(TranscriptIndexFileTest, ReadsWhatItWritesLikeQJsonDocument) {
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        const QByteArray json = TranscriptIndexFileWriter::write(randomEntries(random, round % 5));
        const auto expected = exactlyDecoded(json);
        ASSERT_TRUE(expected);
        const auto read = TranscriptIndexFileReader::read(json);
        ASSERT_TRUE(read) << "round " << round;
        EXPECT_TRUE(*read == *expected)
            << "round " << round << " " << firstDifference(TranscriptIndexFileWriter::write(*read), json);
    }
}

TEST(TranscriptIndexFileTest, ReadsAnyStandardLayoutAndEscape) {
    Entries entries;
    entries.emplace(QStringLiteral("/t/a.json"),
                    entry(QStringLiteral("/t/a.json"), QStringLiteral("x/y 😀 é\n")));
    QJsonObject object;
    for (const auto& [path, value] : entries)
        object.insert(path, value.toJson());
    const QByteArray indented = JsonFormat::pretty(object);
    const QByteArray escaped = QByteArray(TranscriptIndexFileWriter::write(entries))
                                   .replace("x/y", "x\\/y")
                                   .replace("😀", "\\uD83D\\ude00")
                                   .replace("é", "\\u00E9")
                                   .replace("\"/t/a.json\":", "\"\\/t\\/a.json\":");
    ASSERT_NE(escaped, TranscriptIndexFileWriter::write(entries));
    for (const QByteArray& json : {indented, escaped}) {
        const auto read = TranscriptIndexFileReader::read(json);
        ASSERT_TRUE(read) << json.constData();
        EXPECT_TRUE(*read == entries) << json.constData();
        EXPECT_EQ(read->begin()->second.transcript.body, QStringLiteral("x/y 😀 é\n"));
    }
}

TEST(TranscriptIndexFileTest, NeverAcceptsMalformedOrMistypedInput) {
    const QByteArray valid = withTranscriptMember("");
    ASSERT_TRUE(TranscriptIndexFileReader::read(valid));
    ASSERT_TRUE(exactlyDecoded(valid));
    const QByteArray cases[] = {
        "",
        "[]",
        "{",
        "{} x",
        "{}\v",
        QByteArray("{}\0", 3),
        valid.left(valid.size() - 1),
        valid + ",",
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"\xC0\xAF\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"\xED\xA0\x80\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"\xF4\x90\x80\x80\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"\\u12\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":null"),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":1"),
        QByteArray(valid).replace("\"title\":\"a\",", ""),
        QByteArray(valid).replace("2025-03-14T08:30:00Z", "2025-03-14T08:30:00.5Z"),
        QByteArray(valid).replace("2025-03-14T08:30:00Z", "2025-02-30T08:30:00Z"),
        QByteArray(valid).replace("2025-03-14T08:30:00Z", "2025-03-14T24:30:00Z"),
        QByteArray(valid).replace("2025-03-14T08:30:00Z", "0000-03-14T08:30:00Z"),
        QByteArray(valid).replace("2025-03-14T08:30:00Z", "2025-03-14 08:30:00Z"),
        QByteArray(valid).replace("file:///t/a.json", "https://x/a.json"),
        QByteArray(valid).replace("file:///t/a.json", "file:///t/a b.json"),
        QByteArray(valid).replace("\"normalizedSearchText\":\"a\",", ""),
        QByteArray(valid)
            .replace(":{\"normalizedSearchText", ":[{\"normalizedSearchText")
            .replace("}}}", "}}]}"),
        withTranscriptMember(R"("schemaVersion":1.5,)"),
        withTranscriptMember(R"("schemaVersion":"2",)"),
        withTranscriptMember(R"("schemaVersion":1e16,)"),
        withTranscriptMember(R"("schemaVersion":null,)"),
        withTranscriptMember(R"("audioDurationSeconds":"1",)"),
        withTranscriptMember(R"("audioDurationSeconds":1e400,)"),
        withTranscriptMember(R"("audioDurationSeconds":-,)"),
        withTranscriptMember(R"("audioDurationSeconds":01,)"),
        withTranscriptMember(R"("speakerNames":{"a":1},)"),
        withTranscriptMember(R"("speakerNames":[],)"),
        withTranscriptMember(R"("transcriptionMetadata":{"model":"fastEnglish","transcriptionTask":"t"},)"),
        withTranscriptMember(
            R"("transcriptionMetadata":{"model":"big","requestedLanguage":"english","transcriptionTask":"t"},)"),
        withTranscriptMember(
            R"("transcriptionMetadata":{"model":"fastEnglish","requestedLanguage":"klingon","transcriptionTask":"t"},)"),
        withTranscriptMember(
            R"("transcriptionMetadata":{"detectedLanguage":5,"model":"fastEnglish","requestedLanguage":"english","transcriptionTask":"t"},)"),
        withTranscriptMember(R"("transcriptionMetadata":true,)"),
        withTranscriptMember(R"("future":[1,{"a":tru}],)"),
        withTranscriptMember(R"("future":[1,],)"),
        valid.left(valid.size() - 1) + ",\"/t/a.json\":5}",
    };
    for (const QByteArray& json : cases) {
        EXPECT_FALSE(exactlyDecoded(json)) << "the table's case decodes: " << json.constData();
        EXPECT_FALSE(TranscriptIndexFileReader::read(json)) << json.constData();
    }
}

// Where QJsonDocument is lenient or keeps the last of repeated keys, the fast reader steps aside.
TEST(TranscriptIndexFileTest, LeavesNonStandardButReadableInputToQJsonDocument) {
    const QByteArray valid = withTranscriptMember("");
    const QByteArray cases[] = {
        "\xEF\xBB\xBF" + valid,
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"\xEF\xBB\xBF\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"a\\n\xEF\xBB\xBF"
                                                     "b\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"a\tb\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"a\\qb\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":1,\"title\":\"b\""),
        QByteArray(valid).replace("\"title\":\"a\"", "\"ti\\u0074le\":\"b\",\"title\":\"a\""),
        withTranscriptMember(R"("audioDurationSeconds":.5,)"),
        withTranscriptMember(R"("audioDurationSeconds":1.,)"),
        withTranscriptMember(R"("audioDurationSeconds":1.e2,)"),
        QByteArray(valid).replace("\"title\":\"a\"", "\"title\":\"a\\x\""),
    };
    for (const QByteArray& json : cases) {
        EXPECT_TRUE(exactlyDecoded(json)) << json.constData();
        EXPECT_FALSE(TranscriptIndexFileReader::read(json)) << json.constData();
    }
}

TEST(TranscriptIndexFileTest, AgreesWithQJsonDocumentOnDamagedFiles) {
    std::mt19937 random(3);
    const QByteArray original = TranscriptIndexFileWriter::write(randomEntries(random, 2));
    const char insertions[] = {'"', '\\', '{', '}', '[', ']', ',',    ':',
                               '0', '-',  'e', '.', ' ', 'n', '\x80', '\x01'};
    std::uniform_int_distribution<qsizetype> position(0, original.size() - 1);
    std::uniform_int_distribution<size_t> insertion(0, std::size(insertions) - 1);
    std::uniform_int_distribution<int> kind(0, 2);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray json = original;
        const qsizetype at = position(random);
        switch (kind(random)) {
        case 0:
            json.remove(at, 1);
            break;
        case 1:
            json.insert(at, insertions[insertion(random)]);
            break;
        default:
            json[at] = insertions[insertion(random)];
            break;
        }
        const auto read = TranscriptIndexFileReader::read(json);
        if (!read)
            continue;
        ++accepted;
        const auto expected = exactlyDecoded(json);
        ASSERT_TRUE(expected) << json.constData();
        ASSERT_TRUE(*read == *expected) << json.constData();
    }
    EXPECT_GT(accepted, 100);
}

TEST_F(StoreTest, CacheFileTheFastReaderLeavesOpenIsStillRead) {
    // The rewritten file is undecodable, so only the cache file can still hold its entry.
    const QString file = m_store.save(document(QStringLiteral("/m/a"), QStringLiteral("Bonjour")));
    restarted().indexedTranscripts();
    const QString cache = rootFile(TranscriptSearchIndex::cacheFileName());
    FileAccess::writeAtomically(cache, "\xEF\xBB\xBF" + FileAccess::readAll(cache));
    FileAccess::writeAtomically(file, "not JSON");
    const auto entries = restarted().indexedTranscripts();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].transcript.body, QStringLiteral("Bonjour"));
}

TEST(TranscriptIndexFileTest, ReadsTranscriptFilesLikeTheStoresDecoder) {
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        for (const auto& [path, value] : randomEntries(random, 2)) {
            const QByteArray json = TranscriptStore::encode(value.transcript);
            const auto read = TranscriptIndexFileReader::readTranscript(json);
            ASSERT_TRUE(read) << json.constData();
            EXPECT_TRUE(*read == TranscriptDocument::fromJson(JsonFormat::parseObject(json)));
        }
    }
    const QByteArray valid = TranscriptStore::encode(document(QStringLiteral("/m/a"), QStringLiteral("b")));
    for (const QByteArray& json : {QByteArray("{}"), valid + "{}", valid.left(valid.size() - 3),
                                   QByteArray(valid).replace("\"title\"", "\"titel\"")})
        EXPECT_FALSE(TranscriptIndexFileReader::readTranscript(json)) << json.constData();
}

TEST(TranscriptIndexFileTest, WritesTheSameTextToADeviceInPieces) {
    Entries entries;
    for (int i = 0; i < 6; ++i) {
        const QString path = QStringLiteral("/t/%1.json").arg(i);
        entries.emplace(path, entry(path, QStringLiteral("line é\n").repeated(60'000)));
    }
    QBuffer device;
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    ASSERT_TRUE(TranscriptIndexFileWriter::write(entries, device));
    EXPECT_GT(device.data().size(), 2'000'000);
    EXPECT_TRUE(device.data() == qtCompact(entries));

    QBuffer full;
    EXPECT_FALSE(TranscriptIndexFileWriter::write(entries, full)) << "a device that is not open fails";
}

// Large files are read in stretches side by side, starting at guessed member boundaries. Wrong
// guesses (an unknown member that closes two objects, a layout with none to find) and
// duplicates or damage across stretches must come out as a single reading would.
TEST(TranscriptIndexFileTest, ReadsInStretchesExactlyAsInOne) {
    std::mt19937 random(5);
    const QByteArray compact = TranscriptIndexFileWriter::write(randomEntries(random, 14));
    const qsizetype firstMemberEnd = compact.indexOf("}},") + 2;
    const QByteArray duplicated = compact.chopped(1) + "," + compact.mid(1, firstMemberEnd - 1) + "}";
    const QByteArray misleading =
        QByteArray(compact).replace("\"sourceModifiedAt\"", "\"future\":{\"a\":{}},\"sourceModifiedAt\"");
    const QByteArray pretty = QJsonDocument::fromJson(compact).toJson(QJsonDocument::Indented);
    struct Case {
        const char* name;
        QByteArray json;
        bool fastReaderAccepts;
    };
    const Case cases[] = {{"compact", compact, true},
                          {"misleading unknown member", misleading, true},
                          {"indented", pretty, true},
                          {"duplicate key", duplicated, false},
                          {"cut short", compact.chopped(40), false}};
    for (const Case& test : cases) {
        const auto whole = TranscriptIndexFileReader::read(test.json, 1);
        ASSERT_EQ(whole.has_value(), test.fastReaderAccepts) << test.name;
        if (whole) {
            EXPECT_TRUE(*whole == *exactlyDecoded(test.json)) << test.name;
        }
        for (int stretches : {2, 3, 7, 40}) {
            const auto read = TranscriptIndexFileReader::read(test.json, stretches);
            EXPECT_EQ(read.has_value(), test.fastReaderAccepts) << test.name << ", " << stretches;
            if (read && whole) {
                EXPECT_TRUE(*read == *whole) << test.name << ", " << stretches;
            }
        }
    }
}
