#include "models/TranscriptText.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

bool isNewline(char16_t u) {
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// Texts whose newlines of every kind fall before, inside and across blocks of 8 and 16 units,
// between ASCII and characters whose encodings share bytes with the newlines (Å is C3 85, … is
// E2 80 A6, U+20A8 is E2 82 A8).
std::vector<QString> texts() {
    const QString pieces[] = {QStringLiteral("a"),    QStringLiteral("\n"),
                              QStringLiteral("\r"),   QStringLiteral("\v"),
                              QStringLiteral("\f"),   QString(QChar(0x85)),
                              QString(QChar(0x2028)), QString(QChar(0x2029)),
                              QStringLiteral("Å"),    QStringLiteral("…"),
                              QString(QChar(0x20A8)), QStringLiteral("😀"),
                              QStringLiteral("\t"),   QStringLiteral("long words here ")};
    std::vector<QString> result{QString(), QStringLiteral("\n"),
                                QStringLiteral("no break at all, just text!")};
    unsigned state = 1;
    for (int length = 1; length < 60; ++length) {
        QString text;
        for (int i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            text += pieces[(state >> 16) % std::size(pieces)];
        }
        result.push_back(text);
    }
    return result;
}

} // namespace

TEST(TranscriptTextTest, CountsAndFindsLinesLikeALineByLineScan) {
    for (const QString& text : texts()) {
        std::vector<QString> expectedLines{QString()};
        for (const QChar c : text) {
            if (isNewline(c.unicode()))
                expectedLines.emplace_back();
            else
                expectedLines.back() += c;
        }
        const auto newlines = static_cast<qsizetype>(expectedLines.size() - 1);
        EXPECT_EQ(TranscriptText::newlineCount(text), newlines) << qPrintable(text);
        EXPECT_EQ(TranscriptText::newlineCountUtf8(text.toUtf8()), newlines) << qPrintable(text);
        for (size_t number = 0; number < expectedLines.size(); ++number)
            EXPECT_EQ(TranscriptText::lineAt(text, static_cast<qsizetype>(number)), expectedLines[number]);
        EXPECT_TRUE(TranscriptText::lineAt(text, newlines + 1).isEmpty());
        const auto lines = TranscriptText::lines(text);
        ASSERT_EQ(lines.size(), expectedLines.size());
    }
}
