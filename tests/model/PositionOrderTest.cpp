// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "model/Errors.h"
#include "model/PositionOrder.h"

namespace tonvera {
namespace {

using Entries = std::vector<std::int32_t>;

std::string Refusal(std::string_view list, std::int32_t positions)
{
    try {
        (void)ParseOrderList(list, positions);
    } catch (const AbortError& e) {
        return e.text();
    }
    return "";
}

TEST(PositionOrder, GeneratorIsTheStandardSixtyFourBitTwister)
{
    // The value the C++ standard fixes for the 10000th draw from seed 5489.
    Mt64 gen(5489);
    for (int i = 0; i < 9999; ++i)
        (void)gen.next();
    EXPECT_EQ(gen.next(), 9981545732273789042ULL);
}

TEST(PositionOrder, SeedOneGivesTheSameOrdersForEver)
{
    // Stored projects replay these orders: a change here changes them.
    EXPECT_EQ(PositionSequence::Run(OrderKind::Random, 10, 1, {}, 2),
              (Entries{2, 8, 4, 10, 5, 1, 6, 3, 7, 9, 7, 10, 8, 2, 1, 6, 9, 4, 3, 5}));
}

TEST(PositionOrder, BoundedDrawIsEven)
{
    Mt64 gen(3);
    std::array<int, 3> counts{};
    for (int i = 0; i < 30000; ++i)
        ++counts[BoundedDraw(gen, 3)];
    for (int c : counts)
        EXPECT_NEAR(c, 10000, 400);
    // The largest bound rejects almost nothing and stays in range.
    EXPECT_LT(BoundedDraw(gen, ~0ULL), ~0ULL);
}

TEST(PositionOrder, EveryPassIsAPermutationOfItsOwn)
{
    PositionSequence seq(OrderKind::Random, 5, 7);
    std::vector<Entries> passes;
    for (int p = 0; p < 3; ++p) {
        Entries pass{p == 0 ? seq.first() : *seq.next()};
        while (const auto next = seq.next())
            pass.push_back(*next);
        EXPECT_EQ(seq.presentation(), 0);
        Entries sorted = pass;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (Entries{1, 2, 3, 4, 5}));
        passes.push_back(pass);
    }
    EXPECT_NE(passes[0], passes[1]);
    EXPECT_NE(passes[1], passes[2]);

    PositionSequence list(OrderKind::List, 4, 0, {3, 1, 3});
    EXPECT_EQ(list.first(), 3);
    EXPECT_EQ(list.next(), 1);
    EXPECT_EQ(list.presentation(), 2);
    EXPECT_EQ(list.next(), 3);
    EXPECT_EQ(list.next(), std::nullopt);
    EXPECT_EQ(list.next(), 3);
}

TEST(PositionOrder, ListTextAndItsRefusals)
{
    EXPECT_EQ(ParseOrderList(" 3 1,4;2\r\n2 ", 4), (Entries{3, 1, 4, 2, 2}));
    EXPECT_EQ(Refusal("3 1 7 2", 4), "Der 3. Eintrag der Liste, '7', liegt außerhalb der Positionen 1 bis 4");
    EXPECT_EQ(Refusal("0", 4), "Der 1. Eintrag der Liste, '0', liegt außerhalb der Positionen 1 bis 4");
    EXPECT_EQ(Refusal("1 2x", 4), "Der 2. Eintrag der Liste, '2x', ist keine Position");
    EXPECT_EQ(Refusal("99999999999", 4), "Der 1. Eintrag der Liste, '99999999999', ist keine Position");
    EXPECT_EQ(Refusal("1", 0), "Der 1. Eintrag der Liste, '1', ist keine Position: es gibt keine Variablenpositionen");
    EXPECT_EQ(Refusal(" , ", 4), "Die Liste der Reihenfolge ist leer");
}

TEST(PositionOrder, SeedsTypedOrDrawn)
{
    EXPECT_EQ(ParseSeed(" 18446744073709551615 "), 18446744073709551615ULL);
    for (const char* bad : {"", "-1", "7a", "18446744073709551616"})
        EXPECT_THROW((void)ParseSeed(bad), AbortError) << bad;

    const ResolvedOrder typed = ResolveOrder({OrderKind::Random, "7", "not looked at"}, 5);
    EXPECT_EQ(typed.Seed, 7u);
    EXPECT_FALSE(typed.SeedDrawn);
    EXPECT_EQ(OrderSummary(typed), "Reihenfolge zufällig, Startwert 7");
    EXPECT_TRUE(ResolveOrder({OrderKind::Random, " ", ""}, 5).SeedDrawn);
    EXPECT_EQ(ResolveOrder({OrderKind::Ascending, "x", "x"}, 5).Kind, OrderKind::Ascending);
    EXPECT_THROW((void)ResolveOrder({OrderKind::List, "", "6"}, 5), AbortError);
}

} // namespace
} // namespace tonvera
