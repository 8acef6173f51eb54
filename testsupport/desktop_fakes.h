#pragma once

#include "engine/log_commands/clipboard.h"
#include "engine/log_commands/desktop_launcher.h"
#include "engine/log_commands/file_dialog.h"
#include "engine/log_commands/message_boxes.h"

#include <stdexcept>
#include <string>
#include <vector>

// Recording stand-ins for the window and the desktop the log commands reach: the log path box,
// message boxes, the file dialog, the viewer and browser, the clipboard.

namespace pellavane::testing {

/** The log path box, with the number of times the program wrote it. */
struct FakeTextBox : ITextBox
{
    std::string text;
    int writes = 0;
    std::string Text() const override { return text; }
    void SetText(const std::string& t) override
    {
        text = t;
        ++writes;
    }
};

struct FakeBoxes : IMessageBoxes
{
    std::vector<std::string> shown;
    bool answer = false;
    void Inform(const std::string& text) override { shown.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        shown.push_back(text);
        return answer;
    }
};

struct FakeDialog : IFileDialog
{
    std::string result;
    std::string title;
    std::string filter;
    int calls = 0;
    std::string suggested;
    std::string ChooseFile(const std::string& t, const std::string& f) override
    {
        ++calls;
        title = t;
        filter = f;
        return result;
    }
    std::string ChooseFileToSave(const std::string& t, const std::string& f, const std::string& name) override
    {
        suggested = name;
        return ChooseFile(t, f);
    }
};

struct FakeLauncher : IDesktopLauncher
{
    std::vector<std::string> viewed;
    std::vector<std::string> urls;
    bool viewerMissing = false;
    void OpenInTextViewer(const std::string& path) override
    {
        if (viewerMissing) {
            throw std::runtime_error("no viewer");
        }
        viewed.push_back(path);
    }
    void OpenUrl(const std::string& url) override { urls.push_back(url); }
};

struct FakeClipboard : IClipboard
{
    std::vector<std::string> texts;
    void SetText(const std::string& text) override { texts.push_back(text); }
};

} // namespace pellavane::testing
