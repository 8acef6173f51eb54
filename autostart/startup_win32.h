#pragma once

// Start at log-on on Windows: a value under the registry's Run key.

#include "autostart/regstuff_win32.h"
#include "autostart/startup_entry.h"

#include <string>
#include <utility>

namespace pellavane {

namespace mStartUp {

/** The full path of the running program, from the system. Throws std::runtime_error. */
std::string ProgramPath();

/** Writes the Run value for the running program. Throws std::runtime_error when it cannot. */
void AddToStartUp(const RunKeyLocation& where = {});
/** Deletes the Run value of the running program wherever it is. */
void RemoveFromStartUp(const RunKeyLocation& where = {});

} // namespace mStartUp

class WindowsStartupEntry : public IStartupEntry
{
public:
    explicit WindowsStartupEntry(RunKeyLocation where = {}) : m_where(std::move(where)) {}
    void Add() override { mStartUp::AddToStartUp(m_where); }
    void Remove() override { mStartUp::RemoveFromStartUp(m_where); }

private:
    RunKeyLocation m_where;
};

} // namespace pellavane
