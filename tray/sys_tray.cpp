#include "tray/sys_tray.h"

#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

namespace pellavane {

std::string CutToCharacters(std::string_view text, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool continuation = (byte & 0xC0U) == 0x80U;
        if (!continuation) {
            if (chars == maxChars) {
                return std::string(text.substr(0, i));
            }
            ++chars;
        }
    }
    return std::string(text);
}

double SteadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

cSysTray::cSysTray(ITrayShell& shell, EventPump pump, SecondsClock clock, TrayPicture ownPicture)
    : m_shell(shell), m_pump(std::move(pump)),
      m_clock(clock ? std::move(clock) : SecondsClock(SteadySeconds)), m_ownPicture(std::move(ownPicture))
{}

cSysTray::~cSysTray()
{
    // The host is going away, so it is not told of the change; the icon must not outlive it.
    if (m_inTray) {
        m_inTray = false;
        if (m_installed) {
            Uninstall();
        }
    }
}

NotifyIconData cSysTray::BaseRecord() const
{
    NotifyIconData record;
    record.id = m_id;
    return record;
}

void cSysTray::Notify(const std::string& key)
{
    if (PropertyChanged) {
        PropertyChanged(key);
    }
}

void cSysTray::AddIcon(const std::string& tip, const TrayPicture& icon)
{
    NotifyIconData record = BaseRecord();
    if (icon.IsIcon()) {
        record.icon = icon;
        record.flags |= kNifIcon;
        m_trayIcon = icon;
    }
    if (!tip.empty()) {
        record.tip = CutToCharacters(tip, kMaxTipChars);
        record.flags |= kNifTip;
        m_trayTip = tip;
    }
    record.callbackMessage = kTrayCallbackMessage;
    record.flags |= kNifMessage;
    m_shell.NotifyIcon(kNimAdd, record);
}

void cSysTray::DeleteIcon()
{
    m_shell.NotifyIcon(kNimDelete, BaseRecord());
}

void cSysTray::Install()
{
    m_shell.SetCallback(
        [this](std::int32_t mouseMessage, std::int32_t id) { HandleTrayMessage(mouseMessage, id); });
    AddIcon(m_trayTip, m_trayIcon);
    m_installed = true;
}

void cSysTray::Uninstall()
{
    DeleteIcon();
    m_shell.SetCallback({});
    m_installed = false;
}

TrayPicture cSysTray::TrayIcon() const
{
    return m_trayIcon;
}

void cSysTray::SetTrayIcon(const TrayPicture& icon)
{
    if (!icon.IsIcon()) {
        return;
    }
    if (m_installed) {
        NotifyIconData record = BaseRecord();
        record.flags = kNifIcon;
        record.icon = icon;
        m_shell.NotifyIcon(kNimModify, record);
    }
    m_trayIcon = icon;
    Notify("TrayIcon");
}

std::string cSysTray::TrayTip() const
{
    return m_trayTip;
}

void cSysTray::SetTrayTip(const std::string& tip)
{
    if (m_installed) {
        NotifyIconData record = BaseRecord();
        record.flags = kNifTip;
        record.tip = CutToCharacters(tip, kMaxTipChars);
        m_shell.NotifyIcon(kNimModify, record);
    }
    m_trayTip = tip;
    Notify("TrayTip");
}

bool cSysTray::InTray() const
{
    return m_inTray;
}

void cSysTray::SetInTray(bool show)
{
    if (show == m_inTray) {
        return;
    }
    if (show) {
        Install();
    } else if (m_installed) {
        Uninstall();
    }
    m_inTray = show;
    Notify("InTray");
}

void cSysTray::ShowBalloon(const std::string& tip, const std::string& title, std::int32_t showTimer,
                           bool showOnce)
{
    if (showOnce && m_balloonCount >= 1) {
        return;
    }
    if (showTimer > kMaxShowTimer) {
        throw std::overflow_error("The balloon time of " + std::to_string(showTimer) +
                                  " seconds is too long; at most " + std::to_string(kMaxShowTimer) +
                                  " seconds are possible.");
    }
    NotifyIconData record = BaseRecord();
    record.flags = kNifInfo;
    record.infoTitle = CutToCharacters(title, kMaxInfoTitleChars);
    record.info = CutToCharacters(tip, kMaxInfoChars);
    record.timeoutMs = showTimer > 0 ? static_cast<std::uint32_t>(showTimer) * 1000U : 0U;
    m_shell.NotifyIcon(kNimModify, record);

    m_balloonUp = true;
    if (showOnce) {
        ++m_balloonCount;
    }
    if (showTimer <= 0) {
        return;
    }
    const double start = m_clock();
    while (m_clock() - start < showTimer && m_balloonUp) {
        if (m_pump) {
            m_pump();
        }
        // A pump returns at once when nothing is pending; without a pause the wait would keep a core
        // busy for the whole balloon time.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (m_balloonUp) {
        record.infoTitle.clear();
        record.info.clear();
        m_shell.NotifyIcon(kNimModify, record);
    }
}

void cSysTray::HandleTrayMessage(std::int32_t mouseMessage, std::int32_t id)
{
    const auto raise = [&id](const std::function<void(std::int16_t&, std::int32_t&)>& event,
                             std::int16_t button) {
        if (event) {
            event(button, id);
        }
    };
    switch (mouseMessage) {
    case kWmMouseMove:
        if (MouseMove) {
            MouseMove(id);
        }
        break;
    case kWmLButtonDown:
        raise(MouseDown, 1);
        break;
    case kWmLButtonUp:
        raise(MouseUp, 1);
        break;
    case kWmLButtonDblClk:
        raise(MouseDblClick, 1);
        break;
    case kWmRButtonDown:
        raise(MouseDown, 2);
        break;
    case kWmRButtonUp:
        raise(MouseUp, 2);
        break;
    case kWmRButtonDblClk:
        raise(MouseDblClick, 2);
        break;
    case kNinBalloonHide:
    case kNinBalloonTimeout:
    case kNinBalloonUserClick:
        m_balloonUp = false;
        break;
    default:
        break;
    }
}

void cSysTray::ReadProperties(const TrayStoredProperties& stored)
{
    SetInTray(stored.inTray.value_or(false));
    SetTrayIcon(stored.trayIcon.value_or(m_ownPicture));
    SetTrayTip(stored.trayTip.value_or(kDefaultTrayTip));
}

TrayStoredProperties cSysTray::WriteProperties() const
{
    return TrayStoredProperties{m_inTray, m_trayIcon, m_trayTip};
}

} // namespace pellavane
