#include "services/PhraseMatcher.h"

#include <gtest/gtest.h>

TEST(PhraseMatcher, FindsTheFirstOccurrenceLikeAPlainSearch) {
    // Ā (U+0100) shares its low byte with NUL and "Ā"/"ā" with "\0"/"\1": collisions must not skip hits.
    const QString texts[] = {QStringLiteral("the roadmap budget review"),
                             QStringLiteral("abcabcabd abcabd"),
                             QStringLiteral("xx\u0101bcd\u0100bcd"),
                             QStringLiteral("grüße aus zürich"),
                             QStringLiteral("ab"),
                             QString()};
    const QString phrases[] = {QStringLiteral("roadmap b"), QStringLiteral("abcabd"),
                               QStringLiteral("\u0100bcd"), QStringLiteral("zürich"),
                               QStringLiteral("abcd"),      QStringLiteral("a"),
                               QStringLiteral("review!"),   QStringLiteral("ab")};
    for (const QString& phrase : phrases) {
        const PhraseMatcher matcher(phrase);
        for (const QString& text : texts) {
            EXPECT_EQ(matcher.indexIn(text), text.indexOf(phrase))
                << qPrintable(phrase) << " in " << qPrintable(text);
            EXPECT_EQ(matcher.indexIn(text, 3), text.indexOf(phrase, 3)) << qPrintable(phrase);
        }
    }
}
