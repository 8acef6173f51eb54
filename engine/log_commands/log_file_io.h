#pragma once

#include "core/event_pump.h"

#include <string>

// Paths are UTF-8 on every platform, as the settings and the window hold them.

namespace pellavane {

/** True when the last-change time of path can be read; false for a missing file, an empty path or an
 *  invalid name. Never throws. */
bool FileExists(const std::string& path);

/** Deletes the file at path with the ordinary delete, and when that fails with ForceDeleteFile.
 *  Lets queued events run first. Never reports; a folder is never removed. */
void RemoveFile(const std::string& path, const EventPump& pump);

/** Deletes a file the ordinary delete could not remove, such as a read-only one. Never throws. */
void ForceDeleteFile(const std::string& path);

/** The whole content of the file at path; throws std::runtime_error naming the path and the reason. */
std::string ReadWholeFile(const std::string& path);

} // namespace pellavane
