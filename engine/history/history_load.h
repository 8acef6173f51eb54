#pragma once

#include "engine/history/history.h"
#include "engine/history/outages.h"
#include "engine/quality/quality_report.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace pellavane {

/** The longest stretch the timeline shows; round trips older than this are not kept. */
inline constexpr std::int64_t kTimelineSpan = 31 * 86400;

/** One check's round trip as the timeline draws it. */
struct RttSample
{
    std::int64_t time = 0;
    float rttMs = 0;
    /** The line comes to this sample from the one before: both answered and no unknown time or
     *  failed check lies between them. */
    bool joined = false;
};

/** A connected check in which the first target lost echoes. */
struct EchoLoss
{
    std::int64_t time = 0;
    std::uint16_t sent = 0;
    std::uint16_t lost = 0;
};

/** The seconds each count of TimelineData::echoesSent covers. */
inline constexpr std::int64_t kEchoBucketSeconds = 60;

/** What the timeline shows: round trips oldest first, the known time (all else is unknown) and the
 *  outages, the echoes lost and the degraded time. */
struct TimelineData
{
    std::vector<RttSample> samples;
    std::vector<TimeSpan> known;
    std::vector<TimeSpan> outages;
    /** The checks with a lost echo, oldest first: few, so each is kept. */
    std::vector<EchoLoss> losses;
    /** The first target's echoes in connected checks, counted per kEchoBucketSeconds from
     *  echoesFrom: what the losses are a share of, without keeping every check. */
    std::int64_t echoesFrom = 0;
    std::vector<std::uint16_t> echoesSent;
    /** Degraded time from the quality rows, within the known time, oldest first. */
    std::vector<TimeSpan> degraded;
};

/** Everything the window shows of one reading of the history. */
struct HistoryView
{
    HistoryReport report;
    TimelineData timeline;
    /** The quality of the connection by day, from the same reading. */
    std::vector<PeriodQuality> quality;
    HistoryReadSummary summary;
    /** When the history was read. */
    std::int64_t now = 0;
    /** Why it could not be read; empty when it was. */
    std::string error;
};

/** Reads the history of the log at logPath as the reports do (the journal, and the text log before
 *  it), with uptime and quality by day and the round trips of the timeline's longest stretch before now.
 * Stops early, giving an empty view, once cancel is set. */
HistoryView ReadHistoryView(const std::string& logPath, std::int64_t now,
                            const std::atomic<bool>* cancel = nullptr);

} // namespace pellavane
