#pragma once

// Outline of the tray icon control as the main window uses it; completed in tray/.

#include <cstdint>
#include <functional>
#include <string>

namespace pellavane {

class cSysTray
{
public:
    std::string TrayTip() const;
    void SetTrayTip(const std::string& tip);
    bool InTray() const;
    void SetInTray(bool show);
    /** showTimer in seconds; 0 or less means no timeout and no wait. */
    void ShowBalloon(const std::string& tip, const std::string& title, std::int32_t showTimer, bool showOnce);

    std::function<void(std::int32_t& id)> MouseMove;
    std::function<void(std::int16_t& button, std::int32_t& id)> MouseDown;
    std::function<void(std::int16_t& button, std::int32_t& id)> MouseUp;
    std::function<void(std::int16_t& button, std::int32_t& id)> MouseDblClick;
};

} // namespace pellavane
