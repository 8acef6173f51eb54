#include "engine/history/log_date_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

TEST(LogDateFormTest, ReadsEachFormAndRefusesWhatIsNotADate)
{
    LogDateForm::Names names;
    names.months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const LogDateForm us = LogDateForm::UnitedStates();
    const LogDateForm german = LogDateForm::FromStrftime("%d.%m.%y", "%H:%M:%S", names);
    const LogDateForm picture = LogDateForm::FromPicture("d/M/yyyy", "h:mm:ss tt", names);
    const LogDateForm named = LogDateForm::FromStrftime("%e %b %Y", "%r", names);
    struct Case
    {
        const LogDateForm* form;
        std::string text;
        bool reads;
        LocalDateTime expected;
    };
    const std::vector<Case> cases = {
        {&us, "12/08/2026 04:45:17", true, {2026, 12, 8, 4, 45, 17}},
        {&us, "12/8/2026 4:45:17 PM", true, {2026, 12, 8, 16, 45, 17}},
        {&us, "12/8/2026 12:05:00 AM", true, {2026, 12, 8, 0, 5, 0}},
        {&us, "12/08/2026", true, {2026, 12, 8, 0, 0, 0}},
        {&us, "02/29/2027 01:00:00", false, {}},
        {&us, "13/08/2026 01:00:00", false, {}},
        {&us, "12/08/2026 04:45", false, {}},
        {&us, "12/08/2026 04:45:17 x", false, {}},
        {&us, "12/31/1969 23:59:59", false, {}},
        {&us, "12/31/2099 23:59:59", true, {2099, 12, 31, 23, 59, 59}},
        {&us, "01/01/2100 00:00:00", false, {}},
        {&us, "12/08/3663 04:45:17", false, {}},
        {&us, "12/08/99999999999999999999 04:45:17", false, {}},
        {&us, "99/99/2026 99:99:99", false, {}},
        {&german, "08.12.2026 04:45:17", true, {2026, 12, 8, 4, 45, 17}},
        {&german, "12/08/2026 04:45:17", false, {}},
        {&picture, "8/12/2026 4:45:17 PM", true, {2026, 12, 8, 16, 45, 17}},
        {&named, " 8 Dec 2026 04:45:17 AM", true, {2026, 12, 8, 4, 45, 17}},
        {&named, "08 dec 2026 12:00:01 PM", true, {2026, 12, 8, 12, 0, 1}},
    };
    for (const Case& c : cases) {
        LocalDateTime got;
        ASSERT_EQ(c.form->Parse(c.text, got), c.reads) << c.text;
        if (c.reads) {
            EXPECT_EQ(std::vector<int>({got.year, got.month, got.day, got.hour, got.minute, got.second}),
                      std::vector<int>({c.expected.year, c.expected.month, c.expected.day, c.expected.hour,
                                        c.expected.minute, c.expected.second}))
                << c.text;
        }
    }
    EXPECT_FALSE(LogDateForm::FromStrftime("%a %d.%m.%Y", "%H:%M:%S", names).Usable());
    EXPECT_TRUE(CurrentLogDateForm().Usable());
}

} // namespace
} // namespace pellavane
