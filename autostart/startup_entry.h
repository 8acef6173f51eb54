#pragma once

#include <memory>
#include <string>

namespace pellavane {

/** The system's entry that starts the program when the user logs on. */
class IStartupEntry
{
public:
    virtual ~IStartupEntry() = default;
    /** Creates or rewrites the entry for the running program. Throws std::runtime_error, saying what
     *  could not be written and why, when no entry could be written. */
    virtual void Add() = 0;
    /** Removes the entry; an absent entry is no error. */
    virtual void Remove() = 0;
};

/** This system's entry for the program at programPath: the freedesktop autostart entry, or on Windows
 *  the Run value, which asks the system for the running program itself. */
std::unique_ptr<IStartupEntry> MakeStartupEntry(const std::string& programPath);

} // namespace pellavane
