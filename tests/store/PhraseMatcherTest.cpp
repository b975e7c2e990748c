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
            EXPECT_EQ(matcher.isContainedIn(text.toUtf8()), text.contains(phrase))
                << qPrintable(phrase) << " in " << qPrintable(text);
    }
}
