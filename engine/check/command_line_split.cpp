#include "engine/check/command_line_split.h"

#include <utility>

namespace pellavane {

// The rules of the Microsoft C runtime, so that a command line means the same on every platform:
// blanks and tabs separate arguments outside quotes; a double quote toggles quoting; 2n backslashes
// before a quote give n backslashes and the quote toggles, 2n+1 give n backslashes and a literal
// quote; backslashes anywhere else are literal; "" inside quotes gives one literal quote and quoting
// goes on.
std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool inQuotes = false;
    const std::size_t size = commandLine.size();
    std::size_t i = 0;
    while (i < size) {
        const char c = commandLine[i];
        if (!inQuotes && (c == ' ' || c == '\t')) {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            std::size_t backslashes = 0;
            while (i < size && commandLine[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < size && commandLine[i] == '"') {
                current.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    current.push_back('"');
                    ++i;
                }
                // With an even count the quote is handled as a quote on the next turn.
            } else {
                current.append(backslashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (inQuotes && i + 1 < size && commandLine[i + 1] == '"') {
                current.push_back('"');
                i += 2;
            } else {
                inQuotes = !inQuotes;
                ++i;
            }
            continue;
        }
        current.push_back(c);
        ++i;
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

} // namespace pellavane
