#include "models/TranscriptDocument.h"
#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

TranscriptDocument decode(const char* json) {
    return TranscriptDocument::fromJson(JsonFormat::parseObject(QByteArray(json)));
}

const char* const minimalDocument = R"({"recordingFolderPath":"/r","title":"T",
    "createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":"b"})";

} // namespace

TEST(TranscriptDocument, MissingVersionAndNamesReadAsDefaultsAndAreWrittenBack) {
    const TranscriptDocument document = decode(minimalDocument);
    EXPECT_EQ(document.schemaVersion, 0);
    EXPECT_TRUE(document.speakerNames.empty());
    EXPECT_FALSE(document.audioDurationSeconds);
    EXPECT_FALSE(document.transcriptionMetadata);

    const QJsonObject written = document.toJson();
    EXPECT_EQ(written.value(QStringLiteral("schemaVersion")).toInt(-1), 0);
    EXPECT_TRUE(written.value(QStringLiteral("speakerNames")).isObject());
    EXPECT_FALSE(written.contains(QStringLiteral("audioDurationSeconds")));
    EXPECT_FALSE(written.contains(QStringLiteral("transcriptionMetadata")));
    EXPECT_FALSE(JsonFormat::compact(written).contains("null"));
}

TEST(TranscriptDocument, RoundTripsEveryFieldWithSortedKeysAndWholeSeconds) {
    TranscriptDocument document;
    document.recordingFolderPath = QStringLiteral("/Users/a/Zoom/Ünïcode: meeting");
    document.title = QStringLiteral("Ünïcode: meeting");
    document.createdAt = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53, 780), Qt::UTC);
    document.updatedAt = document.createdAt.addSecs(60);
    document.audioDurationSeconds = 120.5;
    document.speakerNames = {{QStringLiteral("Speaker 1"), QStringLiteral("Ana")}};
    document.transcriptionMetadata =
        TranscriptMetadata{TranscriptionLanguage::autoDetect, QStringLiteral("de"),
                           QStringLiteral("transcribe"), WhisperModel::multilingualQuality};
    document.body = QStringLiteral("[00:00] Speaker 1\nHallo.");

    const QByteArray json = JsonFormat::pretty(document.toJson());
    EXPECT_TRUE(json.contains("\"createdAt\": \"2025-03-14T09:26:53Z\""));
    EXPECT_LT(json.indexOf("\"audioDurationSeconds\""), json.indexOf("\"body\""));
    EXPECT_LT(json.indexOf("\"body\""), json.indexOf("\"createdAt\""));

    const TranscriptDocument back = TranscriptDocument::fromJson(JsonFormat::parseObject(json));
    TranscriptDocument expected = document;
    expected.createdAt = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    expected.updatedAt = expected.createdAt.addSecs(60);
    EXPECT_EQ(back, expected);
}

TEST(TranscriptDocument, IgnoresUnknownMembersAndNullDuration) {
    QJsonObject object = JsonFormat::parseObject(minimalDocument);
    object.insert(QStringLiteral("futureField"), 3);
    object.insert(QStringLiteral("audioDurationSeconds"), QJsonValue::Null);
    const TranscriptDocument document = TranscriptDocument::fromJson(object);
    EXPECT_FALSE(document.audioDurationSeconds);
    EXPECT_FALSE(document.toJson().contains(QStringLiteral("futureField")));
}

TEST(TranscriptDocument, RejectsMalformedDocuments) {
    const char* const cases[] = {
        R"({"title":"T","createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":""})",
        R"({"recordingFolderPath":"/r","title":3,"createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":""})",
        R"({"recordingFolderPath":"/r","title":"T","createdAt":"2025-03-14T09:26:53.780Z","updatedAt":"2025-03-14T09:26:53Z","body":""})",
        R"({"recordingFolderPath":"/r","title":"T","createdAt":"2025-02-30T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":""})",
        R"({"recordingFolderPath":"/r","title":"T","createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z"})",
        R"({"recordingFolderPath":"/r","title":"T","createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":"","schemaVersion":"2"})",
        R"({"recordingFolderPath":"/r","title":"T","createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":"","speakerNames":{"Speaker 1":4}})",
        R"({"recordingFolderPath":"/r","title":"T","createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":"","transcriptionMetadata":{"requestedLanguage":"english","transcriptionTask":"transcribe","model":"large"}})",
        R"({"recordingFolderPath":"/r","title":"T","createdAt":"2025-03-14T09:26:53Z","updatedAt":"2025-03-14T09:26:53Z","body":"","transcriptionMetadata":{"requestedLanguage":"auto","transcriptionTask":"transcribe","model":"fastEnglish"}})",
        R"([1,2])",
        R"({"recordingFolderPath":)",
    };
    for (const char* json : cases)
        EXPECT_THROW(decode(json), JsonDecodingError) << json;
}

TEST(TranscriptDocument, AcceptsADateWithAnOffset) {
    EXPECT_EQ(JsonFormat::parseDate(QStringLiteral("2025-03-14T10:26:53+01:00"), QStringLiteral("d")),
              QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC));
}

TEST(TranscriptMetadata, HtmlLanguagePrefersTheDetectedLanguage) {
    const struct {
        TranscriptionLanguage requested;
        const char* detected;
        const char* expected;
    } cases[] = {
        {TranscriptionLanguage::chinese, nullptr, "zh"}, {TranscriptionLanguage::autoDetect, nullptr, "en"},
        {TranscriptionLanguage::english, nullptr, "en"}, {TranscriptionLanguage::english, "de", "de"},
        {TranscriptionLanguage::chinese, "de", "de"},
    };
    for (const auto& c : cases) {
        TranscriptMetadata metadata;
        metadata.requestedLanguage = c.requested;
        if (c.detected)
            metadata.detectedLanguage = QString::fromUtf8(c.detected);
        EXPECT_EQ(metadata.htmlLanguage(), QString::fromUtf8(c.expected));
        EXPECT_EQ(metadata.toJson().contains(QStringLiteral("detectedLanguage")), c.detected != nullptr);
    }
}
