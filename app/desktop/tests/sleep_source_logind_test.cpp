// logind as the program meets it on the system bus: a fake logind on a private bus that this test
// program starts itself, so nothing reaches the machine's own bus.
#include "app/desktop/sleep_source.h"
#include "app/desktop/sleep_source_logind.h"

#include "engine/monitor/sleep_watch.h"
#include "testsupport/program_sandbox.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace pellavane {
namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

bool WaitFor(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

/** A system bus of the test program's own, made the program's system bus through
 *  DBUS_SYSTEM_BUS_ADDRESS before anything asks for one. */
class PrivateSystemBus : public ::testing::Environment
{
public:
    static QString Address() { return s_address; }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QString socket = m_dir.filePath(QStringLiteral("system_bus_socket"));
        const QString config = m_dir.filePath(QStringLiteral("system.conf"));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(
                       "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
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
        ASSERT_TRUE(m_daemon.waitForStarted(5000)) << "dbus-daemon (Debian's dbus-daemon) is needed";
        ASSERT_TRUE(m_daemon.waitForReadyRead(5000)) << m_daemon.readAllStandardError().toStdString();
        s_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", s_address.toUtf8());
    }
    void TearDown() override
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

private:
    static inline QString s_address;
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

/** logind's Inhibit and PrepareForSleep. Each lock is one end of a pipe: the fake keeps the
 *  other, and sees the lock's release as end of file there. */
class FakeLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogind(bool ownName = true)
        : m_bus(QDBusConnection::connectToBus(PrivateSystemBus::Address(),
                                              QStringLiteral("fake-logind-%1").arg(++s_count)))
    {
        m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
        if (ownName) {
            EXPECT_TRUE(m_bus.registerService(kLogind)) << m_bus.lastError().message().toStdString();
        }
    }
    ~FakeLogind() override
    {
        m_bus.unregisterService(kLogind);
        QDBusConnection::disconnectFromBus(m_bus.name());
        for (const int fd : m_lockEnds) {
            ::close(fd);
        }
    }

    void Emit(bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kManager, QStringLiteral("PrepareForSleep"));
        signal << start;
        m_bus.send(signal);
    }
    std::size_t Locks() const { return m_lockEnds.size(); }
    /** Every copy of lock n was closed. */
    bool Released(std::size_t n) const
    {
        pollfd end{m_lockEnds.at(n), POLLIN, 0};
        return ::poll(&end, 1, 0) == 1 && (end.revents & (POLLHUP | POLLIN)) != 0;
    }
    std::vector<QStringList> requests;

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
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

private:
    static inline int s_count = 0;
    QDBusConnection m_bus;
    std::vector<int> m_lockEnds;
};

/** Writes down what it is told; at the sleep, whether the lock was still held then. */
struct Listener : ISleepListener
{
    std::vector<std::string> told;
    std::function<bool()> lockHeld;
    bool heldAtSleep = false;
    void PreparingForSleep() override
    {
        told.push_back("sleep");
        heldAtSleep = lockHeld && lockHeld();
    }
    void Resumed() override { told.push_back("resume"); }
};

