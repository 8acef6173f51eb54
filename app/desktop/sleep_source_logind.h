#pragma once

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

class QDBusPendingCallWatcher;

namespace pellavane {

class ISleepListener;
class Login1Manager;

/** logind's PrepareForSleep told to a sleep listener. It holds a delay inhibitor lock while the
 *  machine is awake, so that logind waits for the sleep row before suspending, and releases it as
 *  soon as the listener has handled the signal. Every call is asynchronous: a logind that is slow
 *  or absent never holds up the window. */
class LogindSleepSource : public QObject
{
    Q_OBJECT
public:
    LogindSleepSource(ISleepListener& listener, const QDBusConnection& bus, QObject* parent = nullptr);
    ~LogindSleepSource() override;

    /** Whether the delay lock is held now. */
    bool HoldsDelayLock() const { return m_lock.isValid(); }

Q_SIGNALS:
    /** logind answered the request for the lock: held, or refused (no logind on the bus). */
    void DelayLockAnswered(bool held);

private:
    void PrepareForSleep(bool start);
    void TakeDelayLock();
    void LockAnswered(QDBusPendingCallWatcher* call);

    ISleepListener& m_listener;
    Login1Manager* m_manager;
    QDBusUnixFileDescriptor m_lock;
    bool m_sleeping = false;
    bool m_asking = false;
};

/** The part of logind's manager interface the program uses. Its signal is connected to the bus on
 *  first use, as QtDBus does for interface classes. */
class Login1Manager : public QDBusAbstractInterface
{
    Q_OBJECT
public:
    Login1Manager(const QDBusConnection& bus, QObject* parent);

Q_SIGNALS:
    void PrepareForSleep(bool start);
};

} // namespace pellavane
