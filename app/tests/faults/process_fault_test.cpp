// The console mode as a separate process: killed at any moment, and two of it on one log.
#include "app/tests/faults/fault_support.h"

#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <thread>

#include <sys/wait.h>

namespace pellavane {
namespace {

using namespace pellavane::testing;
using namespace std::chrono_literals;

TEST(CrashSafety, KilledAtRandomMomentsLeavesOnlyWholeLinesAndReadableSettings)
{
    Sandbox sandbox;
    const std::string log = sandbox.File("history.txt");
    WriteFile(sandbox.SettingsFile(), "[Pellavane]\nOftenIndex=1\nText1=" + log +
                                          "\nStartStopState=On\nWindows%20Startup=Off\nMinimized=Off\n");
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Most kills land around the start and its first record; every fifth one around the record of
    // the first tick, a second later.
    std::uniform_int_distribution<int> early(0, 300);
    std::uniform_int_distribution<int> atTick(900, 1300);
    const int kills = Scaled(50, 5);
    for (int i = 0; i < kills; ++i) {
        // Half the runs take the interval and log from the settings file, half from the command line.
        const pid_t pid = i % 2 == 0 ? sandbox.Start({"--console"})
                                     : sandbox.Start({"--console", "--interval", "1s", "--log", log});
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 5 == 4 ? atTick(random) : early(random)));
        ::kill(pid, SIGKILL);
        const int status = WaitFor(pid);
        ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << "run " << i << " ended with status " << status;
    }

    const std::string text = ReadFile(log);
    EXPECT_TRUE(OnlyWholeStatusLines(text));
    std::printf("%d kills left %d whole lines\n", kills, LineCount(text));
    QSettings settings(QString::fromStdString(sandbox.SettingsFile()), QSettings::IniFormat);
    EXPECT_EQ(settings.status(), QSettings::NoError);
    EXPECT_EQ(settings.value("Pellavane/OftenIndex").toString(), QStringLiteral("1"));
    EXPECT_EQ(settings.value("Pellavane/Text1").toString().toStdString(), log);
    EXPECT_EQ(settings.value("Pellavane/StartStopState").toString(), QStringLiteral("On"));
}

TEST(TwoWriters, TwoConsolesOnOneLogNeverInterleaveOrTearALine)
{
    Sandbox sandbox;
    const std::string log = sandbox.File("shared.txt");
    const std::vector<std::string> arguments{"--console", "--interval", "1s", "--log", log};
    const pid_t first = sandbox.Start(arguments);
    const pid_t second = sandbox.Start(arguments);
    std::this_thread::sleep_for(3500ms);
    ::kill(first, SIGTERM);
    ::kill(second, SIGTERM);
    for (const pid_t pid : {first, second}) {
        const int status = WaitFor(pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    const std::string text = ReadFile(log);
    EXPECT_TRUE(OnlyWholeStatusLines(text));
    // Each records at once and then once a second: three ticks in 3.5 s, less on a loaded machine.
    EXPECT_GE(LineCount(text), 4) << text;
}

} // namespace
} // namespace pellavane
