#pragma once

#include "core/event_pump.h"
#include "engine/log_commands/clipboard.h"
#include "engine/log_commands/desktop_launcher.h"
#include "engine/log_commands/file_dialog.h"
#include "engine/log_commands/message_boxes.h"
#include "engine/log_commands/text_box.h"

#include <string>

namespace pellavane {

class IErrorReporter;
class IStatusList;

inline constexpr const char* kNoHistoryMessage =
    "There isn't a history to view because actions have not been performed yet.";
inline constexpr const char* kClearQuestion =
    "Are you sure you want to delete the history log and start over?";
inline constexpr const char* kLogFileDialogTitle = "Specify Log File";
inline constexpr const char* kLogFileDialogFilter = "Text File (*.txt)|*.txt|";

/** The address of the online help page on helpHost. */
std::string HelpUrl(const std::string& helpHost);

struct LogCommandControls
{
    ITextBox& text1;
    IStatusList& listView1;
    IMessageBoxes& boxes;
    IFileDialog& dialog;
    IDesktopLauncher& launcher;
    IClipboard& clipboard;
    EventPump pump;
    IErrorReporter& reporter;
    std::string helpHost;
};

/** The commands on the log and its file: view, copy, help, clear, choose. */
class LogCommands
{
public:
    explicit LogCommands(LogCommandControls controls) : m_controls(std::move(controls)) {}

    /** View the log in the text viewer. */
    void PushButton1_Click();
    /** Copy the log to the clipboard. */
    void PushButton2_Click();
    /** Open the online help page. */
    void PushButton3_Click();
    /** Clear the log after a confirmation. */
    void PushButton4_Click();
    /** Choose the log file. */
    void PushButton7_Click();

private:
    LogCommandControls m_controls;
};

} // namespace pellavane
