#pragma once

// The services the main window is handed, as small fakes that only record what they are asked.

#include "autostart/startup_entry.h"
#include "core/guarded_handler.h"
#include "engine/check/probe.h"
#include "engine/log_commands/log_commands.h"
#include "engine/monitor/recorder.h"
#include "tray/sys_tray.h"

#include <string>
#include <vector>

namespace pellavane::testing {

struct RecordingReporter : IErrorReporter
{
    struct Report
    {
        std::string tag;
        int line;
        std::string description;
    };
    std::vector<Report> reports;
    void ReportError(const std::string& tag, int line, const std::string& description) override
    {
        reports.push_back({tag, line, description});
    }
};

struct AnsweringVerdict : IConnectivityVerdict
{
    bool IsInternetConnected() override { return true; }
};

struct FixedClock : IClock
{
    std::time_t Now() override { return 1'790'000'000; }
};

struct SilentBoxes : IMessageBoxes
{
    void Inform(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
};

struct CancelledDialog : IFileDialog
{
    std::string ChooseFile(const std::string&, const std::string&) override { return {}; }
};

struct NoLauncher : IDesktopLauncher
{
    void OpenInTextViewer(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
};

struct NoClipboard : IClipboard
{
    void SetText(const std::string&) override {}
};

struct NoTrayShell : ITrayShell
{
    void ShowIcon(const TrayPicture&, const std::string&) override {}
    void SetIcon(const TrayPicture&) override {}
    void SetTip(const std::string&) override {}
    void HideIcon() override {}
    void ShowMessage(const std::string&, const std::string&, std::uint32_t) override {}
    void HideMessage() override {}
    void SetEvents(TrayShellEvents) override {}
};

struct NoStartupEntry : IStartupEntry
{
    void Add() override {}
    void Remove() override {}
};

} // namespace pellavane::testing
