#include "app/dbus_notifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QProcess>
#include <QVariantMap>

#include <functional>
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

/** A session bus of the test program's own. */
class PrivateSessionBus : public ::testing::Environment
{
public:
    static QString Address() { return s_address; }

    void SetUp() override
    {
        m_daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(m_daemon.waitForStarted(5000)) << "dbus-daemon (Debian's dbus-daemon) is needed";
        ASSERT_TRUE(m_daemon.waitForReadyRead(5000)) << m_daemon.readAllStandardError().toStdString();
        s_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    void TearDown() override
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

private:
    static inline QString s_address;
    QProcess m_daemon;
};

QDBusConnection Connect(const QString& name, const QString& address = PrivateSessionBus::Address())
{
    return QDBusConnection::connectToBus(address, name);
}

/** The notification service: records each Notify and answers with a new id unless one is replaced. */
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    FakeNotifications() : m_bus(Connect(QStringLiteral("fake-notifications")))
    {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                             QDBusConnection::ExportAllSlots);
        EXPECT_TRUE(m_bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    ~FakeNotifications() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

    struct Call
    {
        QString app;
        uint replaces;
        QString summary;
        QString category;
        QString entry;
    };
    std::vector<Call> calls;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString&, const QString& summary, const QString&,
                const QStringList&, const QVariantMap& hints, int)
    {
        calls.push_back({app, replaces, summary, hints.value(QStringLiteral("category")).toString(),
                         hints.value(QStringLiteral("desktop-entry")).toString()});
        return replaces != 0 ? replaces : 40 + static_cast<uint>(calls.size());
    }

private:
    QDBusConnection m_bus;
};

struct RecordingNotifier : INotifier
{
    void Show(const Notice& notice) override { shown.push_back(notice.summary); }
    std::vector<std::string> shown;
};

TEST(DBusNotifierTest, TheRestoreReplacesItsLossAndTheNextOutageGetsANewNotice)
{
    FakeNotifications service;
    RecordingNotifier fallback;
    DBusNotifier notifier(Connect(QStringLiteral("notifier-1")), fallback);
    int answers = 0;
    QObject::connect(&notifier, &DBusNotifier::Answered,
                     [&](bool shown, uint) { answers += shown ? 1 : 100; });

    const Notice notices[] = {{1, NoticeKind::Lost, "Connection lost", "No answer since 10:42"},
                              {1, NoticeKind::Restored, "Connected again", "after 5 s"},
                              {2, NoticeKind::Lost, "Connection lost", "No answer since 11:00"}};
    for (int i = 0; i < 3; ++i) {
        notifier.Show(notices[i]);
        ASSERT_TRUE(WaitFor([&] { return answers == i + 1; })) << "answers " << answers;
    }
    ASSERT_EQ(service.calls.size(), 3U);
    EXPECT_EQ(service.calls[0].replaces, 0U);
    EXPECT_EQ(service.calls[1].replaces, 41U);
    EXPECT_EQ(service.calls[2].replaces, 0U);
    EXPECT_EQ(service.calls[0].app, QStringLiteral("Pellavane"));
    EXPECT_EQ(service.calls[0].category, QStringLiteral("network.disconnected"));
    EXPECT_EQ(service.calls[1].category, QStringLiteral("network.connected"));
    EXPECT_EQ(service.calls[1].entry, QStringLiteral("pellavane"));
    EXPECT_TRUE(fallback.shown.empty());
}

TEST(DBusNotifierTest, WithNoServiceOrNoBusTheFallbackShowsTheNotice)
{
    RecordingNotifier fallback;
    DBusNotifier noService(Connect(QStringLiteral("notifier-2")), fallback);
    noService.Show({1, NoticeKind::Lost, "Connection lost", "No answer since 10:42"});
    ASSERT_TRUE(WaitFor([&] { return fallback.shown.size() == 1; }));

    DBusNotifier noBus(Connect(QStringLiteral("notifier-3"), QStringLiteral("unix:path=/nonexistent")),
                       fallback);
    noBus.Show({1, NoticeKind::Restored, "Connected again", "after 5 s"});
    EXPECT_EQ(fallback.shown, (std::vector<std::string>{"Connection lost", "Connected again"}));
}

} // namespace
} // namespace pellavane

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new pellavane::PrivateSessionBus);
    return RUN_ALL_TESTS();
}

#include "dbus_notifier_test.moc"
