#pragma once

// The start-up check boxes: Check4 starts the program at log-on, Check8 (offered only with Check4)
// starts it hidden in the tray.

#include <functional>
#include <string>

namespace pellavane {

class IStartupEntry;
class ISettingsStore;

/** Shows the user a message (the same alias as the tray's, so one function serves both). */
using TellUser = std::function<void(const std::string& message)>;

/** A check box of the main window. */
class ICheckBox
{
public:
    virtual ~ICheckBox() = default;
    /** 1 when ticked, 0 when not. */
    virtual int Value() const = 0;
    /** Changing the value runs the box's click handling, as a click by the user does (in Qt: the
     *  handler is connected to toggled, not clicked). */
    virtual void SetValue(int value) = 0;
    virtual void SetVisible(bool visible) = 0;
};

class StartupOptions
{
public:
    /** startupInProgress reads the window's StartupInProgress flag. */
    StartupOptions(ICheckBox& check4, ICheckBox& check8, IStartupEntry& entry, ISettingsStore& settings,
                   std::function<bool()> startupInProgress, TellUser tellUser);

    /** Check4's click handler, run on every change of the box. */
    void Check4_Click();

    /** The message shown when no start-at-log-on entry could be written; reason follows it. */
    static constexpr const char* kAddFailedText = "Pellavane cannot be set to start at log-on.\r\n";

private:
    void TurnOff();
    void Save(bool on);

    ICheckBox& m_check4;
    ICheckBox& m_check8;
    IStartupEntry& m_entry;
    ISettingsStore& m_settings;
    std::function<bool()> m_startupInProgress;
    TellUser m_tellUser;
    bool m_undoingTick = false;
};

} // namespace pellavane
