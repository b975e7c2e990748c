#include "StandInPrograms.h"

#include "models/JsonDecodingError.h"
#include "services/TranscriptionError.h"
#include "services/WhisperJSONTranscriptParser.h"

#include <gtest/gtest.h>

TEST(WhisperJSONTranscriptParser, ReadsSegmentsInMillisecondsAndTrimsText) {
    const WhisperParsedTranscript parsed = WhisperJSONTranscriptParser::parse(whisperJson(
        {{1500, 2750, QStringLiteral("  Hello there.\\n")}, {1234, 1300, QString()}},
        QStringLiteral(
            R"("result":{"language":"en"},"params":{"translate":false,"model":"x"},"systeminfo":"")")));
    const std::vector<TimedTranscriptSegment> expected = {{1.5, 2.75, QStringLiteral("Hello there.")},
                                                          {1.234, 1.3, QString()}};
    EXPECT_EQ(parsed.segments, expected);
    EXPECT_EQ(parsed.detectedLanguage, QStringLiteral("en"));
    EXPECT_EQ(parsed.transcriptionTask, QStringLiteral("transcribe"));
}

TEST(WhisperJSONTranscriptParser, TaskAndLanguageFollowTheOptionalMembers) {
    const WhisperParsedTranscript bare = WhisperJSONTranscriptParser::parse(whisperJson({}));
    EXPECT_TRUE(bare.segments.empty());
    EXPECT_EQ(bare.detectedLanguage, std::nullopt);
    EXPECT_EQ(bare.transcriptionTask, QStringLiteral("transcribe"));
    EXPECT_EQ(
        WhisperJSONTranscriptParser::parse(whisperJson({}, QStringLiteral(R"("params":{"translate":true})")))
            .transcriptionTask,
        QStringLiteral("translate"));
}

TEST(WhisperJSONTranscriptParser, RejectsWhatIsNotAWhisperResult) {
    const std::vector<QByteArray> cases = {
        "",
        R"({"transcription":[{"offsets":{"from":0,"to":10},"text":"cut)",
        "[]",
        R"({"result":{"language":"en"}})",
        R"({"transcription":{}})",
        R"({"transcription":[{"text":"no offsets"}]})",
        R"({"transcription":[{"offsets":{"from":0},"text":"no end"}]})",
        R"({"transcription":[{"offsets":{"from":0.5,"to":1},"text":"fraction"}]})",
        R"({"transcription":[{"offsets":{"from":0,"to":1}}]})",
        R"({"transcription":[7]})",
        R"({"transcription":[],"result":"en"})",
    };
    for (const QByteArray& data : cases)
        EXPECT_THROW(WhisperJSONTranscriptParser::parse(data), JsonDecodingError) << data.constData();
}

TEST(TranscriptionError, DescribesEachCaseWithItsFixedText) {
    const std::vector<std::pair<TranscriptionError, QString>> cases = {
        {TranscriptionError::audioConversionFailed(-2),
         QStringLiteral("Audio conversion failed with exit code -2.")},
        {TranscriptionError::commandFailed(1),
         QStringLiteral("Local Whisper command failed with exit code 1.")},
        {TranscriptionError::noAudioSource(),
         QStringLiteral("No usable audio file found in this recording folder.")},
        {TranscriptionError::whisperNotConfigured(),
         QStringLiteral("Tallybrook could not prepare its local transcription engine.")},
        {TranscriptionError::incompatibleModel(),
         QStringLiteral("Auto-detect and Chinese require the Multilingual Quality model.")},
    };
    for (const auto& [error, text] : cases)
        EXPECT_EQ(error.description(), text);
    EXPECT_EQ(TranscriptionError::commandFailed(1), TranscriptionError::commandFailed(1));
    EXPECT_FALSE(TranscriptionError::commandFailed(1) == TranscriptionError::commandFailed(2));
    EXPECT_FALSE(TranscriptionError::commandFailed(1) == TranscriptionError::audioConversionFailed(1));
}
