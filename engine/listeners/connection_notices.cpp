#include "engine/listeners/connection_notices.h"

#include "engine/check/local_network.h"
#include "engine/listeners/connection_summary.h"
#include "engine/listeners/family_rows.h"
#include "engine/monitor/recorder.h"

#include "core/local_time.h"

#include <cstdio>
#include <utility>

namespace pellavane {

std::string ClockTimeText(std::time_t t, std::time_t now)
{
    std::tm at{};
    std::tm today{};
    if (!ToLocalTm(t, at) || !ToLocalTm(now, today)) {
        return "?";
    }
    char text[64];
    if (at.tm_year == today.tm_year && at.tm_yday == today.tm_yday) {
        std::snprintf(text, sizeof text, "%02d:%02d", at.tm_hour, at.tm_min);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", at.tm_year + 1900, at.tm_mon + 1,
                      at.tm_mday, at.tm_hour, at.tm_min);
    }
    return text;
}

std::string CauseClause(const std::string& cause)
{
    // "No target answers" would only repeat what a loss says; a resume's grace names no fault.
    if (cause.empty() || cause == "targets silent" || cause == kCauseAfterResume) {
        return "";
    }
    return ": " + CauseSentence(cause) + ".";
}

std::string LossBody(const CheckResult& firstFailed, std::time_t now)
{
    return "No answer since " + ClockTimeText(firstFailed.time, now) + CauseClause(firstFailed.cause);
}

ConnectionNotices::ConnectionNotices(INotifier& notifier, IMachineClocks& clocks)
    : m_notifier(notifier), m_clocks(clocks)
{}

void ConnectionNotices::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    // An outage that began while notices were off would otherwise end with a restore told alone.
    if (!enabled) {
        m_lossTold = false;
        m_degradedTold = false;
        m_familyTold = false;
    }
}

void ConnectionNotices::MachineResumed(std::time_t)
{
    m_graceUntil = m_clocks.Read().boottime + kResumeGrace;
}

void ConnectionNotices::CheckRecorded(const CheckResult& check)
{
    const auto now = m_clocks.Read().boottime;
    if (m_degradedWaiting && now - *m_degradedWaiting >= kUnstableWindow) {
        m_degradedWaiting.reset();
        TellDegraded(m_waitingReason);
    }
    // A failure the grace confirmed is a real outage, however close to the grace's end it is told.
    const bool inGrace = m_graceUntil && now < *m_graceUntil && check.cause != kCauseAfterResume;
    FollowFamilies(check, now, inGrace);

    if (!m_connected) {
        m_connected = check.connected;
        m_changedAt = now;
        if (!check.connected) {
            m_firstFailed = check;
            if (!inGrace) {
                TellLoss(check.time);
            }
        }
        return;
    }

    const bool changed = check.connected != *m_connected;
    // A state that held through the unstable time ends it; an outage that held is told after all,
    // as is the end of one, so that the user is not left with "unstable" for good.
    const bool held = m_unstable && now - m_changedAt >= kUnstableWindow;
    if (held) {
        m_unstable = false;
    }
    if (!changed) {
        if (held && !check.connected && !inGrace) {
            TellLoss(check.time);
        }
        return;
    }

    m_connected = check.connected;
    m_changedAt = now;
    if (check.connected) {
        m_restoredAt = now;
        m_restoredTime = check.time;
        if (m_lossTold || (held && m_enabled)) {
            if (!m_lossTold) {
                ++m_lastId;
            }
            TellRestore(check);
        }
        m_lossTold = false;
        return;
    }

    m_firstFailed = check;
    if (inGrace || m_unstable) {
        return;
    }
    if (m_restoredAt && now - *m_restoredAt < kUnstableWindow) {
        m_unstable = true;
        // In the place of the restore notice, which is the one just shown.
        const auto after = check.time - m_restoredTime;
        Show(m_lastId == 0 ? ++m_lastId : m_lastId, NoticeKind::Unstable, kNoticeUnstable,
             "Lost again " + ShortDurationText(after) +
                 " after it came back. Pellavane stays quiet until the "
                 "connection holds for " +
                 std::to_string(kUnstableWindow.count()) + " min.");
        return;
    }
    TellLoss(check.time);
}

