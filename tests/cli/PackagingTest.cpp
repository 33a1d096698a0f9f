// SPDX-License-Identifier: GPL-3.0-or-later
// The manual pages and bash completions are written by hand: every option
// the programs' --help names must be in both, or they have fallen behind.

#include <cstdio>
#include <set>

#include "CliProcess.h"

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

// Every --word in the text.
std::set<std::string> OptionsIn(const std::string& text)
{
    std::set<std::string> out;
    std::size_t end = 0;
    for (std::size_t at; (at = text.find("--", end)) != std::string::npos;) {
        end = at + 2;
        while (end < text.size() && ((text[end] >= 'a' && text[end] <= 'z') || text[end] == '-'))
            ++end;
        if (end > at + 2 && text[at + 2] != '-')
            out.insert(text.substr(at, end - at));
    }
    return out;
}

// roff writes a hyphen as \-.
std::string Unescaped(std::string page)
{
    for (std::size_t at; (at = page.find("\\-")) != std::string::npos;)
        page.erase(at, 1);
    return page;
}

TEST(Packaging, ManualPagesAndCompletionsNameEveryOptionOfHelp)
{
    const std::string packaging = std::string(TONVERA_FIXTURES_DIR) + "/../../packaging/";
    for (const std::string program : {"tonvera-cli", "tonvera-emu"}) {
        const auto options = OptionsIn(HelpOf(program));
        ASSERT_GT(options.size(), 5u) << program;
        const std::string page = Unescaped(ReadAll(packaging + "man/" + program + ".1"));
        const std::string completion = ReadAll(packaging + "bash-completion/" + program);
        for (const std::string& o : options) {
            EXPECT_TRUE(Contains(page, o)) << program << ".1 lacks " << o;
            EXPECT_TRUE(Contains(completion, o)) << "completion of " << program << " lacks " << o;
        }
    }
}

} // namespace
} // namespace tonvera::test
