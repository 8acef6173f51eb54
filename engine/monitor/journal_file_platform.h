#pragma once

// What appending to the journal needs from the platform beside the append itself.

#include "core/line_append.h"

namespace pellavane::journal_platform {

/** True when the open file's first line is the journal's header. Never throws. */
bool StartsWithHeader(LineAppendFile::Native file) noexcept;

} // namespace pellavane::journal_platform
