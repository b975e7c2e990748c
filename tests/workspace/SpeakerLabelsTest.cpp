#include "models/SpeakerLabels.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

// Labels are counted in user-perceived characters: sixty emoji (120 UTF-16 units) still fit,
// sixty-one letters do not. A heading line without a label takes the next line as its label.
TEST(SpeakerLabelsTest, HeadingLabelsComeInBodyOrderTimestampsFirst) {
    const QString emoji = QStringLiteral("😀").repeated(60);
    const QString body =
        QStringLiteral("## Agenda\n[00:01] Speaker 2\nHello\n\n[00:05]   Jane Doe  \ntext [00:07] "
                       "Not a heading\n[01:10]\nNext Line\n[75:03] ") +
        QString(61, QLatin1Char('x')) + QStringLiteral("\n[75:04] ") + emoji +
        QStringLiteral("\n##\nWrap-up\n[00:09] Speaker 2\n");
    const QStringList expected{
        QStringLiteral("Speaker 2"), QStringLiteral("Jane Doe"), QStringLiteral("Next Line"), emoji,
        QStringLiteral("Speaker 2"), QStringLiteral("Agenda"),   QStringLiteral("Wrap-up")};
    EXPECT_EQ(SpeakerLabels::detected(body), expected);
}

TEST(SpeakerLabelsTest, EntriesListCanonicalLabelsInNaturalOrderWithTheirNames) {
    TranscriptDocument document;
    document.body = QStringLiteral("[00:00] Speaker 10\na\n\n[00:01] Speaker 2\nb\n\n[00:02] Alice\nc\n\n"
                                   "[00:03] Speaker 2\nd");
    EXPECT_EQ(SpeakerLabels::entries(document),
              (std::vector<SpeakerNameEntry>{
                  {"Alice", "Alice"}, {"Speaker 2", "Speaker 2"}, {"Speaker 10", "Speaker 10"}}));

    // Speaker 1 was renamed to Alice, whose name the body now shows: one row, keyed by the
    // canonical label the body no longer holds.
    document.speakerNames = {{QStringLiteral("Speaker 1"), QStringLiteral("Alice")}};
    EXPECT_EQ(SpeakerLabels::entries(document),
              (std::vector<SpeakerNameEntry>{
                  {"Speaker 1", "Alice"}, {"Speaker 2", "Speaker 2"}, {"Speaker 10", "Speaker 10"}}));

    EXPECT_TRUE(SpeakerLabels::entries(TranscriptDocument{}).empty());
}
