#include "services/PhraseMatcher.h"

#include <gtest/gtest.h>

TEST(PhraseMatcher, AgreesWithAPlainSearchOnWholeCharacters) {
    const QString texts[] = {QStringLiteral("the roadmap budget review"),
                             QStringLiteral("abcabcabd abcabd"),
                             QStringLiteral("grüße aus zürich"),
                             QStringLiteral("会议 预算"),
                             QStringLiteral("ab"),
                             QString()};
    // "ü" and "à" share their first UTF-8 byte, and so do "预" and "顾".
    const QString phrases[] = {QStringLiteral("roadmap b"), QStringLiteral("abcabd"),
                               QStringLiteral("zürich"),    QStringLiteral("zàrich"),
                               QStringLiteral("会议 预算"), QStringLiteral("会议 顾算"),
                               QStringLiteral("abcd"),      QStringLiteral("a"),
                               QStringLiteral("review!"),   QStringLiteral("ab")};
    for (const QString& phrase : phrases) {
        const PhraseMatcher matcher(phrase);
        for (const QString& text : texts)
            EXPECT_EQ(matcher.indexIn(text.toUtf8()) >= 0, text.contains(phrase))
                << qPrintable(phrase) << " in " << qPrintable(text);
    }
}

// Long texts, so that occurrences fall at every place in and across the blocks the matcher
// tests together, near the end of the text, and after a `from` offset.
TEST(PhraseMatcher, FindsTheFirstOccurrenceLikeAPlainSearch) {
    const QString words[] = {QStringLiteral("the"),  QStringLiteral("roadmap"), QStringLiteral("zürich"),
                             QStringLiteral("会议"), QStringLiteral("budget"),  QStringLiteral("thx"),
                             QStringLiteral("road"), QStringLiteral("q"),       QStringLiteral("zzz")};
    const QString phrases[] = {QStringLiteral("the roadmap"),   QStringLiteral("zzz"),
                               QStringLiteral("q t"),           QStringLiteral("会议 budget"),
                               QStringLiteral("road"),          QStringLiteral("x"),
                               QStringLiteral("zürich zürich"), QStringLiteral("roadmap roadmap roadmap")};
    unsigned state = 7;
    for (int length = 0; length < 80; ++length) {
        QString text;
        for (int i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            text += (i ? QStringLiteral(" ") : QString()) + words[(state >> 16) % std::size(words)];
        }
        const QByteArray utf8 = text.toUtf8();
        for (const QString& phrase : phrases) {
            const PhraseMatcher matcher(phrase);
            const QByteArray needle = phrase.toUtf8();
            for (qsizetype from :
                 {qsizetype(0), qsizetype(1), utf8.size() / 2, utf8.size() - 3, utf8.size()}) {
                if (from < 0)
                    continue;
                EXPECT_EQ(matcher.indexIn(utf8, from), utf8.indexOf(needle, from))
                    << qPrintable(phrase) << " from " << from << " in " << qPrintable(text);
            }
        }
    }
}
