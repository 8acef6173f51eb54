#include "app/desktop/desktop_notifier_dbus.h"
#include "app/desktop/desktop_notifier.h"
#include "tray/tray_status.h"

namespace pellavane {
namespace {

/** The D-Bus notifier with the balloon it falls back to. */
class SessionBusNotifier : public INotifier
{
public:
    explicit SessionBusNotifier(ITrayShell& tray)
        : m_balloon(tray), m_dbus(QDBusConnection::sessionBus(), m_balloon)
    {}
    void Show(const Notice& notice) override { m_dbus.Show(notice); }

private:
    TrayMessageNotifier m_balloon;
    DBusNotifier m_dbus;
};

} // namespace

std::unique_ptr<INotifier> MakeDesktopNotifier(ITrayShell& tray)
{
    return std::make_unique<SessionBusNotifier>(tray);
}

} // namespace pellavane
