#include "engine/report/report_data.h"

#include "engine/history/family_history.h"
#include "engine/history/log_date_form.h"
#include "engine/quality/degraded_periods.h"

#include <limits>
#include <tuple>

namespace pellavane {
namespace {

/** Hands every record to each analyser, and keeps what the report says of the recording itself. */
class ReportSink : public IHistorySink
{
public:
    ReportSink(const ReportOptions& options, const ReportOptions& familyOptions)
        : m_outages(options), m_quality(options), m_ipv4Outages(familyOptions), m_ipv6Outages(familyOptions),
          m_ipv4(AddressFamily::V4, m_ipv4Outages), m_ipv6(AddressFamily::V6, m_ipv6Outages)
    {}

    void Record(const HistoryRecord& record) override
    {
        m_outages.Record(record);
        m_quality.Record(record);
        m_ipv4.Record(record);
        m_ipv6.Record(record);
        if (const auto span = m_degraded.Record(record)) {
            m_data.degraded.push_back(*span);
        }
        switch (record.event) {
        case HistoryEvent::Check:
            if (m_data.checks++ == 0) {
                m_data.firstCheck = record.time;
            }
            m_data.lastCheck = record.time;
            break;
        case HistoryEvent::Start:
            if (record.intervalSeconds > 0) {
                m_data.intervalSeconds = record.intervalSeconds;
            }
            break;
        case HistoryEvent::Ipv4:
            m_haveIpv4 = true;
            break;
        case HistoryEvent::Ipv6:
            m_haveIpv6 = true;
            break;
        default:
            break;
        }
    }

    ReportData Finish(HistoryReadSummary read, const ReportRequest& request)
    {
        m_ipv4.Finish();
        m_ipv6.Finish();
        if (const auto span = m_degraded.Finish()) {
            m_data.degraded.push_back(*span);
        }
        m_data.history = m_outages.Finish();
        m_data.outages = OutagesAsAsked(m_data.history.outages, request.mergeSeconds, request.minSeconds);
        m_data.quality = m_quality.Finish();
        for (auto [have, family, analyser] : {std::tuple{m_haveIpv4, AddressFamily::V4, &m_ipv4Outages},
                                              std::tuple{m_haveIpv6, AddressFamily::V6, &m_ipv6Outages}}) {
            if (have) {
                FamilyReport report{family, analyser->Finish(), {}};
                report.outages =
                    OutagesAsAsked(report.history.outages, request.mergeSeconds, request.minSeconds);
                m_data.families.push_back(std::move(report));
            }
        }
        m_data.read = std::move(read);
        return std::move(m_data);
    }

private:
    OutageAnalyser m_outages;
    QualityAnalyser m_quality;
    DegradedPeriods m_degraded;
    OutageAnalyser m_ipv4Outages;
    OutageAnalyser m_ipv6Outages;
    FamilyHistory m_ipv4;
    FamilyHistory m_ipv6;
    bool m_haveIpv4 = false;
    bool m_haveIpv6 = false;
    ReportData m_data;
};

} // namespace

TimeSpan ReportData::Range() const
{
    if (history.periods.empty()) {
        return {};
    }
    return {history.periods.front().start, history.periods.back().end};
}

ReportData GatherReport(const std::string& logPath, const ReportRequest& request)
{
    ReportOptions familyOptions;
    familyOptions.by = PeriodLength::Day;
    familyOptions.from = request.from;
    familyOptions.to = request.to;
    ReportOptions options = familyOptions;
    // The timeline draws the unknown time, all the time that is not known.
    options.knownFrom = std::numeric_limits<std::int64_t>::min();
    ReportSink sink(options, familyOptions);
    HistoryReadSummary read = ReadHistory(logPath, TextLogForms(), sink);
    return sink.Finish(std::move(read), request);
}

} // namespace pellavane
