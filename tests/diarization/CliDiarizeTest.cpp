#include "SyntheticConversation.h"
#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

namespace {

QString cli() {
    return TestData::binFolder() + QStringLiteral("/tallybrook-cli");
}

TEST(CliDiarize, PrintsSegmentsAndRttmLinesOfTheConversation) {
    const SyntheticConversation* conversation = SyntheticConversation::shared();
    if (!conversation)
        GTEST_SKIP() << "espeak-ng is not installed";
    QByteArray plain, rttm;
    ASSERT_EQ(FixtureFiles::run(cli(), {QStringLiteral("diarize"), conversation->path}, &plain), 0);
    ASSERT_EQ(FixtureFiles::run(cli(),
                                {QStringLiteral("diarize"), conversation->path, QStringLiteral("--rttm"),
                                 QStringLiteral("meeting")},
                                &rttm),
              0);
    const QStringList lines = QString::fromUtf8(plain).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList rttmLines = QString::fromUtf8(rttm).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    ASSERT_EQ(lines.size(), rttmLines.size());
    const QRegularExpression plainLine(
        QStringLiteral("^(\\d+\\.\\d\\d)\\t(\\d+\\.\\d\\d)\\tSpeaker (\\d+)$"));
    const QRegularExpression rttmLine(
        QStringLiteral("^SPEAKER meeting 1 (\\d+\\.\\d{3}) (\\d+\\.\\d{3}) <NA> <NA> (\\d+) <NA> <NA>$"));
    std::set<int> speakers;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto p = plainLine.match(lines[i]);
        const auto r = rttmLine.match(rttmLines[i]);
        ASSERT_TRUE(p.hasMatch()) << qPrintable(lines[i]);
        ASSERT_TRUE(r.hasMatch()) << qPrintable(rttmLines[i]);
        EXPECT_NEAR(p.captured(1).toDouble(), r.captured(1).toDouble(), 0.006);
        EXPECT_NEAR(p.captured(2).toDouble() - p.captured(1).toDouble(), r.captured(2).toDouble(), 0.011);
        EXPECT_EQ(p.captured(3), r.captured(3));
        speakers.insert(p.captured(3).toInt());
    }
    EXPECT_EQ(speakers, (std::set<int>{1, 2, 3}));
    // The first turn is the first voice's and starts after the one-second lead-in.
    EXPECT_NEAR(plainLine.match(lines.first()).captured(1).toDouble(),
                conversation->turns.front().startSeconds, 0.2);
}

TEST(CliDiarize, RejectsBadArgumentsAndUnreadableAudio) {
    QByteArray error;
    EXPECT_EQ(FixtureFiles::run(cli(), {QStringLiteral("diarize")}, nullptr, &error), 2);
    EXPECT_TRUE(error.contains("Usage: tallybrook-cli diarize AUDIO [--rttm NAME]"));
    EXPECT_EQ(FixtureFiles::run(
                  cli(), {QStringLiteral("diarize"), QStringLiteral("a.wav"), QStringLiteral("--rttm")},
                  nullptr, &error),
              2);
    EXPECT_NE(FixtureFiles::run(cli(), {QStringLiteral("diarize"), QStringLiteral("/nonexistent/a.wav")},
                                nullptr, &error),
              0);
    EXPECT_TRUE(error.contains("/nonexistent/a.wav")) << error.constData();
}

} // namespace
