#pragma once

#include "engine/check/check_result.h"
#include "engine/quality/degraded_reason.h"

#include <ctime>
#include <optional>
#include <string>

namespace pellavane {

/** What ended a degraded period. */
enum class QualityEnd
{
    /** The connection is not over: it turned degraded. */
    None,
    /** The echoes came back within the thresholds. */
    Recovered,
    /** A disconnected check: an outage ends a degraded period. */
    Outage,
    /** Sleep or the grace after a resume: the evidence was dropped. */
    Sleep,
    /** Automatic logging was switched off. */
    LoggingOff,
};

/** The connection turned degraded, or a degraded period ended. */
struct QualityChange
{
    /** Wall-clock time of the check that turned it, or of the sleep or the switch that ended it. */
    std::time_t at = 0;
    bool degraded = false;
    /** Why it is degraded; empty when it is not. */
    DegradedReason reason;
    /** QualityEnd::None when it turned degraded. */
    QualityEnd end = QualityEnd::None;
};

/** The words a journal row and a reader give what ended a degraded period: empty when the echoes
 *  recovered, "outage", "sleep" or "logging off" when its evidence was dropped. */
const char* QualityEndWords(QualityEnd end);

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
    /** Whether the connection is degraded now (connected, but its echoes lost or slow). */
    bool degraded = false;
    /** Why it is degraded; empty when it is not. */
    DegradedReason degradedReason;
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
    /** The connection turned degraded or a degraded period ended; told after the CheckRecorded of
     *  the check that turned it. */
    virtual void QualityChanged(const QualityChange& /*change*/) {}
};

} // namespace pellavane
