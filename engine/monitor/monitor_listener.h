#pragma once

#include "engine/check/check_result.h"

#include <ctime>
#include <optional>
#include <string>

namespace pellavane {

/** What the logging schedule knows of itself and of the connection, for whatever reads it between
 *  checks (notifications, tray colours, metrics). */
struct MonitorState
{
    /** Whether automatic logging is on. */
    bool logging = false;
    /** Seconds between scheduled records; 0 while no interval is chosen. */
    int intervalSeconds = 0;
    /** Seconds counted towards the next scheduled record. */
    int elapsedSeconds = 0;
    /** The last check recorded; nullopt before the first. */
    std::optional<CheckResult> lastCheck;
    /** Time of the check that first found the current status (connected or not); 0 before any. */
    std::time_t statusSince = 0;
    /** Time of the last check that found the status changed from the check before; 0 while it has not
     *  changed since the first check. */
    std::time_t lastChange = 0;
    /** Whether scheduled records are failing now. */
    bool recordsFailing = false;
};

/** One of those that follow the monitor: each overrides what it needs. Called on the schedule's
 *  thread, after the state they report has been updated. */
class IMonitorListener
{
public:
    virtual ~IMonitorListener() = default;
    virtual void LoggingStarted(int /*intervalSeconds*/) {}
    virtual void LoggingStopped() {}
    virtual void CheckRecorded(const CheckResult& /*check*/) {}
    virtual void RecordsFailing(const std::string& /*reason*/) {}
    virtual void RecordsWorkingAgain() {}
};

} // namespace pellavane
