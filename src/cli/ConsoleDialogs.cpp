// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleDialogs.h"

namespace tonvera::cli {

std::string ConsoleText(std::string_view text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    auto escape = [&](unsigned c) {
        out += "\\x";
        out += Hex[c >> 4];
        out += Hex[c & 15];
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            escape(c);
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080..U+009F, the C1 controls (CSI among them), in UTF-8.
            escape(static_cast<unsigned char>(text[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void ConsoleDialogs::messageBox(const std::string& text, const std::string& title)
{
    Messages.push_back(text);
    Err << (title.empty() ? std::string() : title + ": ") << ConsoleText(text) << std::endl;
}

std::string ConsoleDialogs::inputBox(const std::string& caption, const std::string& prompt,
                                     const std::string& defaultText)
{
    Err << caption << ": " << prompt << " -> " << ConsoleText(defaultText) << std::endl;
    return defaultText;
}

bool ConsoleDialogs::inputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    Err << caption << ": " << prompt << " -> " << ConsoleText(value) << std::endl;
    return true;
}

void ConsoleDialogs::errorBox(const std::string& text)
{
    ++Errors;
    LastError = text;
    Err << "Fehler: " << ConsoleText(text) << std::endl;
}

} // namespace tonvera::cli
