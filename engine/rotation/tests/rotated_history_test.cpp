#include "engine/history/history_report.h"
#include "engine/history/journal_format.h"
#include "engine/history/outages.h"
#include "engine/monitor/journal.h"
#include "engine/quality/quality_report.h"

#include "engine/history/tests/history_test_helpers.h"
#include "testsupport/gzip_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

constexpr int kStep = 600;
constexpr int kDays = 45;

// Forty-five days of checks ten minutes apart, as the program writes them: a half-hour outage every
// three and a half days, a restart now and then, and the first target's echoes after each connected
// check in the journal. One entry a check: its line, or its rows written together.
std::vector<std::string> History(bool journal)
{
    std::vector<std::string> entries;
    const std::int64_t start = Local(2026, 9, 1);
    for (std::int64_t t = start; t < start + kDays * 86400LL; t += kStep) {
        const std::int64_t i = (t - start) / kStep;
        const bool connected = i % 504 < 250 || i % 504 > 252;
        if (!journal) {
            entries.push_back(TextLine(t, connected));
            continue;
        }
        std::string rows;
        if (i % 2000 == 0) {
            rows += FormatJournalRow(StartRow(static_cast<std::time_t>(t), kStep)) + "\r\n";
        }
        const std::string rtt = std::to_string(10 + i % 7) + ".5";
        rows +=
            FormatJournalRow(JournalRow{static_cast<std::time_t>(t), HistoryEvent::Check,
                                        connected ? "connected" : "disconnected", connected ? rtt : "",
                                        connected ? "192.0.2.1" : "", connected ? "" : "targets silent"}) +
            "\r\n";
        if (connected) {
            rows += FormatJournalRow(JournalRow{static_cast<std::time_t>(t), HistoryEvent::Echoes, "", "",
                                                "192.0.2.1",
                                                "sent=3 lost=" + std::string(i % 5 == 0 ? "1" : "0") +
                                                    " rtt=" + rtt + " 11.25" + (i % 5 == 0 ? "" : " 12")}) +
                    "\r\n";
        }
        if (i % 2000 == 1999) {
            rows += FormatJournalRow(StopRow(static_cast<std::time_t>(t + 1))) + "\r\n";
        }
        entries.push_back(rows);
    }
    return entries;
}

std::string Joined(const std::vector<std::string>& entries, std::size_t from, std::size_t to, bool journal)
{
    std::string text = journal ? std::string(kJournalHeader) + "\r\n" : std::string();
    for (std::size_t i = from; i < to; ++i) {
        text += entries[i];
    }
    return text;
}

struct Reports
{
    std::string outages;
    std::string uptime;
    std::string quality;
    HistoryReadSummary summary;
};

Reports ReportsOf(const std::string& log)
{
    Reports r;
    ReportOptions options;
    options.by = PeriodLength::Day;
    const HistoryReport report = AnalyseHistory(log, options, &r.summary);
    r.outages = OutagesText(report.outages, ReportFormat::Csv);
    r.uptime = UptimeText(report.periods, ReportFormat::Csv);
    r.quality = QualityText(AnalyseQuality(log, options), ReportFormat::Csv);
    return r;
}

// The names logrotate gives the three pieces of a file, oldest first: two cut off and the file still
// written.
struct Naming
{
    const char* what;
    const char* oldest;
    const char* middle;
};

constexpr Naming kNamings[] = {
    {"numbered, delaycompress", ".2.gz", ".1"},
    {"dateext, delaycompress", "-20261001.gz", "-20261101"},
    {"numbered, both compressed", ".2.gz", ".1.gz"},
};

class RotatedHistoryTest : public ::testing::Test
{
protected:
    // The file the history is in: the journal beside the log, or the log itself.
    std::string HistoryFile(const TempFolder& folder, bool journal) const
    {
        return journal ? JournalPath(folder.File("Pellavane.txt")) : folder.File("Pellavane.txt");
    }

    // Writes the history cut in three at thirds of its checks; each piece of a journal begins with its
    // header, as the program writes it into a file rotated away.
    void WritePieces(const TempFolder& folder, bool journal, const Naming& naming,
                     const std::vector<std::string>& entries) const
    {
        const std::string file = HistoryFile(folder, journal);
        const std::size_t a = entries.size() / 3, b = entries.size() * 2 / 3;
        const std::string pieces[] = {Joined(entries, 0, a, journal), Joined(entries, a, b, journal)};
        const char* names[] = {naming.oldest, naming.middle};
        for (int i = 0; i < 2; ++i) {
            const std::string name = names[i];
            const bool gzip = name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0;
            WriteFile(file + name, gzip ? GzipText(pieces[i]) : pieces[i]);
        }
        WriteFile(file, Joined(entries, b, entries.size(), journal));
    }

