#include "tray/tray_status.h"

#include "testsupport/test_files.h"
#include "testsupport/tray_fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::RecordingShell;
using Op = RecordingShell::Op;

constexpr std::time_t kAt = 1'796'701'517; // 2026-12-08T03:45:17Z

MonitorState Logging(std::optional<bool> connected, std::time_t since = kAt, const char* degraded = nullptr)
{
    MonitorState state;
    state.logging = true;
    if (degraded != nullptr) {
        state.degraded = true;
        state.degradedReason.brief = degraded;
    }
    if (connected) {
        state.lastCheck = CheckResult{};
        state.lastCheck->connected = *connected;
    }
    state.statusSince = since;
    return state;
}

TEST(TrayLookTest, MarkAndTipFollowTheState)
{
    const testing::ScopedTimeZone utc("UTC0");
    MonitorState off = Logging(true);
    off.logging = false;
    const struct
    {
        MonitorState state;
        std::time_t now;
        TrayLook look;
        std::optional<FamilyChange> lost = std::nullopt;
    } cases[] = {
        {off, kAt, {TrayMark::Idle, "Pellavane: Automatic Log is Off."}},
        {Logging(std::nullopt), kAt, {TrayMark::Idle, "Pellavane"}},
        {Logging(true), kAt + 7200, {TrayMark::Connected, "Pellavane: Connected since 03:45"}},
        {Logging(true, kAt, "loss 12%"),
         kAt + 7200,
         {TrayMark::Degraded, "Pellavane: Connected since 03:45, degraded: loss 12%"}},
        {Logging(true),
         kAt + 7200,
         {TrayMark::Connected, "Pellavane: Connected since 03:45, IPv6 lost at 04:45; IPv4 works"},
         FamilyChange{AddressFamily::V6, true, kAt + 3600}},
        {Logging(true, kAt, "loss 12%"),
         kAt + 86400,
         {TrayMark::Degraded, "Pellavane: Connected since 2026-12-08 03:45, IPv4 lost at 2026-12-08 04:45; "
                              "IPv6 works, degraded: loss 12%"},
         FamilyChange{AddressFamily::V4, true, kAt + 3600}},
        {Logging(false), kAt + 59, {TrayMark::Disconnected, "Pellavane: Disconnected for 59 s"}},
        {Logging(false), kAt + 3 * 60 + 59, {TrayMark::Disconnected, "Pellavane: Disconnected for 3 min"}},
        {Logging(false), kAt + 7500, {TrayMark::Disconnected, "Pellavane: Disconnected for 2 h 5 min"}},
        {Logging(false),
         kAt + 2 * 86400 + 3600,
         {TrayMark::Disconnected, "Pellavane: Disconnected for 2 d 1 h"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayLookFor(c.state, c.now, c.lost), c.look) << c.look.tip;
    }
}

TEST(TrayStatusTest, TellsTheTrayAndTheWindowOnlyOfChanges)
{
    RecordingShell shell;
    cSysTray tray(shell);
    tray.SetInTray(true);
    MonitorState state = Logging(true);
    std::time_t now = kAt;
    std::vector<TrayMark> windowMarks;
    TrayStatus status(
        tray, TrayPicture{":/q.png"}, [&] { return state; }, [&] { return now; },
        [&](const TrayPicture& p) { windowMarks.push_back(p.mark); });
    shell.calls.clear();

    status.CheckRecorded({});
    status.Update();
    state = Logging(false, now += 60);
    status.CheckRecorded({});
    now += 30;
    status.Update();
    now += 40;
    status.Update();

    EXPECT_EQ(windowMarks, (std::vector<TrayMark>{TrayMark::Connected, TrayMark::Disconnected}));
    EXPECT_EQ(shell.Count(Op::SetIcon), 2);
    // Connected since, disconnected for 0 s and 30 s, then 1 min.
    EXPECT_EQ(shell.Count(Op::SetTip), 4);
    EXPECT_EQ(tray.TrayIcon(), (TrayPicture{":/q.png", TrayMark::Disconnected}));
}

TEST(TrayStatusTest, TheTipNamesTheFamilyLostUntilItIsBack)
{
    const testing::ScopedTimeZone utc("UTC0");
    RecordingShell shell;
    cSysTray tray(shell);
    tray.SetInTray(true);
    const MonitorState state = Logging(true);
    TrayStatus status(
        tray, TrayPicture{":/q.png"}, [&] { return state; }, [] { return kAt + 60; });
    CheckResult check;
    check.time = kAt + 60;
    check.connected = true;
    check.families = {{AddressFamily::V4, true, "", 9.5, "192.0.2.7"},
                      {AddressFamily::V6, false, "provider", {}, ""}};
    status.CheckRecorded(check);
    EXPECT_EQ(status.Look(), (TrayLook{TrayMark::Connected,
                                       "Pellavane: Connected since 03:45, IPv6 lost at 03:46; IPv4 works"}));
    check.families[1].connected = true;
    status.CheckRecorded(check);
    EXPECT_EQ(status.Look().tip, "Pellavane: Connected since 03:45");
}

} // namespace
} // namespace pellavane
