#pragma once

// Start at log-on on freedesktop desktops: an autostart entry in the user's configuration folder.

#include "autostart/startup_entry.h"

#include <string>

namespace pellavane {

/** The running program's full path, from /proc/self/exe. Throws std::runtime_error when unknown. */
std::string RunningProgramPath();

/** path as one argument of a desktop entry's Exec key, escaped for the key's value: quoted when it
 *  holds a reserved character, with "%" doubled. */
std::string DesktopExecArgument(const std::string& path);

/** The folder autostart entries live in: $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when
 *  XDG_CONFIG_HOME is unset or not an absolute path. Throws std::runtime_error without a home. */
std::string AutostartFolder();

/** The entry $XDG_CONFIG_HOME/autostart/<program file name>.desktop that starts programPath. */
class XdgStartupEntry : public IStartupEntry
{
public:
    explicit XdgStartupEntry(std::string programPath);

    /** Writes the entry atomically: a reader sees the old entry or the whole new one. */
    void Add() override;
    void Remove() override;

    /** Where the entry is, under the folder the environment names now. */
    std::string EntryPath() const;
    /** The text of the entry. */
    std::string EntryText() const;

private:
    std::string m_programPath;
};

} // namespace pellavane