    const ScopedTimeZone m_zone{"UTC0"};
};

TEST_F(RotatedHistoryTest, ReportsOverRotatedPiecesEqualThoseOfTheUncutFile)
{
    for (const bool journal : {true, false}) {
        const std::vector<std::string> entries = History(journal);
        TempFolder uncut;
        WriteFile(HistoryFile(uncut, journal), Joined(entries, 0, entries.size(), journal));
        const Reports whole = ReportsOf(uncut.File("Pellavane.txt"));
        ASSERT_GT(std::count(whole.outages.begin(), whole.outages.end(), '\n'), 10);
        for (const Naming& naming : kNamings) {
            SCOPED_TRACE(std::string(journal ? "journal, " : "text log, ") + naming.what);
            TempFolder cut;
            WritePieces(cut, journal, naming, entries);
            const Reports pieces = ReportsOf(cut.File("Pellavane.txt"));
            EXPECT_EQ(pieces.outages, whole.outages);
            EXPECT_EQ(pieces.uptime, whole.uptime);
            EXPECT_EQ(pieces.quality, whole.quality);
            EXPECT_EQ(pieces.summary.journalRows, whole.summary.journalRows);
            EXPECT_EQ(pieces.summary.textLines, whole.summary.textLines);
            EXPECT_EQ(pieces.summary.notUnderstood, 0u);
            EXPECT_TRUE(pieces.summary.notes.empty());

            // Just after a rotation, before the next check, the file itself is not there.
            std::filesystem::remove(HistoryFile(cut, journal));
            EXPECT_NO_THROW(ReportsOf(cut.File("Pellavane.txt")));
        }
    }
}

struct Damage
{
    const char* what;
    std::string (*apply)(std::string gzip);
};

TEST_F(RotatedHistoryTest, ADamagedPieceIsNamedAndThePiecesAfterItAreStillCounted)
{
    const Damage damages[] = {
        {"cut short", [](std::string gz) { return gz.substr(0, gz.size() / 2); }},
        {"bytes overwritten", [](std::string gz) { return gz.replace(gz.size() / 2, 64, 64, '\x5a'); }},
        {"its trailer wrong", [](std::string gz) { return gz.replace(gz.size() - 8, 4, 4, '\0'); }},
        {"not gzip at all", [](std::string) { return std::string("time,event\r\nplain text\r\n"); }},
        {"empty", [](std::string) { return std::string(); }},
    };
    const std::vector<std::string> entries = History(true);
    TempFolder uncut;
    WriteFile(JournalPath(uncut.File("Pellavane.txt")), Joined(entries, 0, entries.size(), true));
    const Reports whole = ReportsOf(uncut.File("Pellavane.txt"));
    const std::size_t rowsAfter = entries.size() - entries.size() / 3;
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        TempFolder cut;
        WritePieces(cut, true, kNamings[0], entries);
        const std::string damaged = JournalPath(cut.File("Pellavane.txt")) + ".2.gz";
        WriteFile(damaged, damage.apply(ReadFile(damaged)));
        Reports pieces;
        ASSERT_NO_THROW(pieces = ReportsOf(cut.File("Pellavane.txt")));
        ASSERT_EQ(pieces.summary.notes.size(), 1u);
        EXPECT_NE(pieces.summary.notes[0].find("'" + damaged + "' is damaged"), std::string::npos)
            << pieces.summary.notes[0];
        EXPECT_GE(pieces.summary.journalRows, rowsAfter);
        // The last weeks are in the later pieces and are reported as the whole file reports them.
        const std::string lastOutage =
            whole.outages.substr(whole.outages.rfind('\n', whole.outages.size() - 2));
        EXPECT_NE(pieces.outages.find(lastOutage), std::string::npos);
        EXPECT_EQ(pieces.uptime.substr(pieces.uptime.size() - 200),
                  whole.uptime.substr(whole.uptime.size() - 200));
    }
}

} // namespace
} // namespace pellavane
