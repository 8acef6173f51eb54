#pragma once

#include <stdexcept>
#include <string>

namespace pellavane {

/** A log line that could not be appended; the message names the path and the system's reason. */
class LogWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** Appends line and CR LF to the file at path in one write, creating the file; the file is closed
 *  again before it returns. A failed or short write leaves the file as it was and throws
 *  LogWriteError. */
void AppendLogLine(const std::string& path, const std::string& line);

} // namespace pellavane
