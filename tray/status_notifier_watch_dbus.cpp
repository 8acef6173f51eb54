#include "tray/status_notifier_watch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QString>

namespace pellavane {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kWatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
// The window waits on the answer: a watcher that hangs must not freeze it for long.
constexpr int kAnswerMs = 1000;

} // namespace

bool StatusNotifierHostRegistered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kWatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, kAnswerMs);
    return reply.isValid() && reply.value().variant().toBool();
}

StatusNotifierWatch::StatusNotifierWatch(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    auto* watcher =
        new QDBusServiceWatcher(kWatcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierWatch::HostMayHaveAppeared);
    // QtDBus connects a bus signal to a named slot only; an empty service takes the signal from
    // whichever process owns the watcher's name now or later.
    bus.connect(QString(), kWatcherPath, kWatcherInterface, QStringLiteral("StatusNotifierHostRegistered"),
                this, SLOT(HostRegistered()));
}

void StatusNotifierWatch::HostRegistered()
{
    Q_EMIT HostMayHaveAppeared();
}

} // namespace pellavane
