#pragma once

#include "engine/check/check_result.h"
#include "engine/history/status_line.h"
#include "engine/monitor/log_file.h"

#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>

namespace pellavane {

class IConnectivityVerdict;
class ICheckGate;

/** The wall clock, to the second. */
class IClock
{
public:
    virtual ~IClock() = default;
    virtual std::time_t Now() = 0;
};

class SystemClock : public IClock
{
public:
    std::time_t Now() override;
};

/** The status list ListView1 as the recorder and the log commands use it. */
class IStatusList
{
public:
    virtual ~IStatusList() = default;
    /** Appends one row at the end whose text is StatusLine(t, connected). */
    virtual void AppendStatusRow(std::time_t t, bool connected) = 0;
    /** Removes every row. */
    virtual void RemoveAllRows() = 0;
};

/** Gives the current log file path (the text of Text1), read afresh on every call. */
using LogPathSource = std::function<std::string()>;

/** A check that was deliberately kept out of the log: it would have run while the machine slept,
 *  it spanned a sleep, or it is tried again in the grace after a resume. No failure. */
class CheckNotRecorded : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** Records one status: probe, log line, list row. */
class IStatusRecorder
{
public:
    virtual ~IStatusRecorder() = default;
    /** The check as recorded. Throws LogWriteError when the line cannot be appended; then no row is
     *  added. */
    virtual CheckResult RecordStatus() = 0;
};

class StatusRecorder : public IStatusRecorder
{
public:
    StatusRecorder(IConnectivityVerdict& probe, IClock& clock, LogPathSource logPath, IStatusList& list);
    /** Throws CheckNotRecorded when the gate keeps the check out of the log. */
    CheckResult RecordStatus() override;
    /** From now on every check asks gate whether it runs and is recorded; nullptr for none. */
    void SetGate(ICheckGate* gate) noexcept { m_gate = gate; }

private:
    IConnectivityVerdict& m_probe;
    IClock& m_clock;
    LogPathSource m_logPath;
    IStatusList& m_list;
    ICheckGate* m_gate = nullptr;
};

} // namespace pellavane
