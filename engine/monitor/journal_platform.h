#pragma once

#include <ctime>

// What the journal needs from the platform beside the file write itself.

namespace pellavane::journal_platform {

/** The local calendar time of t; false when the system cannot tell it. */
bool LocalCalendarTime(std::time_t t, std::tm& local);

/** True for a character that ends a folder name in a path on this platform. */
bool IsPathSeparator(char c);

} // namespace pellavane::journal_platform
