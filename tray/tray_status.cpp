#include "tray/tray_status.h"

#include "engine/monitor/schedule.h"
#include "settings/display_name.h"

#include <algorithm>
#include <utility>

namespace pellavane {

std::string TipDurationText(std::time_t seconds)
{
    const long long s = std::max<long long>(0, seconds);
    if (s < 60) {
        return std::to_string(s) + " s";
    }
    if (s < 3600) {
        return std::to_string(s / 60) + " min";
    }
    if (s < 86400) {
        return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
    }
    return std::to_string(s / 86400) + " d " + std::to_string(s / 3600 % 24) + " h";
}

TrayLook TrayLookFor(const MonitorState& state, std::time_t now,
                     const std::optional<FamilyChange>& familyLost)
{
    const std::string name = std::string(kDisplayName) + ": ";
    if (!state.logging) {
        return {TrayMark::Idle, name + kLogIsOff};
    }
    if (!state.lastCheck) {
        return {TrayMark::Idle, kDisplayName};
    }
    if (state.lastCheck->connected) {
        std::string tip = name + "Connected since " + ClockTimeText(state.statusSince, now);
        if (familyLost) {
            tip += ", " + FamilyLostText(familyLost->family, ClockTimeText(familyLost->at, now));
        }
        if (state.degraded) {
            return {TrayMark::Degraded, tip + ", degraded: " + state.degradedReason.brief};
        }
        return {TrayMark::Connected, tip};
    }
    return {TrayMark::Disconnected, name + "Disconnected for " + TipDurationText(now - state.statusSince)};
}

TrayStatus::TrayStatus(cSysTray& tray, TrayPicture base, StateSource state, std::function<std::time_t()> now,
                       PictureChanged pictureChanged)
    : m_tray(tray), m_base(std::move(base)), m_state(std::move(state)), m_now(std::move(now)),
      m_pictureChanged(std::move(pictureChanged))
{}

void TrayStatus::Update()
{
    const TrayLook look = TrayLookFor(m_state(), m_now(), m_families.Lost());
    const bool markChanged = !m_shown || look.mark != m_look.mark;
    const bool tipChanged = !m_shown || look.tip != m_look.tip;
    m_look = look;
    m_shown = true;
    if (markChanged) {
        TrayPicture picture = m_base;
        picture.mark = look.mark;
        m_tray.SetTrayIcon(picture);
        if (m_pictureChanged) {
            m_pictureChanged(picture);
        }
    }
    if (tipChanged) {
        m_tray.SetTrayTip(look.tip);
    }
}

void TrayMessageNotifier::Show(const Notice& notice)
{
    m_shell.ShowMessage(CutToCharacters(notice.summary, kMaxInfoTitleChars),
                        CutToCharacters(notice.body, kMaxInfoChars), kShowMs);
}

} // namespace pellavane
