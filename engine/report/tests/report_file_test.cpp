#include "engine/report/report_file.h"

#include "engine/report/tests/report_test_history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace pellavane {
namespace {

using testing::ReportHistory;

std::set<std::string> Names(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        names.insert(entry.path().lexically_relative(folder).string());
    }
    return names;
}

constexpr std::int64_t kStart = 1'796'000'000;

TEST(ReportFileTest, ReplacesTheFileWhole)
{
    const testing::TempFolder folder;
    ReportHistory(kStart).Up(kStart + 60).Write(folder.File("log.txt"));
    {
        std::ofstream(folder.File("report.html")) << "old";
    }
    WriteReportFile(folder.File("log.txt"), {}, {"pc", "1.0", kStart, "192.0.2.1"},
                    folder.File("report.html"));
    std::ifstream in(folder.File("report.html"));
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 8), "</html>\n");
    EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"log.journal.csv", "report.html"}));
}

TEST(ReportFileTest, AFailedWriteNamesTheFileAndTheReasonAndLeavesNothing)
{
    const struct
    {
        const char* name;
        const char* report;
    } cases[] = {
        {"a folder in the file's place", "taken"},
        {"a folder that does not exist", "missing/report.html"},
        {"a file in the folder's place", "plain/report.html"},
    };
    for (const auto& c : cases) {
        const testing::TempFolder folder;
        ReportHistory(kStart).Up(kStart + 60).Write(folder.File("log.txt"));
        std::filesystem::create_directory(folder.Path() / "taken");
        std::ofstream(folder.File("plain")) << "x";
        const auto before = Names(folder.Path());
        const std::string report = folder.File(c.report);
        try {
            WriteReportFile(folder.File("log.txt"), {}, {}, report);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const std::runtime_error& e) {
            // The reason in the system's own words; the program's test checks them on Linux.
            const std::string prefix = "Cannot write the report '" + report + "': ";
            EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
            EXPECT_GT(std::string(e.what()).size(), prefix.size() + 3) << e.what();
        }
        EXPECT_EQ(Names(folder.Path()), before) << c.name;
    }
}

TEST(ReportFileTest, AnUnreadableHistoryWritesNothing)
{
    const testing::TempFolder folder;
    EXPECT_THROW(WriteReportFile(folder.File("log.txt"), {}, {}, folder.File("report.html")),
                 HistoryReadError);
    EXPECT_TRUE(Names(folder.Path()).empty());
}

} // namespace
} // namespace pellavane
