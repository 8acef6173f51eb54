#pragma once

#include "engine/monitor/recorder.h"

#include <gtest/gtest.h>

#include <string>

namespace pellavane::testing {

/** Nothing but whole status lines, each ending in CR LF; a second line glued into the first (a torn
 *  or interleaved write) shows as a status text in the middle and fails too. */
inline ::testing::AssertionResult OnlyWholeStatusLines(const std::string& text)
{
    const auto endsWith = [](const std::string& line, const std::string& suffix) {
        return line.size() >= suffix.size() &&
               line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    std::size_t start = 0;
    int lineNumber = 1;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            return ::testing::AssertionFailure()
                   << "line " << lineNumber << " has no CR LF: '" << text.substr(start) << "'";
        }
        const std::string line = text.substr(start, end - start);
        const std::size_t firstStatus = line.find(" Internet Connection Status: ");
        if ((!endsWith(line, kStatusConnected) && !endsWith(line, kStatusDisconnected)) ||
            firstStatus != line.rfind(" Internet Connection Status: ")) {
            return ::testing::AssertionFailure()
                   << "line " << lineNumber << " is not one status line: '" << line << "'";
        }
        start = end + 2;
        ++lineNumber;
    }
    return ::testing::AssertionSuccess();
}

/** Number of CR LF ended lines. */
inline int LineCount(const std::string& text)
{
    int count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++count;
    }
    return count;
}

} // namespace pellavane::testing
