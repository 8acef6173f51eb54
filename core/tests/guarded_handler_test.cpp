#include "core/guarded_handler.h"

#include "testsupport/recording_reporter.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using pellavane::testing::RecordingReporter;
using pellavane::testing::Report;

TEST(ErrorReportText, JoinsThePiecesExactly)
{
    EXPECT_EQ(ErrorReportText("Permission denied", HandlerTag("PushButton7_Click"), 110, "help@example.org"),
              "Permission denied\r\nin Tessaroot2021/08/31.Form1.PushButton7_Click at line 110\r\r"
              "Please email screenshot of this message to help@example.org");
}

TEST(ErrorReportText, EmptyDescriptionGivesAnEmptyFirstLine)
{
    const std::string text = ErrorReportText("", HandlerTag("Form_Load"), 0, "a@b");
    EXPECT_EQ(text.rfind("\r\nin Tessaroot2021/08/31.Form1.Form_Load at line 0\r\r", 0), 0u);
}

TEST(GuardedHandler, FailingStepsAreReportedInOrderAndTheHandlerGoesOn)
{
    RecordingReporter reporter;
    GuardedHandler h(reporter, HandlerTag("PushButton6_Click"));
    std::vector<int> ran;
    EXPECT_EQ(h.Line(), 0);
    h.Step(100, [&] { ran.push_back(100); });
    h.Step(102, [&] { throw std::runtime_error("first"); });
    h.Step(104, [&] { ran.push_back(104); });
    h.Step(106, [&] { throw std::runtime_error(""); });
    h.Step(108, [&] { ran.push_back(108); });

    EXPECT_EQ(ran, (std::vector<int>{100, 104, 108}));
    const std::string tag = "in Tessaroot2021/08/31.Form1.PushButton6_Click ";
    EXPECT_EQ(reporter.reports, (std::vector<Report>{{tag, 102, "first"}, {tag, 106, ""}}));
}

TEST(GuardedHandler, FailingConditionRunsTheBranchItGuardsAndSkipsTheElse)
{
    RecordingReporter reporter;
    GuardedHandler h(reporter, HandlerTag("PushButton1_Click"));
    std::vector<int> ran;
    if (h.Test(100, []() -> bool { throw std::runtime_error("stat failed"); })) {
        h.Step(102, [&] { ran.push_back(102); });
    } else {
        h.Step(104, [&] { ran.push_back(104); });
    }
    EXPECT_EQ(ran, (std::vector<int>{102}));
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line, 100);
}

TEST(GuardedHandler, FailureInTheLastStepEndsTheHandlerAfterOneReport)
{
    RecordingReporter reporter;
    GuardedHandler h(reporter, HandlerTag("Form_QueryUnload"));
    h.Step(106, [] { throw std::logic_error("gone"); });
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line, 106);
    EXPECT_EQ(h.Line(), 106);
}

TEST(GuardedHandler, ExceptionWithoutMessageStillGivesADescription)
{
    RecordingReporter reporter;
    GuardedHandler h(reporter, HandlerTag("Form_Load"));
    h.Step(130, [] { throw 42; });
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_FALSE(reporter.reports[0].description.empty());
}

} // namespace
} // namespace pellavane
