#include "app/desktop/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace pellavane {

namespace {

const QByteArray kBringUp = QByteArrayLiteral("bring-up\n");
// A running program older than this request knows only the line above, and still comes up.
const QByteArray kShowHistory = QByteArrayLiteral("bring-up show-history\n");

} // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& name, QObject* parent)
    : QObject(parent), m_socketName(SocketName(folder, name)),
      m_lock(QDir(folder).filePath(name + QStringLiteral(".lock")))
{
    // A lock is stale only when its owner is gone; age alone never frees it.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder;
}

bool SingleInstance::BecomePrimary(Request request)
{
    QDir().mkpath(QFileInfo(m_lock.fileName()).absolutePath());
    if (!m_lock.tryLock(200)) {
        if (m_lock.error() == QLockFile::LockFailedError) {
            m_handedOver = AskPrimary(request);
            return false;
        }
        // The lock cannot be made at all (an unwritable folder): better two windows than none.
        return true;
    }
    // A socket file left by a program that crashed would make listen() fail.
    QLocalServer::removeServer(m_socketName);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                const QByteArray asked = client->readAll();
                if (asked.contains(kShowHistory.trimmed())) {
                    emit HistoryRequested();
                } else if (asked.contains(kBringUp.trimmed())) {
                    emit ActivationRequested();
                }
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    m_server->listen(m_socketName);
    return true;
}

bool SingleInstance::AskPrimary(Request request)
{
    // The first instance may still be starting (its start-up probes before it listens): try a while.
    for (int attempt = 0; attempt < 50; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_socketName);
        if (socket.waitForConnected(200)) {
            socket.write(request == Request::ShowHistory ? kShowHistory : kBringUp);
            const bool written = socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(100);
    }
    return false;
}

} // namespace pellavane
