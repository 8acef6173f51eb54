#include "engine/history/outages.h"

#include "core/local_time.h"

#include <algorithm>
#include <limits>

namespace pellavane {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kGapAllowance = LongestWatchedSpacing(0);
constexpr std::size_t kSpacingCap = 86400;

enum class Kind
{
    Up,
    Down,
    Unknown,
};

} // namespace

void Outage::AddChecks(const std::string& checkCause, std::int64_t checks)
{
    // A text log's line says nothing of a cause, so it leaves the journal's rows to decide.
    if (checkCause.empty()) {
        return;
    }
    auto found = std::find_if(causeChecks.begin(), causeChecks.end(),
                              [&](const auto& entry) { return entry.first == checkCause; });
    if (found == causeChecks.end()) {
        causeChecks.emplace_back(checkCause, 0);
        found = causeChecks.end() - 1;
    }
    found->second += checks;
    // max_element keeps the first of equals: a tie goes to the cause that came first.
    cause = std::max_element(causeChecks.begin(), causeChecks.end(), [](const auto& a, const auto& b) {
                return a.second < b.second;
            })->first;
}

std::vector<Outage> MergeOutages(std::vector<Outage> outages, std::int64_t within)
{
    std::vector<Outage> merged;
    for (Outage& outage : outages) {
        if (merged.empty() || outage.start - merged.back().end >= within) {
            merged.push_back(std::move(outage));
            continue;
        }
        Outage& joined = merged.back();
        joined.end = std::max(joined.end, outage.end);
        joined.ongoing = outage.ongoing;
        for (const auto& [cause, checks] : outage.causeChecks) {
            joined.AddChecks(cause, checks);
        }
    }
    return merged;
}

std::vector<Outage> LongOutages(std::vector<Outage> outages, std::int64_t seconds)
{
    outages.erase(std::remove_if(outages.begin(), outages.end(),
                                 [seconds](const Outage& o) { return o.Duration() < seconds; }),
                  outages.end());
    return outages;
}

std::string PeriodUptime::Label() const
{
    LocalPeriod period;
    period.start = start;
    period.year = year;
    period.month = month;
    period.day = day;
    period.hour = hour;
    return PeriodLabel(period);
}

std::optional<double> PeriodUptime::UptimePercent() const
{
    const std::int64_t known = upSeconds + downSeconds;
    if (known <= 0) {
        return std::nullopt;
    }
    return 100.0 * static_cast<double>(upSeconds) / static_cast<double>(known);
}

// The history after the expected interval is known: the rules of up, down and unknown time, and the
// sums per period.
class OutageAnalyser::Timeline
{
public:
    explicit Timeline(const ReportOptions& options) : m_options(options)
    {
        if (options.from) {
            m_rangeStart = LocalMidnight(options.from->year, options.from->month, options.from->day);
        }
        if (options.to) {
            m_rangeEnd = LocalMidnight(options.to->year, options.to->month, options.to->day + 1);
        }
        m_covered = m_rangeStart;
    }

    void SetExpected(int seconds) { m_expected = seconds; }

    void Note(std::int64_t t) { m_lastRecord = std::max(m_lastRecord, t); }

    /** A check, standing for checks of the same status and cause up to t; a continuation is known
     *  to follow the one before without a gap. */
    void Check(std::int64_t t, bool connected, const std::string& cause, bool continuation,
               std::int64_t checks = 1)
    {
        Note(t);
        if (!m_haveCheck) {
            m_firstCheck = t;
        } else {
            const bool gap = !continuation && (m_split || m_unknownFrom != kNever || t < m_lastCheck ||
                                               t - m_lastCheck > LongestWatchedSpacing(m_expected));
            if (!gap) {
                Extend(StatusKind(), m_lastCheck, t);
            } else {
                const std::int64_t knownEnd = KnownEnd(t);
                Extend(StatusKind(), m_lastCheck, knownEnd);
                Extend(Kind::Unknown, knownEnd, t);
                if (m_outageOpen) {
                    CloseOutage(knownEnd, false);
                }
            }
        }
        if (!connected && !m_outageOpen) {
            OpenOutage(t);
        } else if (connected && m_outageOpen) {
            CloseOutage(t, false);
        }
        if (!connected) {
            m_outages.back().AddChecks(cause, checks);
        }
        m_haveCheck = true;
        m_lastCheck = t;
        m_lastConnected = connected;
        m_unknownFrom = kNever;
        m_split = false;
    }

