#include "engine/history/history_load.h"

#include "engine/check/check_result.h"
#include "engine/history/journal_format.h"
#include "engine/log_commands/log_commands.h"
#include "engine/log_commands/log_file_io.h"
#include "engine/monitor/journal.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace pellavane {

namespace {

struct Cancelled
{};

/** Gathers the first target's lost echoes and the degraded time of the timeline's stretch. A check's
 *  echoes are those of the echoes row right after it at the same time; without one, a connected
 *  check counts one echo, lost when the first target was silent. */
class TimelineMarks
{
public:
    TimelineMarks(std::int64_t from, std::int64_t to) : m_from(from), m_to(to) {}

    void Record(const HistoryRecord& record)
    {
        if (record.event == HistoryEvent::Echoes) {
            if (m_pending && record.time == m_pendingTime && ParseEchoesDetail(record.cause, m_echoes)) {
                m_sent = m_echoes.sent;
                m_lost = m_echoes.Lost();
            }
            Commit();
            return;
        }
        Commit();
        switch (record.event) {
        case HistoryEvent::Check:
            if (!record.connected) {
                EndDegraded(record.time);
            } else if (record.time >= m_from && record.time <= m_to) {
                m_pending = true;
                m_pendingTime = record.time;
                const bool silent = record.cause == "first target silent";
                const bool answered = record.cause.empty() && !record.rtt.empty();
                m_sent = silent || answered ? 1 : 0;
                m_lost = silent ? 1 : 0;
            }
            return;
        case HistoryEvent::Quality:
            if (!record.degraded) {
                EndDegraded(record.time);
            } else if (!m_degradedFrom) {
                m_degradedFrom = record.time;
            }
            return;
        // The monitor starts afresh after each of these, with no evidence of degradation left.
        case HistoryEvent::Start:
        case HistoryEvent::Stop:
        case HistoryEvent::Sleep:
            EndDegraded(record.time);
            return;
        default:
            return;
        }
    }

    /** Ends the history: the degraded time is cut to the known time, which ends the last period. */
    void Finish(TimelineData& timeline)
    {
        Commit();
        EndDegraded(std::numeric_limits<std::int64_t>::max());
        const auto byTime = [](const EchoLoss& a, const EchoLoss& b) { return a.time < b.time; };
        if (!std::is_sorted(m_losses.begin(), m_losses.end(), byTime)) {
            std::stable_sort(m_losses.begin(), m_losses.end(), byTime);
        }
        timeline.losses = std::move(m_losses);
        timeline.echoesFrom = m_from;
        timeline.echoesSent = std::move(m_sentPerBucket);
        std::sort(m_degraded.begin(), m_degraded.end(),
                  [](const TimeSpan& a, const TimeSpan& b) { return a.start < b.start; });
        for (const TimeSpan& degraded : m_degraded) {
            for (const TimeSpan& known : timeline.known) {
                const TimeSpan both{std::max(degraded.start, known.start), std::min(degraded.end, known.end)};
                if (both.start < both.end) {
                    timeline.degraded.push_back(both);
                }
            }
        }
    }

private:
    void Commit()
    {
        if (!m_pending) {
            return;
        }
        m_pending = false;
        if (m_sent <= 0) {
            return;
        }
        const auto bucket = static_cast<std::size_t>((m_pendingTime - m_from) / kEchoBucketSeconds);
        if (bucket >= m_sentPerBucket.size()) {
            m_sentPerBucket.resize(bucket + 1);
        }
        std::uint16_t& sent = m_sentPerBucket[bucket];
        sent = static_cast<std::uint16_t>(
            std::min<int>(sent + m_sent, std::numeric_limits<std::uint16_t>::max()));
        if (m_lost > 0) {
            m_losses.push_back(EchoLoss{m_pendingTime, static_cast<std::uint16_t>(m_sent),
                                        static_cast<std::uint16_t>(m_lost)});
        }
    }

    void EndDegraded(std::int64_t t)
    {
        if (m_degradedFrom && t > *m_degradedFrom && t > m_from) {
            m_degraded.push_back(TimeSpan{*m_degradedFrom, t});
        }
        m_degradedFrom.reset();
    }

    std::int64_t m_from;
    std::int64_t m_to;
    bool m_pending = false;
    std::int64_t m_pendingTime = 0;
    int m_sent = 0;
    int m_lost = 0;
    EchoCounts m_echoes;
    std::vector<EchoLoss> m_losses;
    std::vector<std::uint16_t> m_sentPerBucket;
    std::optional<std::int64_t> m_degradedFrom;
    std::vector<TimeSpan> m_degraded;
};

/** Passes every record to the report and keeps the recent round trips for the timeline. */
class ViewSink : public IHistorySink
{
public:
    ViewSink(OutageAnalyser& analyser, std::int64_t from, std::int64_t now, std::vector<RttSample>& samples,
             const std::atomic<bool>* cancel)
        : m_analyser(analyser), m_from(from), m_samples(samples), m_cancel(cancel), m_marks(from, now)
    {}

