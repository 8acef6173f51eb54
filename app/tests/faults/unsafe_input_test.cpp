// Paths full of shell metacharacters, end to end: what is stored or handed on reads back as the
// exact path, and nothing in them is ever run.
#include "app/tests/faults/fault_support.h"

#include "autostart/startup_xdg.h"
#include "engine/log_commands/log_commands.h"
#include "testsupport/desktop_fakes.h"
#include "testsupport/monitor_fakes.h"
#include "testsupport/recording_reporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace pellavane {
namespace {

namespace fs = std::filesystem;
using namespace pellavane::testing;

// Each would leave a file named "ran" behind if any shell saw it.
const std::string kHostileName = "it's a $(touch ran) `touch ran` \"q\" \\ 50% ; touch ran | & > ~ *.txt";

/** The value of a desktop entry's string key as a reader decodes it: \s, \n, \t, \r and \\. */
std::string DecodeStringValue(const std::string& value)
{
    std::string decoded;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            decoded += next == 's'   ? ' '
                       : next == 'n' ? '\n'
                       : next == 't' ? '\t'
                       : next == 'r' ? '\r'
                                     : next;
        } else {
            decoded += value[i];
        }
    }
    return decoded;
}

/** The arguments of an Exec value as a launcher splits them: blanks separate, double quotes group
 *  with \" \` \$ \\ escaped inside them, and %% anywhere stands for %. */
std::vector<std::string> SplitExec(const std::string& exec)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
            current += '%';
            inArgument = true;
            ++i;
        } else if (quoted) {
            if (c == '\\' && i + 1 < exec.size() &&
                std::string("\"`$\\").find(exec[i + 1]) != std::string::npos) {
                current += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == ' ') {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            quoted = inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

TEST(UnsafeInput, AutostartEntryOfAProgramInAHostileFolderReadsBackAsExactlyItsPath)
{
    Sandbox sandbox;
    ScopedEnv config("XDG_CONFIG_HOME", sandbox.ConfigHome());
    const std::string program = sandbox.File(kHostileName) + "/pellavane";
    XdgStartupEntry entry(program);
    entry.Add();

    std::istringstream text(ReadFile(entry.EntryPath()));
    std::string line;
    std::vector<std::string> exec;
    while (std::getline(text, line)) {
        if (line.rfind("Exec=", 0) == 0)
            exec = SplitExec(DecodeStringValue(line.substr(5)));
    }
    ASSERT_EQ(exec.size(), 1U);
    EXPECT_EQ(exec.front(), program);
}

TEST(UnsafeInput, ClearOfAHostileLogNameDeletesThatFileAloneAndRunsNothing)
{
    Sandbox sandbox;
    const fs::path folder = sandbox.Folder().Path() / "logs";
    fs::create_directory(folder);
    const fs::path log = folder / kHostileName;
    WriteFile(log.string(), "a line\r\n");
    // What a shell would match or reach: the glob, the redirection's target, the words.
    for (const char* sibling : {"other.txt", "a", "touch", "q"}) {
        WriteFile((folder / sibling).string(), "keep");
    }

    FakeTextBox text1;
    text1.text = log.string();
    CountingList list;
    FakeBoxes boxes;
    boxes.answer = true;
    FakeDialog dialog;
    FakeLauncher launcher;
    FakeClipboard clipboard;
    RecordingReporter reporter;
    LogCommands commands({text1, list, boxes, dialog, launcher, clipboard, {}, reporter, "help.invalid"});
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    commands.PushButton4_Click();
    fs::current_path(before);

    EXPECT_FALSE(fs::exists(log));
    for (const char* sibling : {"other.txt", "a", "touch", "q"}) {
        EXPECT_TRUE(fs::exists(folder / sibling)) << sibling;
    }
    EXPECT_FALSE(fs::exists(folder / "ran"));
    EXPECT_TRUE(reporter.reports.empty());
}

} // namespace
} // namespace pellavane
