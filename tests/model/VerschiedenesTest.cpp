// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog and the version box.

#include <gtest/gtest.h>

#include "model/MainForm.h"
#include "model/Verschiedenes.h"
#include "support/FormFixture.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using test::FakeView;
using test::RecordingDialogs;

class Options : public test::FormFixture {
protected:
    Verschiedenes options{form.state()};
};

TEST_F(Options, ClosingWithoutChangesKeepsThePolarity)
{
    for (bool high : {false, true}) {
        form.state().TastHigh = high;
        bool shownHigh = !high;
        options.ShowModal = [&] { shownHigh = options.TasterHigh(); };
        options.Verschiedenes1Click();
        EXPECT_EQ(shownHigh, high);
        EXPECT_EQ(options.TasterLow(), !high);
        EXPECT_EQ(form.state().TastHigh, high);
    }
}

TEST_F(Options, ThePolarityChosenIsTakenBack)
{
    options.ShowModal = [&] { options.CheckTasterHigh(); };
    options.Verschiedenes1Click();
    EXPECT_TRUE(form.state().TastHigh);
    options.ShowModal = [&] { options.CheckTasterLow(); };
    options.Verschiedenes1Click();
    EXPECT_FALSE(form.state().TastHigh);
}

TEST_F(Options, ParameterCheckIsReadByTheRangeCheck)
{
    EXPECT_TRUE(options.CheckParam());
    EXPECT_EQ(form.RangeCheck("200000", 0), "100000");
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Parameter Frequenz ist außerhalb des zulässigen Bereichs!"});

    dialogs.clear();
    options.SetCheckParam(false);
    EXPECT_FALSE(form.state().CheckParam);
    EXPECT_EQ(form.RangeCheck("200000", 0), "200000");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(Version, MessageBox)
{
    RecordingDialogs dialogs;
    Version1Click(dialogs);
    EXPECT_EQ(dialogs.messages, (std::vector<RecordingDialogs::Message>{{"Softwareversion\r0.8 Alpha", "Tonvera"}}));
}

} // namespace
} // namespace tonvera
