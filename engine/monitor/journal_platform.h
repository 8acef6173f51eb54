#pragma once

// What the journal needs from the platform beside the file write itself.

namespace pellavane::journal_platform {

/** True for a character that ends a folder name in a path on this platform. */
bool IsPathSeparator(char c);

} // namespace pellavane::journal_platform
