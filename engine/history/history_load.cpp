#include "engine/history/history_load.h"

#include "engine/log_commands/log_commands.h"
#include "engine/log_commands/log_file_io.h"
#include "engine/monitor/journal.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pellavane {

namespace {

struct Cancelled
{};

/** Passes every record to the report and keeps the recent round trips for the timeline. */
class ViewSink : public IHistorySink
{
public:
    ViewSink(OutageAnalyser& analyser, std::int64_t from, std::vector<RttSample>& samples,
             const std::atomic<bool>* cancel)
        : m_analyser(analyser), m_from(from), m_samples(samples), m_cancel(cancel)
    {}

    void Record(const HistoryRecord& record) override
    {
        if (m_cancel != nullptr && (++m_count & 0xffff) == 0 && m_cancel->load()) {
            throw Cancelled{};
        }
        m_analyser.Record(record);
        if (record.event == HistoryEvent::Echoes || record.event == HistoryEvent::Quality) {
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
        ViewSink sink(analyser, from, view.timeline.samples, cancel);
        QualityAnalyser quality(options);
        BothSinks both(sink, quality);
        view.summary = ReadHistory(logPath, TextLogForms(), both);
        view.report = analyser.Finish();
        view.quality = quality.Finish();
    } catch (const Cancelled&) {
        return HistoryView{};
    } catch (const std::exception& e) {
        view.error = e.what();
        view.timeline.samples.clear();
        return view;
    }
    view.timeline.known = view.report.known;
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
