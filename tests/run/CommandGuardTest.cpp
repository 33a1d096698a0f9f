// SPDX-License-Identifier: GPL-3.0-or-later
// The one guard every command of the window and the tool runs through.

#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "model/Errors.h"
#include "run/CommandGuard.h"

using namespace tonvera;

TEST(CommandGuard, AbortIsReportedAndLaterCommandsRun)
{
    std::vector<std::string> shown;
    CommandGuard g([&](const std::string& t) { shown.push_back(t); });
    int state = 0;
    EXPECT_FALSE(g.run([&] {
        state = 1; // the state reached so far stays
        throw ConvertError("1.5");
    }));
    EXPECT_EQ(state, 1);
    EXPECT_TRUE(g.run([&] {
        EXPECT_TRUE(g.busy());
        state = 2;
    }));
    EXPECT_FALSE(g.busy());
    EXPECT_EQ(shown, std::vector<std::string>{"'1.5' ist kein gültiger Gleitkommawert"});
    // A foreign exception does not get past the guard either.
    EXPECT_FALSE(g.run([] { throw std::out_of_range("vector"); }));
    EXPECT_EQ(shown.size(), 2u);
}
