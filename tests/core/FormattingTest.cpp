#include "models/Formatting.h"
#include "models/NaturalOrder.h"

#include <gtest/gtest.h>
#include <limits>

TEST(FormatDuration, RoundsAndPicksTheLargestUnit) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "0s"},         {42.4, "42s"},   {59.49, "59s"},
        {59.5, "1m 0s"},   {125, "2m 5s"},  {3599.4, "59m 59s"},
        {3599.5, "1h 0m"}, {3725, "1h 2m"}, {90061, "25h 1m"},
        {-3, "0s"},        {-0.6, "0s"},    {std::numeric_limits<double>::quiet_NaN(), "0s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Formatting::formatDuration(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

TEST(SanitizedFileName, ReplacesOnlySlashAndColon) {
    EXPECT_EQ(Formatting::sanitizedFileName(QStringLiteral("Team: 2024/05 <Ä>&\"x\"")),
              QStringLiteral("Team- 2024-05 <Ä>&\"x\""));
}

TEST(NaturalOrder, ComparesCaseInsensitivelyWithNumbersByValue) {
    EXPECT_LT(NaturalOrder::compare(QStringLiteral("track 9.m4a"), QStringLiteral("Track 10.m4a")), 0);
    EXPECT_LT(NaturalOrder::compare(QStringLiteral("track2"), QStringLiteral("track10")), 0);
    EXPECT_LT(NaturalOrder::compare(QStringLiteral("alpha"), QStringLiteral("Beta")), 0);
    EXPECT_EQ(NaturalOrder::compare(QStringLiteral("ABC"), QStringLiteral("abc")), 0);
}

TEST(NaturalOrder, StableSortKeepsEqualNamesInTheirOrder) {
    std::vector<std::pair<QString, int>> items = {{QStringLiteral("b"), 1},
                                                  {QStringLiteral("A"), 2},
                                                  {QStringLiteral("a"), 3},
                                                  {QStringLiteral("B"), 4}};
    NaturalOrder::stableSort(items, [](const auto& item) { return item.first; });
    std::vector<int> order;
    for (const auto& item : items)
        order.push_back(item.second);
    EXPECT_EQ(order, (std::vector<int>{2, 3, 1, 4}));
}
