#pragma once

#include "engine/log_commands/log_commands.h"

#include "testsupport/desktop_fakes.h"
#include "testsupport/monitor_fakes.h"
#include "testsupport/recording_reporter.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace pellavane::testing {

/** The log commands on recording fakes, with the log in a folder of the test's own. */
class LogCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override { text1.text = m_folder.File("history.txt"); }

    void WriteLog(const std::string& content)
    {
        std::ofstream(text1.text, std::ios::binary | std::ios::app) << content;
    }

    FakeTextBox text1;
    CountingList list;
    FakeBoxes boxes;
    FakeDialog dialog;
    FakeLauncher launcher;
    FakeClipboard clipboard;
    RecordingReporter reporter;
    int pumped = 0;
    LogCommands commands{{text1, list, boxes, dialog, launcher, clipboard, [this] { ++pumped; }, reporter,
                          "help.example.org"}};
    TempFolder m_folder;
};

} // namespace pellavane::testing
