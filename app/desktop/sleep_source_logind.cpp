#include "app/desktop/sleep_source_logind.h"

#include "app/desktop/sleep_source.h"
#include "engine/monitor/sleep_watch.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace pellavane {
namespace {

const char* const kService = "org.freedesktop.login1";
const char* const kPath = "/org/freedesktop/login1";
const char* const kInterface = "org.freedesktop.login1.Manager";

} // namespace

std::unique_ptr<QObject> WatchPlatformSleep(ISleepListener& listener)
{
    // The system bus as libdbus finds it: DBUS_SYSTEM_BUS_ADDRESS when set, the standard socket else.
    return std::make_unique<LogindSleepSource>(listener, QDBusConnection::systemBus());
}

Login1Manager::Login1Manager(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(kService, kPath, kInterface, bus, parent)
{}

LogindSleepSource::LogindSleepSource(ISleepListener& listener, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_listener(listener), m_manager(new Login1Manager(bus, this))
{
    connect(m_manager, &Login1Manager::PrepareForSleep, this, &LogindSleepSource::PrepareForSleep);
    TakeDelayLock();
}

LogindSleepSource::~LogindSleepSource() = default;

void LogindSleepSource::PrepareForSleep(bool start)
{
    m_sleeping = start;
    if (start) {
        m_listener.PreparingForSleep();
        // The sleep row is written: logind may go on with the suspend.
        m_lock = QDBusUnixFileDescriptor();
    } else {
        m_listener.Resumed();
        TakeDelayLock();
    }
}

void LogindSleepSource::TakeDelayLock()
{
    // Without a bus there is nobody to ask: the clocks alone find sleep then.
    if (m_asking || m_lock.isValid() || !m_manager->connection().isConnected()) {
        return;
    }
    m_asking = true;
    const QDBusPendingCall call =
        m_manager->asyncCall(QStringLiteral("Inhibit"), QStringLiteral("sleep"), QStringLiteral("Pellavane"),
                             QStringLiteral("Recording the sleep in the journal"), QStringLiteral("delay"));
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &LogindSleepSource::LockAnswered);
}

void LogindSleepSource::LockAnswered(QDBusPendingCallWatcher* call)
{
    m_asking = false;
    {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
        // A lock granted after the sleep signal would only make logind wait for nothing.
        if (!reply.isError() && !m_sleeping) {
            m_lock = reply.value();
        }
    }
    // The finished call holds a copy of the descriptor too; the lock must end with m_lock alone.
    call->deleteLater();
    Q_EMIT DelayLockAnswered(m_lock.isValid());
}

} // namespace pellavane
