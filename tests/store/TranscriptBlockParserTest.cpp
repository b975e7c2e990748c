#include "models/TranscriptBlockParser.h"

#include <gtest/gtest.h>

namespace {

using Style = TranscriptBlock::HeadingStyle;

TranscriptBlock block(qsizetype id, Style style, std::optional<QString> speaker, const QString& text) {
    return {id, std::move(style), std::move(speaker), text};
}

} // namespace

TEST(TranscriptBlockParser, ParsesBodiesIntoBlocks) {
    const Style none = Style::none();
    const Style at05 = Style::timestampHeading(QStringLiteral("00:05"));
    const struct {
        const char* body;
        std::vector<TranscriptBlock> blocks;
    } cases[] = {
        {"", {block(0, none, std::nullopt, {})}},
        {"  \n\n \t ", {block(0, none, std::nullopt, {})}},
        {"First para.\n\nSecond para.",
         {block(0, none, std::nullopt, QStringLiteral("First para.\n\nSecond para."))}},
        {"[00:05] Speaker 1\nHello there.",
         {block(0, at05, QStringLiteral("Speaker 1"), QStringLiteral("Hello there."))}},
        {"Intro\n[00:05] Alice\nHi",
         {block(0, none, std::nullopt, QStringLiteral("Intro")),
          block(1, at05, QStringLiteral("Alice"), QStringLiteral("Hi"))}},
        {"[00:05] Alice\n[75:03] Bob  \nYes",
         {block(0, at05, QStringLiteral("Alice"), {}),
          block(1, Style::timestampHeading(QStringLiteral("75:03")), QStringLiteral("Bob  "),
                QStringLiteral("Yes"))}},
        {"[00:05]\n[00:05]Alice\n[00:05.2] Alice",
         {block(0, none, std::nullopt, QStringLiteral("[00:05]\n[00:05]Alice\n[00:05.2] Alice"))}},
        {"[5] Alice\nx",
         {block(0, Style::timestampHeading(QStringLiteral("5")), QStringLiteral("Alice"),
                QStringLiteral("x"))}},
        {"##Title\n### Title", {block(0, none, std::nullopt, QStringLiteral("##Title\n### Title"))}},
        {"##    Agenda \t\nitem",
         {block(0, Style::section(), QStringLiteral("Agenda"), QStringLiteral("item"))}},
        {"a\n## \nb",
         {block(0, none, std::nullopt, QStringLiteral("a")),
          block(1, Style::section(), QString(), QStringLiteral("b"))}},
        {"a\n## ", {block(0, none, std::nullopt, QStringLiteral("a\n##"))}},
        {"[00:05] A\r\nx\r\ny", {block(0, at05, QStringLiteral("A"), QStringLiteral("x\n\ny"))}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranscriptBlockParser::parse(QString::fromUtf8(c.body)), c.blocks) << c.body;
}

TEST(TranscriptBlockParser, SerializesBlocks) {
    const struct {
        std::vector<TranscriptBlock> blocks;
        const char* body;
    } cases[] = {
        {{}, ""},
        {{block(0, Style::timestampHeading(QStringLiteral("00:05")), QStringLiteral("Speaker 1"),
                QStringLiteral(" Hi \n"))},
         "[00:05] Speaker 1\nHi"},
        {{block(0, Style::timestampHeading(QStringLiteral("00:05")), std::nullopt, QStringLiteral("Hi"))},
         "[00:05] Speaker\nHi"},
        {{block(0, Style::timestampHeading(QStringLiteral("00:05")), QStringLiteral("A"), {}),
          block(1, Style::none(), std::nullopt, QStringLiteral("x"))},
         "[00:05] A\n\n\nx"},
        {{block(0, Style::section(), QStringLiteral("Agenda"), {})}, "## Agenda\n\n"},
        {{block(0, Style::none(), std::nullopt, QStringLiteral("a")),
          block(1, Style::section(), QStringLiteral("S"), QStringLiteral("b"))},
         "a\n\n## S\n\nb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranscriptBlockParser::serialize(c.blocks), QString::fromUtf8(c.body)) << c.body;
}

TEST(TranscriptBlockParser, ParsingASerializedListGivesTheSameBlocks) {
    const QString body =
        QStringLiteral("Intro text\n\n[00:05] Speaker 1\nHello.\n\nStill me.\n\n## Agenda\n\n"
                       "[01:10] Jörg\n\n[02:00] 张伟\n你好");
    const auto blocks = TranscriptBlockParser::parse(body);
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(TranscriptBlockParser::parse(TranscriptBlockParser::serialize(blocks)), blocks);
    const std::vector<TranscriptBlock> emptySection{block(0, Style::section(), QStringLiteral("S"), {})};
    EXPECT_EQ(TranscriptBlockParser::parse(TranscriptBlockParser::serialize(emptySection)), emptySection);
}
