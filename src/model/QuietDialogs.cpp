// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QuietDialogs.h"

#include <algorithm>

namespace tonvera {

void QuietDialogs::add(std::vector<std::string>& list, const std::string& text) const
{
    if (Repeat == Repeats::Once && std::find(list.begin(), list.end(), text) != list.end())
        return;
    list.push_back(text);
}

void QuietDialogs::keep(const std::string& text) { add(Texts, text); }

void QuietDialogs::messageBox(const std::string& text, const std::string&)
{
    add(Messages, text);
    keep(text);
}

void QuietDialogs::errorBox(const std::string& text)
{
    add(Errors, text);
    keep(text);
}

std::string QuietDialogs::inputBox(const std::string&, const std::string&, const std::string& defaultText)
{
    return defaultText;
}

bool QuietDialogs::inputQuery(const std::string&, const std::string&, std::string&)
{
    return QueryAnswer == Queries::Accept;
}

std::optional<std::string> QuietDialogs::openFileName(const std::string&, const std::string&, const std::string&)
{
    return std::nullopt;
}

std::optional<std::string> QuietDialogs::saveFileName(const std::string&, const std::string&, const std::string&)
{
    return std::nullopt;
}

std::size_t QuietDialogs::question(const std::string& text, const std::vector<std::string>&, std::size_t escape)
{
    keep(text);
    return QueryAnswer == Queries::Accept ? 0 : escape;
}

} // namespace tonvera
