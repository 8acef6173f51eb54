// A notification service for the desktop test: it owns org.freedesktop.Notifications on the session
// bus, answers every Notify with a new id and writes one line per call to the file it is given:
//   Notify|app|replaces_id|icon|summary|body|category|desktop-entry|timeout|id
// It prints "ready" once the name is its own.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <QVariantMap>

#include <cstdio>

class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit FakeNotifications(const QString& path) : m_file(path) {}

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints, int timeout)
    {
        const uint id = replaces != 0 ? replaces : ++m_lastId;
        Write(QStringList{QStringLiteral("Notify"), app, QString::number(replaces), icon, summary, body,
                          hints.value(QStringLiteral("category")).toString(),
                          hints.value(QStringLiteral("desktop-entry")).toString(), QString::number(timeout),
                          QString::number(id)});
        return id;
    }
    void CloseNotification(uint id) { Write({QStringLiteral("CloseNotification"), QString::number(id)}); }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = QStringLiteral("test");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("fake");
    }

private:
    void Write(const QStringList& fields)
    {
        if (m_file.open(QIODevice::Append | QIODevice::Text)) {
            QTextStream(&m_file) << fields.join(QLatin1Char('|')) << '\n';
            m_file.close();
        }
    }

    QFile m_file;
    uint m_lastId = 0;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fake_notification_server CALLS-FILE\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    FakeNotifications service(QString::fromLocal8Bit(argv[1]));
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "cannot own org.freedesktop.Notifications: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_notification_server.moc"