    TimelineMarks& Marks() { return m_marks; }

    void Record(const HistoryRecord& record) override
    {
        if (m_cancel != nullptr && (++m_count & 0xffff) == 0 && m_cancel->load()) {
            throw Cancelled{};
        }
        m_analyser.Record(record);
        m_marks.Record(record);
        if (record.event == HistoryEvent::Echoes || record.event == HistoryEvent::Quality ||
            record.event == HistoryEvent::Ipv4 || record.event == HistoryEvent::Ipv6) {
            return;
        }
        if (record.event != HistoryEvent::Check) {
            m_lastAnswered = false;
            return;
        }
        const double rtt = RoundTripMs(record);
        const bool answered = !std::isnan(rtt);
        if (answered && record.time >= m_from) {
            m_samples.push_back(RttSample{record.time, static_cast<float>(rtt), m_lastAnswered});
        }
        m_lastAnswered = answered;
    }

private:
    OutageAnalyser& m_analyser;
    std::int64_t m_from;
    std::vector<RttSample>& m_samples;
    const std::atomic<bool>* m_cancel;
    std::uint32_t m_count = 0;
    bool m_lastAnswered = false;
    TimelineMarks m_marks;
};

/** Hands each record to two sinks, so that one reading serves them both. */
class BothSinks : public IHistorySink
{
public:
    BothSinks(IHistorySink& first, IHistorySink& second) : m_first(first), m_second(second) {}
    void Record(const HistoryRecord& record) override
    {
        m_first.Record(record);
        m_second.Record(record);
    }

private:
    IHistorySink& m_first;
    IHistorySink& m_second;
};

// The line may only join two round trips of one stretch of known time: never across a gap, a sleep
// or a clock that was set back.
void BreakAtGaps(std::vector<RttSample>& samples, const std::vector<TimeSpan>& known)
{
    if (!std::is_sorted(samples.begin(), samples.end(),
                        [](const RttSample& a, const RttSample& b) { return a.time < b.time; })) {
        for (std::size_t i = 1; i < samples.size(); ++i) {
            if (samples[i].time < samples[i - 1].time) {
                samples[i].joined = false;
                if (i + 1 < samples.size()) {
                    samples[i + 1].joined = false;
                }
            }
        }
        std::stable_sort(samples.begin(), samples.end(),
                         [](const RttSample& a, const RttSample& b) { return a.time < b.time; });
    }
    std::size_t span = 0;
    std::size_t previousSpan = std::numeric_limits<std::size_t>::max();
    for (RttSample& sample : samples) {
        while (span < known.size() && known[span].end < sample.time) {
            ++span;
        }
        const bool inside = span < known.size() && known[span].start <= sample.time;
        const std::size_t here = inside ? span : std::numeric_limits<std::size_t>::max() - 1;
        sample.joined = sample.joined && inside && here == previousSpan;
        previousSpan = here;
    }
}

} // namespace

HistoryView ReadHistoryView(const std::string& logPath, std::int64_t now, const std::atomic<bool>* cancel)
{
    HistoryView view;
    view.now = now;
    const std::int64_t from = now - kTimelineSpan;
    ReportOptions options;
    options.by = PeriodLength::Day;
    options.knownFrom = from;
    // Nothing logged yet is no fault: say it as the view command does.
    if (!FileExists(logPath) && !FileExists(JournalPath(logPath))) {
        view.error = kNoHistoryMessage;
        return view;
    }
    try {
        OutageAnalyser analyser(options);
        ViewSink sink(analyser, from, now, view.timeline.samples, cancel);
        QualityAnalyser quality(options);
        BothSinks both(sink, quality);
        view.summary = ReadHistory(logPath, TextLogForms(), both);
        view.report = analyser.Finish();
        view.quality = quality.Finish();
        view.timeline.known = view.report.known;
        sink.Marks().Finish(view.timeline);
    } catch (const Cancelled&) {
        return HistoryView{};
    } catch (const std::exception& e) {
        view.error = e.what();
        view.timeline = TimelineData{};
        return view;
    }
    view.report.known.clear();
    for (const Outage& outage : view.report.outages) {
        if (outage.end >= from) {
            view.timeline.outages.push_back(TimeSpan{outage.start, outage.end});
        }
    }
    BreakAtGaps(view.timeline.samples, view.timeline.known);
    return view;
}

} // namespace pellavane
