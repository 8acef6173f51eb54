#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace pellavane {

/** One window program per user. The first start holds a lock file and listens on a local socket; a
 *  later start finds the lock taken, asks the first to come up and ends. A lock left behind by a
 *  crashed program is taken over. */
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    /** folder holds the lock and the socket (the user's runtime folder); name tells them apart. */
    explicit SingleInstance(const QString& folder, const QString& name = QStringLiteral("pellavane"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    /** What a later start asks of the running one. */
    enum class Request
    {
        BringUp,
        ShowHistory,
    };

    /** True when this process is now the one instance. Otherwise it has asked the running one for
     *  request, and HandedOver() says whether that reached it. */
    bool BecomePrimary(Request request = Request::BringUp);
    bool HandedOver() const noexcept { return m_handedOver; }

    /** The folder a per-user lock lives in on this platform. */
    static QString DefaultFolder();

signals:
    /** Another start of the program asked this one to bring its window up. */
    void ActivationRequested();
    /** Another start of the program (--show-history) asked this one to show its history window. */
    void HistoryRequested();

private:
    /** The local socket's name on this platform for the instance called name in folder. */
    static QString SocketName(const QString& folder, const QString& name);
    bool AskPrimary(Request request);

    QString m_socketName;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
    bool m_handedOver = false;
};

} // namespace pellavane
