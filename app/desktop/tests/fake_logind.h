#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <vector>

namespace pellavane::testing {

/** A system bus of its own: a dbus-daemon with a system bus's configuration on a socket in a
 *  temporary folder, so that nothing reaches the machine's bus. Ended with the object. */
class PrivateSystemBus
{
public:
    PrivateSystemBus() = default;
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;
    ~PrivateSystemBus();

    /** Starts the daemon; an empty string when it runs, else what went wrong. */
    QString Start();
    /** The address to hand out as DBUS_SYSTEM_BUS_ADDRESS. */
    QString Address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

/** logind's Inhibit and PrepareForSleep. Each lock is one end of a pipe: the fake keeps the
 *  other, and sees the lock's release as end of file there. */
class FakeLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    /** On the bus at address; as logind itself when ownName, else as an impostor. */
    explicit FakeLogind(const QString& address, bool ownName = true);
    ~FakeLogind() override;

    /** Whether the name org.freedesktop.login1 is this fake's. */
    bool OwnsName() const { return m_ownsName; }
    /** PrepareForSleep(start): true before a sleep, false after the resume. */
    void Emit(bool start);
    std::size_t Locks() const { return m_lockEnds.size(); }
    /** Every copy of lock n was closed. */
    bool Released(std::size_t n) const;
    /** Inhibit's arguments (what, who, why, mode), one entry per call. */
    std::vector<QStringList> requests;

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);

private:
    QDBusConnection m_bus;
    bool m_ownsName = false;
    std::vector<int> m_lockEnds;
};

} // namespace pellavane::testing