    /** A sleep or stop row: not watching from here to the next check. */
    void NotWatching(std::int64_t t)
    {
        Note(t);
        if (m_haveCheck && m_unknownFrom == kNever) {
            m_unknownFrom = t;
        }
    }

    /** A clock row: the time between the checks around it cannot be told. */
    void Split(std::int64_t t)
    {
        Note(t);
        m_split = true;
    }

    HistoryReport Finish()
    {
        if (m_haveCheck) {
            if (m_split || m_unknownFrom != kNever) {
                const std::int64_t knownEnd = KnownEnd(kForever);
                Extend(StatusKind(), m_lastCheck, knownEnd);
                if (m_outageOpen) {
                    CloseOutage(knownEnd, false);
                }
            } else if (m_outageOpen) {
                CloseOutage(m_lastCheck, true);
            }
        }
        FlushSpan();

        HistoryReport report;
        report.known = std::move(m_known);
        for (Outage& outage : m_outages) {
            if (outage.end >= m_rangeStart && outage.start < m_rangeEnd) {
                report.outages.push_back(std::move(outage));
            }
        }
        std::int64_t first = m_rangeStart;
        std::int64_t last = m_rangeEnd;
        if (first == kNever || last == kForever) {
            if (!m_haveCheck) {
                return report;
            }
            if (first == kNever) {
                first = PeriodAt(m_firstCheck).start;
            }
            if (last == kForever) {
                last = PeriodAt(std::max(m_lastRecord, first)).end;
            }
        }
        for (std::int64_t at = first; at < last;) {
            PeriodUptime& period = PeriodAt(at);
            period.unknownSeconds =
                std::max<std::int64_t>(0, period.end - period.start - period.upSeconds - period.downSeconds);
            report.periods.push_back(period);
            if (period.end <= at) {
                break;
            }
            at = period.end;
        }
        return report;
    }

private:
    Kind StatusKind() const { return m_lastConnected ? Kind::Up : Kind::Down; }

    // Where known time ends before a gap: at the last check, or at a sleep or stop row after it.
    std::int64_t KnownEnd(std::int64_t next) const
    {
        if (m_split || m_unknownFrom == kNever) {
            return m_lastCheck;
        }
        return std::clamp(m_unknownFrom, m_lastCheck, std::max(m_lastCheck, next));
    }

    // Consecutive time of one kind is gathered into one span, so that each outage's down time reaches
    // the periods whole and its longest part per period can be told.
    void Extend(Kind kind, std::int64_t from, std::int64_t to)
    {
        if (to <= from) {
            return;
        }
        if (m_spanOpen && m_spanKind == kind && m_spanEnd == from) {
            m_spanEnd = to;
            return;
        }
        FlushSpan();
        m_spanOpen = true;
        m_spanKind = kind;
        m_spanStart = from;
        m_spanEnd = to;
    }

    void FlushSpan()
    {
        if (!m_spanOpen) {
            return;
        }
        m_spanOpen = false;
        // Time the history has already covered (a clock set back) is not counted twice.
        std::int64_t from = std::max(m_spanStart, m_covered);
        const std::int64_t to = std::min(m_spanEnd, m_rangeEnd);
        m_covered = std::max(m_covered, to);
        if (m_spanKind == Kind::Unknown) {
            return;
        }
        if (m_options.knownFrom && to > *m_options.knownFrom && from < to) {
            if (!m_known.empty() && m_known.back().end == from) {
                m_known.back().end = to;
            } else {
                m_known.push_back(TimeSpan{from, to});
            }
        }
        while (from < to) {
            PeriodUptime& period = PeriodAt(from);
            const std::int64_t partEnd = std::min(to, period.end);
            const std::int64_t part = partEnd - from;
            if (m_spanKind == Kind::Up) {
                period.upSeconds += part;
            } else {
                period.downSeconds += part;
                period.longestSeconds = std::max(period.longestSeconds, part);
            }
            from = partEnd;
        }
    }

