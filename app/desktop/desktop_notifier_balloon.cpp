#include "app/desktop/desktop_notifier.h"
#include "tray/tray_status.h"

namespace pellavane {

std::unique_ptr<INotifier> MakeDesktopNotifier(ITrayShell& tray)
{
    return std::make_unique<TrayMessageNotifier>(tray);
}

} // namespace pellavane
