// logind as the program meets it on the system bus: a fake logind on a private bus that this test
// program starts itself, so nothing reaches the machine's own bus.
#include "app/desktop/sleep_source.h"
#include "app/desktop/sleep_source_logind.h"

#include "app/desktop/tests/fake_logind.h"
#include "engine/monitor/sleep_watch.h"
#include "testsupport/program_sandbox.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pellavane {
namespace {

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

/** The private system bus every test here shares, made the program's system bus through
 *  DBUS_SYSTEM_BUS_ADDRESS before anything asks for one. */
class SharedSystemBus : public ::testing::Environment
{
public:
    static QString Address() { return s_address; }

    void SetUp() override
    {
        m_bus = std::make_unique<testing::PrivateSystemBus>();
        const QString error = m_bus->Start();
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        s_address = m_bus->Address();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", s_address.toUtf8());
    }
    void TearDown() override { m_bus.reset(); }

private:
    static inline QString s_address;
    std::unique_ptr<testing::PrivateSystemBus> m_bus;
};

/** logind on the shared bus; an impostor unless ownName. */
class FakeLogind : public testing::FakeLogind
{
public:
    explicit FakeLogind(bool ownName = true) : testing::FakeLogind(SharedSystemBus::Address(), ownName)
    {
        if (ownName) {
            EXPECT_TRUE(OwnsName());
        }
    }
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
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), SharedSystemBus::Address());
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
    ::testing::AddGlobalTestEnvironment(new pellavane::SharedSystemBus);
    return RUN_ALL_TESTS();
}
