// SPDX-License-Identifier: GPL-3.0-or-later
// The manual pages and bash completions are written by hand: every option
// the programs' --help names must be in both, or they have fallen behind.

#include <cstdio>
#include <regex>
#include <set>

#include "CliSupport.h"

namespace tonvera::test {
namespace {

std::string HelpOf(const std::string& program)
{
    const std::string command = std::string(TONVERA_BIN_DIR) + "/" + program + " --help";
    std::string text;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            text.append(buf, n);
        ::pclose(p);
    }
    return text;
}

std::set<std::string> OptionsIn(const std::string& text)
{
    static const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> out;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        out.insert(it->str());
    return out;
}

TEST(Packaging, ManualPagesAndCompletionsNameEveryOptionOfHelp)
{
    const std::string packaging = std::string(TONVERA_FIXTURES_DIR) + "/../../packaging/";
    for (const std::string program : {"tonvera-cli", "tonvera-emu"}) {
        const auto options = OptionsIn(HelpOf(program));
        ASSERT_GT(options.size(), 5u) << program;
        // roff writes a hyphen as \-.
        const std::string page =
            std::regex_replace(ReadAll(packaging + "man/" + program + ".1"), std::regex(R"(\\-)"), "-");
        const std::string completion = ReadAll(packaging + "bash-completion/" + program);
        for (const std::string& o : options) {
            EXPECT_TRUE(Contains(page, o)) << program << ".1 lacks " << o;
            EXPECT_TRUE(Contains(completion, o)) << "completion of " << program << " lacks " << o;
        }
    }
}

} // namespace
} // namespace tonvera::test
