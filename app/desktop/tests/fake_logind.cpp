#include "app/desktop/tests/fake_logind.h"

#include <QDBusMessage>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace pellavane::testing {
namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

// Each fake has a connection of its own: a logind and an impostor are two clients of the bus.
QString NewConnectionName()
{
    static int count = 0;
    return QStringLiteral("fake-logind-%1").arg(++count);
}

} // namespace

PrivateSystemBus::~PrivateSystemBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

QString PrivateSystemBus::Start()
{
    if (!m_dir.isValid()) {
        return QStringLiteral("no temporary folder: ") + m_dir.errorString();
    }
    const QString socket = m_dir.filePath(QStringLiteral("system_bus_socket"));
    const QString config = m_dir.filePath(QStringLiteral("system.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return QStringLiteral("cannot write ") + config;
    }
    file.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>system</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>"
                       "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                       "<allow send_type=\"method_call\"/><allow send_type=\"method_return\"/>"
                       "<allow send_type=\"signal\"/><allow send_type=\"error\"/>"
                       "<allow receive_type=\"method_call\"/><allow receive_type=\"method_return\"/>"
                       "<allow receive_type=\"signal\"/><allow receive_type=\"error\"/>"
                       "</policy></busconfig>\n")
            .arg(socket)
            .toUtf8());
    file.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--nofork"), QStringLiteral("--config-file=") + config,
                    QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000)) {
        return QStringLiteral("dbus-daemon (Debian's dbus-daemon) is needed");
    }
    if (!m_daemon.waitForReadyRead(5000)) {
        return QString::fromUtf8(m_daemon.readAllStandardError());
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    return {};
}

FakeLogind::FakeLogind(const QString& address, bool ownName)
    : m_bus(QDBusConnection::connectToBus(address, NewConnectionName()))
{
    m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
    if (ownName) {
        m_ownsName = m_bus.registerService(kLogind);
    }
}

FakeLogind::~FakeLogind()
{
    m_bus.unregisterService(kLogind);
    QDBusConnection::disconnectFromBus(m_bus.name());
    for (const int fd : m_lockEnds) {
        ::close(fd);
    }
}

void FakeLogind::Emit(bool start)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kManager, QStringLiteral("PrepareForSleep"));
    signal << start;
    m_bus.send(signal);
}

bool FakeLogind::Released(std::size_t n) const
{
    pollfd end{m_lockEnds.at(n), POLLIN, 0};
    return ::poll(&end, 1, 0) == 1 && (end.revents & (POLLHUP | POLLIN)) != 0;
}

QDBusUnixFileDescriptor FakeLogind::Inhibit(const QString& what, const QString& who, const QString& why,
                                            const QString& mode)
{
    requests.push_back({what, who, why, mode});
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return {};
    }
    m_lockEnds.push_back(ends[0]);
    const QDBusUnixFileDescriptor lock(ends[1]); // holds a copy of its own
    ::close(ends[1]);
    return lock;
}

} // namespace pellavane::testing
