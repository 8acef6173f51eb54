#include "engine/log_commands/log_commands.h"

#include "core/guarded_handler.h"
#include "engine/log_commands/log_file_io.h"
#include "engine/monitor/journal.h"
#include "engine/monitor/recorder.h"

namespace pellavane {

std::string HelpUrl(const std::string& helpHost)
{
    return "http://" + helpHost + "/tessaroot/help/";
}

void LogCommands::PushButton1_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton1_Click"));
    std::string path;
    if (h.Test(100, [&] {
            path = m_controls.text1.Text();
            return FileExists(path);
        })) {
        h.Step(102, [&] { m_controls.launcher.OpenInTextViewer(path); });
    } else {
        h.Step(104, [&] { m_controls.boxes.Inform(kNoHistoryMessage); });
    }
}

void LogCommands::PushButton2_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton2_Click"));
    std::string path;
    if (!h.Test(100, [&] {
            path = m_controls.text1.Text();
            return FileExists(path);
        })) {
        return;
    }
    std::string content;
    bool loaded = false;
    h.Step(102, [&] {
        content = ReadWholeFile(path);
        loaded = true;
    });
    // A file that could not be read must not wipe what the user had on the clipboard.
    if (loaded) {
        h.Step(108, [&] { m_controls.clipboard.SetText(content); });
    }
}

void LogCommands::PushButton3_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton3_Click"));
    h.Step(100, [&] { m_controls.launcher.OpenUrl(HelpUrl(m_controls.helpHost)); });
}

void LogCommands::PushButton4_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton4_Click"));
    // Only a Yes deletes: a question that could not be asked is no consent to lose the history.
    bool yes = false;
    h.Step(100, [&] { yes = m_controls.boxes.AskYesNo(kClearQuestion); });
    if (!yes) {
        return;
    }
    h.Step(102, [&] {
        const std::string log = m_controls.text1.Text();
        RemoveFile(log, m_controls.pump);
        // The journal goes with its log, but never a file of someone else's that sits at its path.
        if (!log.empty() && IsJournalFile(JournalPath(log))) {
            RemoveFile(JournalPath(log), {});
        }
    });
    h.Step(104, [&] { m_controls.listView1.RemoveAllRows(); });
}

void LogCommands::PushButton7_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton7_Click"));
    std::string fileName;
    std::string title;
    std::string filter;
    h.Step(100, [&] { fileName.clear(); });
    h.Step(102, [&] { title = kLogFileDialogTitle; });
    h.Step(104, [&] { filter = kLogFileDialogFilter; });
    h.Step(106, [&] { fileName = m_controls.dialog.ChooseFile(title, filter); });
    if (h.Test(108, [&] { return !fileName.empty(); })) {
        h.Step(110, [&] { m_controls.text1.SetText(fileName); });
    }
}

} // namespace pellavane
