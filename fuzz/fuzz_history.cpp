// A text log and the journal beside it through the reports: outages, uptime per period and
// quality, the whole history's and each address family's, as --outages, --uptime and --quality
// make them. The input is the text log, then, after a line "--journal--", the journal; with no such
// line there is no journal.

#include "engine/history/family_history.h"
#include "engine/history/history_report.h"
#include "engine/history/outages.h"
#include "engine/quality/quality_report.h"

#include "fuzz/fuzz_files.h"

namespace {

constexpr std::string_view kJournalLine = "\n--journal--\n";

// Each run takes one family and one format, chosen by the input's size, so that a run stays short
// enough for many: every analysis begins with a fixed cost (the spacings' histogram of a day).
void Reports(const std::string& logPath, const pellavane::ReportOptions& options, std::size_t size)
{
    using namespace pellavane;
    const ReportFormat format = size / 3 % 3 == 0   ? ReportFormat::Table
                                : size / 3 % 3 == 1 ? ReportFormat::Csv
                                                    : ReportFormat::Json;
    const HistoryReport report = AnalyseHistory(logPath, options);
    OutagesText(report.outages, format);
    OutagesText(LongOutages(MergeOutages(report.outages, 300), 60), format);
    UptimeText(report.periods, format);
    QualityText(AnalyseQuality(logPath, options), format);
    const HistoryReport family =
        AnalyseFamilyHistory(logPath, options, size / 9 % 2 == 0 ? AddressFamily::V4 : AddressFamily::V6);
    OutagesText(family.outages, format);
    UptimeText(family.periods, format);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    pellavane::fuzz::UseTestTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pellavane;
    const std::string_view input = fuzz::Text(data, size);
    const std::size_t split = input.find(kJournalLine);
    const std::string_view text = input.substr(0, split);
    fuzz::RemoveScratchFile("log.journal.csv");
    fuzz::RemoveScratchFile("log.txt");
    if (!text.empty()) {
        fuzz::WriteScratchFile("log.txt", text);
    }
    if (split != std::string_view::npos) {
        fuzz::WriteScratchFile("log.journal.csv", input.substr(split + kJournalLine.size()));
    }
    // A report lists every period of its range, and a history may run from 1970 to 9999: a range of
    // its own bounds each run's work, as --from and --to do, so a run is slow only when the reading is.
    ReportOptions options;
    options.by = size % 3 == 0 ? PeriodLength::Hour : size % 3 == 1 ? PeriodLength::Day : PeriodLength::Month;
    options.from = options.by == PeriodLength::Hour  ? LocalDate{2026, 12, 1}
                   : options.by == PeriodLength::Day ? LocalDate{2026, 10, 1}
                                                     : LocalDate{2025, 1, 1};
    options.to = LocalDate{2026, 12, options.by == PeriodLength::Hour ? 7 : 31};
    try {
        Reports(fuzz::ScratchFolder() + "/log.txt", options, size);
    } catch (const HistoryReadError&) {
        // Neither file is there: the reports say so, as they should.
    }
    return 0;
}
