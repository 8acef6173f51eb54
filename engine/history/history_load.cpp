#include "engine/history/history_load.h"

#include "engine/history/journal_format.h"
#include "engine/log_commands/log_commands.h"
#include "engine/monitor/journal.h"
#include "engine/quality/check_echoes.h"
#include "engine/quality/degraded_periods.h"
#include "engine/rotation/rotated_pieces.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace pellavane {

namespace {

struct Cancelled
{};

/** Gathers the first target's lost echoes and the degraded time of the timeline's stretch, as the
 *  quality report reads them. */
class TimelineMarks
{
public:
    TimelineMarks(std::int64_t from, std::int64_t to) : m_from(from), m_echoes(CountEchoesOf{this}, from, to)
    {}
    TimelineMarks(const TimelineMarks&) = delete;
    TimelineMarks& operator=(const TimelineMarks&) = delete;

    void Record(const HistoryRecord& record)
    {
        m_echoes.Record(record);
        AddDegraded(m_degraded.Record(record));
    }

    void Finish(TimelineData& timeline)
    {
        m_echoes.Finish();
        AddDegraded(m_degraded.Finish());
        const auto byTime = [](const EchoLoss& a, const EchoLoss& b) { return a.time < b.time; };
        if (!std::is_sorted(m_losses.begin(), m_losses.end(), byTime)) {
            std::stable_sort(m_losses.begin(), m_losses.end(), byTime);
        }
        timeline.losses = std::move(m_losses);
        timeline.echoesFrom = m_from;
        timeline.echoesSent = std::move(m_sentPerBucket);
        timeline.degraded = std::move(m_degradedSpans);
    }

private:
    struct CountEchoesOf
    {
        TimelineMarks* marks;
        void operator()(std::int64_t t, int sent, const std::vector<std::uint32_t>& rttsUs) const
        {
            marks->CountEchoes(t, sent, static_cast<int>(rttsUs.size()));
        }
    };

    void CountEchoes(std::int64_t t, int sent, int answered)
    {
        if (sent <= 0) {
            return;
        }
        const auto bucket = static_cast<std::size_t>((t - m_from) / kEchoBucketSeconds);
        if (bucket >= m_sentPerBucket.size()) {
            m_sentPerBucket.resize(bucket + 1);
        }
        std::uint16_t& bucketSent = m_sentPerBucket[bucket];
        bucketSent = static_cast<std::uint16_t>(
            std::min<int>(bucketSent + sent, std::numeric_limits<std::uint16_t>::max()));
        if (answered < sent) {
            m_losses.push_back(
                EchoLoss{t, static_cast<std::uint16_t>(sent), static_cast<std::uint16_t>(sent - answered)});
        }
    }

    // A period may come in pieces of known time; pieces that meet are drawn as one.
    void AddDegraded(const std::optional<TimeSpan>& span)
    {
        if (!span || span->end <= m_from) {
            return;
        }
        if (!m_degradedSpans.empty() && m_degradedSpans.back().end == span->start) {
            m_degradedSpans.back().end = span->end;
        } else {
            m_degradedSpans.push_back(*span);
        }
    }

    std::int64_t m_from;
    CheckEchoesReader<CountEchoesOf> m_echoes;
    DegradedPeriods m_degraded;
    std::vector<EchoLoss> m_losses;
    std::vector<std::uint16_t> m_sentPerBucket;
    std::vector<TimeSpan> m_degradedSpans;
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
    if (!AnyPieceExists(logPath) && !AnyPieceExists(JournalPath(logPath))) {
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
