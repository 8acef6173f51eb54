#include "engine/quality/round_trip_window.h"

#include <gtest/gtest.h>

namespace pellavane {
namespace {

TEST(RoundTripWindow, AfterAClearOnlyNewAnswersCount)
{
    RoundTripWindow window;
    for (int i = 0; i < 20; ++i) {
        window.Add(i, 900);
    }
    ASSERT_TRUE(window.Full());
    window.Clear();
    window.Add(100, 20);
    window.Add(110, 30);
    window.Add(120, 25);
    EXPECT_FALSE(window.Full());
    EXPECT_EQ(window.Median(), 25);
    EXPECT_EQ(window.Span(), 20);
}

} // namespace
} // namespace pellavane
