#pragma once

#include "engine/listeners/connection_notices.h"

#include <QDBusConnection>
#include <QObject>

class QDBusPendingCallWatcher;

namespace pellavane {

/** Notices through the freedesktop notification service on bus. Every call is asynchronous: a
 *  service that is slow or hung never holds up the window. Where none answers, the notice goes to
 *  fallback instead. */
class DBusNotifier : public QObject, public INotifier
{
    Q_OBJECT
public:
    /** How long a call may wait for the service before the fallback shows the notice. */
    static constexpr int kCallTimeoutMs = 5000;

    DBusNotifier(const QDBusConnection& bus, INotifier& fallback, QObject* parent = nullptr);

    void Show(const Notice& notice) override;

Q_SIGNALS:
    /** The service answered a call (shown true with its id) or did not (the fallback showed it). */
    void Answered(bool shown, uint serviceId);

private:
    void CallAnswered(QDBusPendingCallWatcher* call, const Notice& notice, unsigned sequence);

    QDBusConnection m_bus;
    INotifier& m_fallback;
    /** The last notice shown and the service's id for it; 0 until the service has answered. */
    unsigned m_lastId = 0;
    uint m_serviceId = 0;
    unsigned m_sequence = 0;
};

} // namespace pellavane