    void OpenOutage(std::int64_t t)
    {
        m_outageOpen = true;
        m_outages.push_back(Outage{t, t, false, {}, {}});
        if (t >= m_rangeStart && t < m_rangeEnd) {
            ++PeriodAt(t).outages;
        }
    }

    void CloseOutage(std::int64_t t, bool ongoing)
    {
        FlushSpan();
        m_outageOpen = false;
        m_outages.back().end = std::max(t, m_outages.back().start);
        m_outages.back().ongoing = ongoing;
    }

    PeriodUptime& PeriodAt(std::int64_t t)
    {
        if (m_current != nullptr && t >= m_current->start && t < m_current->end) {
            return *m_current;
        }
        const LocalPeriod local = LocalPeriodAt(t, m_options.by);
        auto found = m_periods.find(local.start);
        if (found == m_periods.end()) {
            PeriodUptime period;
            period.year = local.year;
            period.month = local.month;
            period.day = local.day;
            period.hour = local.hour;
            period.start = std::max(local.start, m_rangeStart);
            period.end = std::min(local.end, m_rangeEnd);
            found = m_periods.emplace(local.start, period).first;
        }
        m_current = &found->second;
        return *m_current;
    }

    ReportOptions m_options;
    std::int64_t m_rangeStart = kNever;
    std::int64_t m_rangeEnd = kForever;
    int m_expected = 0;

    bool m_haveCheck = false;
    std::int64_t m_firstCheck = 0;
    std::int64_t m_lastCheck = 0;
    bool m_lastConnected = false;
    std::int64_t m_lastRecord = kNever;
    std::int64_t m_unknownFrom = kNever;
    bool m_split = false;

    bool m_spanOpen = false;
    Kind m_spanKind = Kind::Unknown;
    std::int64_t m_spanStart = 0;
    std::int64_t m_spanEnd = 0;
    std::int64_t m_covered = kNever;

    bool m_outageOpen = false;
    std::vector<Outage> m_outages;
    std::map<std::int64_t, PeriodUptime> m_periods;
    PeriodUptime* m_current = nullptr;
    std::vector<TimeSpan> m_known;
};

OutageAnalyser::OutageAnalyser(ReportOptions options)
    : m_timeline(std::make_unique<Timeline>(options)), m_causes{std::string()}
{}

OutageAnalyser::~OutageAnalyser() = default;

void OutageAnalyser::Record(const HistoryRecord& record)
{
    // The quality of a connection that is up says nothing of when it was down.
    if (record.event == HistoryEvent::Echoes || record.event == HistoryEvent::Quality ||
        record.event == HistoryEvent::Ipv4 || record.event == HistoryEvent::Ipv6) {
        return;
    }
    if (record.event == HistoryEvent::Start && record.intervalSeconds > 0) {
        if (!m_expectedKnown) {
            Release(m_spacings.empty() ? record.intervalSeconds : MedianSpacing());
            m_expectedKnown = true;
        }
        m_timeline->SetExpected(record.intervalSeconds);
        m_timeline->Note(record.time);
        return;
    }
    if (!m_expectedKnown) {
        Hold(record);
        if (m_held.size() >= kMaxHeld) {
            Release(MedianSpacing());
            m_expectedKnown = true;
        }
        return;
    }
    switch (record.event) {
    case HistoryEvent::Check:
        m_cause.assign(record.cause);
        m_timeline->Check(record.time, record.connected, m_cause, false);
        break;
    case HistoryEvent::Sleep:
    case HistoryEvent::Stop:
        m_timeline->NotWatching(record.time);
        break;
    case HistoryEvent::Clock:
        m_timeline->Split(record.time);
        break;
    case HistoryEvent::Start:
    case HistoryEvent::Resume:
        m_timeline->Note(record.time);
        break;
    case HistoryEvent::Echoes:
    case HistoryEvent::Quality:
    case HistoryEvent::Ipv4:
    case HistoryEvent::Ipv6:
        break;
    }
}

