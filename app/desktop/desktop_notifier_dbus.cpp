#include "app/desktop/desktop_notifier_dbus.h"

#include "app/desktop/desktop_notifier.h"
#include "tray/tray_status.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace pellavane {
namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";

const char* Category(NoticeKind kind)
{
    switch (kind) {
    case NoticeKind::Restored:
    case NoticeKind::Normal:
    case NoticeKind::FamilyBack:
        return "network.connected";
    case NoticeKind::Degraded:
    case NoticeKind::FamilyLost:
        // Still connected: the generic class, neither connected nor disconnected.
        return "network";
    case NoticeKind::Lost:
    case NoticeKind::Unstable:
        break;
    }
    return "network.disconnected";
}

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

DBusNotifier::DBusNotifier(const QDBusConnection& bus, INotifier& fallback, QObject* parent)
    : QObject(parent), m_bus(bus), m_fallback(fallback)
{}

void DBusNotifier::Show(const Notice& notice)
{
    const unsigned sequence = ++m_sequence;
    const uint replaces = notice.id == m_lastId ? m_serviceId : 0;
    if (notice.id != m_lastId) {
        m_serviceId = 0;
    }
    m_lastId = notice.id;
    if (!m_bus.isConnected()) {
        m_fallback.Show(notice);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("category"), QString::fromLatin1(Category(notice.kind))},
                            {QStringLiteral("desktop-entry"), QStringLiteral("pellavane")}};
    call << QStringLiteral("Pellavane") << replaces << QStringLiteral("pellavane")
         << QString::fromStdString(notice.summary) << QString::fromStdString(notice.body) << QStringList()
         << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notice, sequence](QDBusPendingCallWatcher* w) { CallAnswered(w, notice, sequence); });
}

void DBusNotifier::CallAnswered(QDBusPendingCallWatcher* call, const Notice& notice, unsigned sequence)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    // A newer notice has taken this one's place already; neither its id nor its fallback matters.
    const bool latest = sequence == m_sequence;
    if (reply.isError()) {
        if (latest) {
            m_fallback.Show(notice);
        }
        Q_EMIT Answered(false, 0);
        return;
    }
    if (latest) {
        m_serviceId = reply.value();
    }
    Q_EMIT Answered(true, reply.value());
}

std::unique_ptr<INotifier> MakeDesktopNotifier(ITrayShell& tray)
{
    return std::make_unique<SessionBusNotifier>(tray);
}

} // namespace pellavane
