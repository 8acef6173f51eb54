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

cSysTray::cSysTray(ITrayShell& shell, EventPump pump, SecondsClock clock, TrayPicture icon)
    : m_shell(shell), m_pump(std::move(pump)),
      m_clock(clock ? std::move(clock) : SecondsClock(SteadySeconds)), m_trayIcon(std::move(icon))
{}

cSysTray::~cSysTray()
{
    // The icon must not outlive the control that answers its clicks.
    if (m_inTray) {
        m_inTray = false;
        if (m_installed) {
            Uninstall();
        }
    }
}

void cSysTray::Install()
{
    m_shell.SetEvents({[this](TrayButton button) { Activated(button); }, [this] { m_balloonUp = false; }});
    m_shell.ShowIcon(m_trayIcon,
                     m_trayTip.empty() ? std::string() : CutToCharacters(m_trayTip, kMaxTipChars));
    m_installed = true;
}

void cSysTray::Uninstall()
{
    m_shell.HideIcon();
    m_shell.SetEvents({});
    m_installed = false;
    // A balloon goes with its icon. Its wait must end here: the icon is removed by the close, which
    // would otherwise take effect only when the wait was over.
    m_balloonUp = false;
}

void cSysTray::Activated(TrayButton button)
{
    // A middle click raises nothing, as on the shell that numbers only the left and right buttons.
    if (button == TrayButton::Middle || !MouseUp) {
        return;
    }
    auto number = static_cast<std::int16_t>(button);
    auto id = static_cast<std::int32_t>(m_id);
    MouseUp(number, id);
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
        m_shell.SetIcon(icon);
    }
    m_trayIcon = icon;
}

std::string cSysTray::TrayTip() const
{
    return m_trayTip;
}

void cSysTray::SetTrayTip(const std::string& tip)
{
    if (m_installed) {
        m_shell.SetTip(CutToCharacters(tip, kMaxTipChars));
    }
    m_trayTip = tip;
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
    m_shell.ShowMessage(CutToCharacters(title, kMaxInfoTitleChars), CutToCharacters(tip, kMaxInfoChars),
                        showTimer > 0 ? static_cast<std::uint32_t>(showTimer) * 1000U : 0U);

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
        if (m_balloonUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (m_balloonUp) {
        m_shell.HideMessage();
    }
}

} // namespace pellavane
