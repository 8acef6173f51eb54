#include "app/desktop/sleep_source_logind.h"
#include "app/desktop/sleep_source.h"

namespace pellavane {

std::unique_ptr<QObject> WatchPlatformSleep(ISleepListener& listener)
{
    // The system bus as libdbus finds it: DBUS_SYSTEM_BUS_ADDRESS when set, the standard socket else.
    return std::make_unique<LogindSleepSource>(listener, QDBusConnection::systemBus());
}

} // namespace pellavane