TEST(LogindSleepSource, SleepAndResumeAreToldAndTheDelayLockEndsOnlyAfterTheSleepIsTold)
{
    FakeLogind logind;
    Listener listener;
    listener.lockHeld = [&] { return logind.Locks() == 1 && !logind.Released(0); };
    // Through the program's own start-up path: the system bus is the one DBUS_SYSTEM_BUS_ADDRESS names.
    auto source = WatchPlatformSleep(listener);
    ASSERT_TRUE(WaitFor([&] { return logind.Locks() == 1; }));
    EXPECT_EQ(logind.requests.front().at(0), QStringLiteral("sleep"));
    EXPECT_EQ(logind.requests.front().at(1), QStringLiteral("Pellavane"));
    EXPECT_EQ(logind.requests.front().at(3), QStringLiteral("delay"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(logind.Released(0));

    logind.Emit(true);
    ASSERT_TRUE(WaitFor([&] { return logind.Released(0); }));
    EXPECT_EQ(listener.told, (std::vector<std::string>{"sleep"}));
    EXPECT_TRUE(listener.heldAtSleep);

    logind.Emit(false);
    ASSERT_TRUE(WaitFor([&] { return logind.Locks() == 2; }));
    EXPECT_EQ(listener.told, (std::vector<std::string>{"sleep", "resume"}));
    QCoreApplication::processEvents();
    EXPECT_FALSE(logind.Released(1));

    source.reset();
    EXPECT_TRUE(WaitFor([&] { return logind.Released(1); }));
}

TEST(LogindSleepSource, OnlyLogindItselfIsBelieved)
{
    FakeLogind logind;
    FakeLogind impostor(false);
    Listener listener;
    LogindSleepSource source(listener, QDBusConnection::systemBus());
    ASSERT_TRUE(WaitFor([&] { return source.HoldsDelayLock(); }));
    impostor.Emit(true);
    logind.Emit(false);
    ASSERT_TRUE(WaitFor([&] { return !listener.told.empty(); }));
    // The two senders' signals may arrive in either order: give the impostor's time to come.
    QDeadlineTimer settle(200);
    while (!settle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(listener.told, (std::vector<std::string>{"resume"}));
}

TEST(LogindSleepSource, WithoutLogindOrWithoutABusNothingIsHeldAndNothingWaits)
{
    Listener listener;
    {
        LogindSleepSource source(listener, QDBusConnection::systemBus());
        bool answered = false;
        bool held = true;
        QObject::connect(&source, &LogindSleepSource::DelayLockAnswered, [&](bool h) {
            answered = true;
            held = h;
        });
        ASSERT_TRUE(WaitFor([&] { return answered; }));
        EXPECT_FALSE(held);
    }
    QElapsedTimer took;
    took.start();
    const QDBusConnection nowhere =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), QStringLiteral("nowhere"));
    LogindSleepSource source(listener, nowhere);
    QCoreApplication::processEvents();
    EXPECT_FALSE(source.HoldsDelayLock());
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_TRUE(listener.told.empty());
}

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

/** The console program on the private bus, with a fake ping that always answers. */
class ConsoleOnPrivateBus : public ::testing::Test
{
protected:
    ConsoleOnPrivateBus()
    {
        QProcessEnvironment env;
        for (const auto& [name, value] : m_sandbox.Variables()) {
            env.insert(QString::fromStdString(name), QString::fromStdString(value));
        }
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), PrivateSystemBus::Address());
        m_program.setProcessEnvironment(env);
    }
    ~ConsoleOnPrivateBus() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(5000);
        }
    }

    QString Log() const { return QString::fromStdString(m_sandbox.File("net.txt")); }
    QString Journal() const { return QString::fromStdString(m_sandbox.File("net.journal.csv")); }
    int Lines(const QString& path) const { return ReadAll(path).count(QStringLiteral("\r\n")); }

    testing::ProgramSandbox m_sandbox;
    QProcess m_program;
};

TEST_F(ConsoleOnPrivateBus, SleepIsWrittenBeforeTheLockIsGivenBackAndNoCheckRunsUntilTheResume)
{
    FakeLogind logind;
    m_program.start(QStringLiteral(PELLAVANE_PROGRAM),
                    {QStringLiteral("--console"), QStringLiteral("--interval"), QStringLiteral("1s"),
                     QStringLiteral("--log"), Log()});
    ASSERT_TRUE(WaitFor([&] { return logind.Locks() == 1 && Lines(Log()) >= 2; }))
        << m_program.readAllStandardError().toStdString();

    logind.Emit(true);
    ASSERT_TRUE(WaitFor([&] { return logind.Released(0); }));
    // The lock is given back only once the row is on disk.
    const QString atRelease = ReadAll(Journal());
    EXPECT_TRUE(atRelease.contains(QStringLiteral(",sleep,,,,\r\n"))) << atRelease.toStdString();
    const int asleep = Lines(Log());
    QDeadlineTimer quiet(2500);
    while (!quiet.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(Lines(Log()), asleep) << "a check ran while the machine slept";

    logind.Emit(false);
    ASSERT_TRUE(WaitFor([&] { return logind.Locks() == 2 && Lines(Log()) > asleep; }));
    m_program.terminate();
    ASSERT_TRUE(m_program.waitForFinished(10000));
    EXPECT_EQ(m_program.exitCode(), 0);

    const QStringList rows = ReadAll(Journal()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_GE(rows.size(), 6) << ReadAll(Journal()).toStdString();
    QStringList events;
    for (const QString& row : rows.mid(1)) {
        const QString event = row.section(QLatin1Char(','), 1, 1);
        if (events.isEmpty() || events.back() != event) {
            events.push_back(event);
        }
    }
    EXPECT_EQ(rows.front(), QStringLiteral("time,event,status,rtt_ms,target,detail"));
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("start"), QStringLiteral("check"), QStringLiteral("sleep"),
                           QStringLiteral("resume"), QStringLiteral("check"), QStringLiteral("stop")}));
}

} // namespace
} // namespace pellavane

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new pellavane::PrivateSystemBus);
    return RUN_ALL_TESTS();
}

#include "sleep_source_logind_test.moc"