// A run of checks of one status with no spacing over the gap allowance is held as its first and
// last check: whatever the interval turns out to be, nothing inside it can be a gap.
void OutageAnalyser::Hold(const HistoryRecord& record)
{
    if (record.event != HistoryEvent::Check) {
        m_held.push_back(Held{record.time, record.time, record.event, false, 0, 0});
        m_lastHeldCheck.reset();
        return;
    }
    if (m_spacings.empty()) {
        m_spacings.assign(kSpacingCap + 1, 0);
    }
    if (m_lastHeldCheck && record.time >= *m_lastHeldCheck) {
        ++m_spacings[std::min<std::size_t>(static_cast<std::size_t>(record.time - *m_lastHeldCheck),
                                           kSpacingCap)];
    }
    m_lastHeldCheck = record.time;
    std::uint32_t cause = 0;
    if (!record.cause.empty()) {
        const auto found = std::find(m_causes.begin(), m_causes.end(), record.cause);
        cause = static_cast<std::uint32_t>(found - m_causes.begin());
        if (found == m_causes.end()) {
            m_causes.emplace_back(record.cause);
        }
    }
    // Only checks of one cause are joined, so that an outage's cause can still be counted.
    if (!m_held.empty()) {
        Held& back = m_held.back();
        if (back.event == HistoryEvent::Check && back.connected == record.connected && back.cause == cause &&
            record.time >= back.last && record.time - back.last <= kGapAllowance) {
            back.last = record.time;
            ++back.checks;
            return;
        }
    }
    m_held.push_back(Held{record.time, record.time, HistoryEvent::Check, record.connected, cause, 1});
}

void OutageAnalyser::Release(int expected)
{
    m_timeline->SetExpected(expected);
    for (const Held& held : m_held) {
        switch (held.event) {
        case HistoryEvent::Check:
            m_timeline->Check(held.first, held.connected, m_causes[held.cause], false);
            if (held.checks > 1) {
                m_timeline->Check(held.last, held.connected, m_causes[held.cause], true, held.checks - 1);
            }
            break;
        case HistoryEvent::Sleep:
        case HistoryEvent::Stop:
            m_timeline->NotWatching(held.first);
            break;
        case HistoryEvent::Clock:
            m_timeline->Split(held.first);
            break;
        case HistoryEvent::Start:
        case HistoryEvent::Resume:
            m_timeline->Note(held.first);
            break;
        case HistoryEvent::Echoes:
        case HistoryEvent::Quality:
        case HistoryEvent::Ipv4:
        case HistoryEvent::Ipv6:
            break;
        }
    }
    m_held.clear();
    m_held.shrink_to_fit();
}

int OutageAnalyser::MedianSpacing() const
{
    std::uint64_t total = 0;
    for (const std::uint32_t count : m_spacings) {
        total += count;
    }
    std::uint64_t seen = 0;
    for (std::size_t spacing = 0; spacing < m_spacings.size(); ++spacing) {
        seen += m_spacings[spacing];
        if (total > 0 && seen * 2 >= total) {
            return static_cast<int>(spacing);
        }
    }
    return 0;
}

HistoryReport OutageAnalyser::Finish()
{
    if (!m_expectedKnown) {
        Release(MedianSpacing());
        m_expectedKnown = true;
    }
    return m_timeline->Finish();
}

HistoryReport AnalyseHistory(const std::string& logPath, const ReportOptions& options,
                             HistoryReadSummary* summary)
{
    OutageAnalyser analyser(options);
    HistoryReadSummary read = ReadHistory(logPath, TextLogForms(), analyser);
    if (summary != nullptr) {
        *summary = std::move(read);
    }
    return analyser.Finish();
}

} // namespace pellavane