void ConnectionNotices::QualityChanged(const QualityChange& change)
{
    const auto now = m_clocks.Read().boottime;
    m_degradedWaiting.reset();
    if (change.degraded) {
        m_degradedAt = change.at;
        const bool inGrace = m_graceUntil && now < *m_graceUntil;
        const bool flapping = m_normalAt && now - *m_normalAt < kUnstableWindow;
        if (inGrace || flapping) {
            m_degradedWaiting = now;
            m_waitingReason = change.reason;
        } else {
            TellDegraded(change.reason);
        }
        return;
    }
    // An outage is told as one; after sleep or the switch nothing is known of the connection.
    if (change.end == QualityEnd::Recovered) {
        m_normalAt = now;
        if (m_degradedTold) {
            Show(m_degradedId, NoticeKind::Normal, kNoticeNormal,
                 "after " + ShortDurationText(change.at - m_degradedAt) + " degraded");
        }
    }
    m_degradedTold = false;
}

void ConnectionNotices::TellDegraded(const DegradedReason& reason)
{
    if (!m_enabled) {
        return;
    }
    m_degradedTold = true;
    m_degradedId = ++m_lastId;
    Show(m_degradedId, NoticeKind::Degraded, kNoticeDegraded, reason.notice);
}

void ConnectionNotices::FollowFamilies(const CheckResult& check, std::chrono::nanoseconds now, bool inGrace)
{
    for (const FamilyChange& change : m_families.Follow(check)) {
        if (change.lost) {
            const bool flapping = m_familyBackAt && now - *m_familyBackAt < kUnstableWindow;
            m_familyWaiting.reset();
            if (inGrace || flapping) {
                m_familyWaiting = now;
            } else {
                TellFamilyLost(check.time);
            }
            continue;
        }
        m_familyBackAt = now;
        if (m_familyTold) {
            Show(m_familyId, NoticeKind::FamilyBack, std::string(FamilyName(change.family)) + " back",
                 FamilyBackText(change.family, ClockTimeText(change.at, check.time)));
        }
        m_familyTold = false;
    }
    // An outage or a family no longer configured ends the split without a word.
    if (!m_families.Lost()) {
        m_familyWaiting.reset();
        m_familyTold = false;
    } else if (m_familyWaiting && now - *m_familyWaiting >= kUnstableWindow) {
        m_familyWaiting.reset();
        TellFamilyLost(check.time);
    }
}

void ConnectionNotices::TellFamilyLost(std::time_t now)
{
    if (!m_enabled) {
        return;
    }
    const FamilyChange& lost = *m_families.Lost();
    m_familyTold = true;
    m_familyId = ++m_lastId;
    Show(m_familyId, NoticeKind::FamilyLost, std::string(FamilyName(lost.family)) + " lost",
         FamilyLostText(lost.family, ClockTimeText(lost.at, now)));
}

void ConnectionNotices::TellLoss(std::time_t now)
{
    if (!m_enabled) {
        return;
    }
    m_lossTold = true;
    Show(++m_lastId, NoticeKind::Lost, kNoticeLost, LossBody(m_firstFailed, now));
}

void ConnectionNotices::TellRestore(const CheckResult& check)
{
    Show(m_lastId, NoticeKind::Restored, kNoticeRestored,
         "after " + ShortDurationText(check.time - m_firstFailed.time));
}

void ConnectionNotices::Show(unsigned id, NoticeKind kind, std::string summary, std::string body)
{
    if (!m_enabled) {
        return;
    }
    try {
        m_notifier.Show(Notice{id, kind, std::move(summary), std::move(body)});
    } catch (...) {
        // The contract says it never throws; a notifier that does must still not stop the logging.
    }
}

ChangeLines::ChangeLines(std::function<void(const std::string& line)> print) : m_print(std::move(print)) {}

void ChangeLines::CheckRecorded(const CheckResult& check)
{
    TellConnection(check);
    for (const FamilyChange& change : m_families.Follow(check)) {
        const std::string at = DateTimeText(change.at);
        m_print(change.lost ? FamilyLostText(change.family, at) : FamilyBackText(change.family, at));
    }
}

void ChangeLines::TellConnection(const CheckResult& check)
{
    const bool first = !m_connected;
    if (!first && *m_connected == check.connected) {
        return;
    }
    m_connected = check.connected;
    if (!check.connected) {
        m_lostAt = check.time;
        m_print(std::string(kNoticeLost) + " at " + DateTimeText(check.time) + CauseClause(check.cause));
    } else if (!first) {
        m_print(std::string(kNoticeRestored) + " at " + DateTimeText(check.time) + " after " +
                ShortDurationText(check.time - m_lostAt));
    }
}

void ChangeLines::QualityChanged(const QualityChange& change)
{
    if (change.degraded) {
        m_print(std::string(kNoticeDegraded) + " at " + DateTimeText(change.at) + ": " +
                change.reason.notice);
    } else if (change.end == QualityEnd::Recovered) {
        m_print(std::string(kLineNormal) + " at " + DateTimeText(change.at));
    }
}

} // namespace pellavane
