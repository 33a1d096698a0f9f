// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/OrderListFile.h"

#include "files/Cp1252.h"
#include "files/LineReader.h"

namespace tonvera {

std::string ReadOrderListFile(const std::string& fileName)
{
    std::string text = Cp1252ToUtf8(ReadFileBytes(fileName));
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const bool gap = c == '\r' || c == '\n' || c == '\t';
        if (gap && (out.empty() || out.back() == ' '))
            continue;
        out += gap ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace tonvera
