#include "ConsoleDialogs.h"

namespace tonvera::cli {

void ConsoleDialogs::messageBox(const std::string& text, const std::string& title)
{
    Messages.push_back(text);
    Err << (title.empty() ? std::string() : title + ": ") << text << std::endl;
}

std::string ConsoleDialogs::inputBox(const std::string& caption, const std::string& prompt,
                                     const std::string& defaultText)
{
    Err << caption << ": " << prompt << " -> " << defaultText << std::endl;
    return defaultText;
}

bool ConsoleDialogs::inputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    Err << caption << ": " << prompt << " -> " << value << std::endl;
    return true;
}

void ConsoleDialogs::errorBox(const std::string& text)
{
    ++Errors;
    LastError = text;
    Err << "Fehler: " << text << std::endl;
}

} // namespace tonvera::cli
