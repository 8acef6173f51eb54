#pragma once

// The services the main window is handed, as small fakes that only record what they are asked.

#include "autostart/startup_entry.h"
#include "engine/log_commands/log_commands.h"
#include "engine/monitor/recorder.h"
#include "testsupport/monitor_fakes.h"
#include "testsupport/recording_reporter.h"
#include "tray/sys_tray.h"

#include <string>

namespace pellavane::testing {

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
