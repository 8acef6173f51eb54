#pragma once

#include "engine/check/cmd_output.h"

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

/** True when the last-change time of path can be read; false for a missing file, an empty path or an
 *  invalid name. Never throws. */
bool FileExists(const std::string& path);

/** Deletes the file at path with the ordinary delete, and when that fails with ForceDeleteFile.
 *  Lets queued events run first. Never reports; a folder is never removed. */
void RemoveFile(const std::string& path, const EventPump& pump);

/** Deletes a file the ordinary delete could not remove, such as a read-only one. Never throws. */
void ForceDeleteFile(const std::string& path);

/** The whole content of the file at path; throws std::runtime_error naming the path and the reason. */
std::string ReadWholeFile(const std::string& path);

/** A "desc|pattern|desc|pattern|" filter in the form Qt's file dialogs take ("desc;;desc"). */
std::string QtFileDialogFilter(const std::string& pipeFilter);

/** The address of the online help page on helpHost. */
std::string HelpUrl(const std::string& helpHost);

/** The log-file box Text1. */
class ITextBox
{
public:
    virtual ~ITextBox() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
};

/** Message boxes captioned with the application title and showing no icon. */
class IMessageBoxes
{
public:
    virtual ~IMessageBoxes() = default;
    /** A message with an OK button only. */
    virtual void Inform(const std::string& text) = 0;
    /** A question with Yes and No buttons; true when the answer is Yes. */
    virtual bool AskYesNo(const std::string& text) = 0;
};

/** The open-file dialog, modal to the main window. */
class IFileDialog
{
public:
    virtual ~IFileDialog() = default;
    /** The full path chosen (a file that does not exist yet included), or empty when cancelled. */
    virtual std::string ChooseFile(const std::string& title, const std::string& pipeFilter) = 0;
};

/** Starts programs outside Pellavane without a shell, so no text of ours is ever run as a command. */
class IDesktopLauncher
{
public:
    virtual ~IDesktopLauncher() = default;
    /** Opens path in the system's text viewer without waiting for it; throws when none starts. */
    virtual void OpenInTextViewer(const std::string& path) = 0;
    /** Opens url in the default browser; whether that worked is not reported. */
    virtual void OpenUrl(const std::string& url) = 0;
};

class IClipboard
{
public:
    virtual ~IClipboard() = default;
    /** Replaces the clipboard's content with text as plain text. */
    virtual void SetText(const std::string& text) = 0;
};

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
