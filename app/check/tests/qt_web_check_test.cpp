#include "app/check/qt_web_check.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <chrono>

namespace pellavane {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// An HTTP server of the test's own on 127.0.0.1 that gives every request the same answer, or none.
class LoopbackServer
{
public:
    explicit LoopbackServer(QByteArray answer) : m_answer(std::move(answer))
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (m_request.contains("\r\n\r\n") && !m_answer.isEmpty()) {
                        socket->write(m_answer);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QString Url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/generate_204").arg(m_server.serverPort());
    }
    const QByteArray& Request() const { return m_request; }

private:
    QTcpServer m_server;
    QByteArray m_answer;
    QByteArray m_request;
};

TEST(QtWebCheck, AnswersOfALoopbackServer)
{
    struct Case
    {
        const char* what;
        QByteArray answer;
        WebAnswer expected;
    };
    const Case table[] = {
        {"204: the web is there", "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n",
         WebAnswer::NoContent},
        {"302 to a sign-in page",
         "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/login\r\nContent-Length: 0\r\n\r\n",
         WebAnswer::Other},
        {"200 with a page in its place", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
         WebAnswer::Other},
        {"no answer", "", WebAnswer::None},
    };
    for (const Case& row : table) {
        LoopbackServer server(row.answer);
        QtWebCheck check(server.Url(), milliseconds{400});
        const auto started = steady_clock::now();
        check.Start();
        EXPECT_EQ(check.Finish(), row.expected) << row.what;
        EXPECT_LT(steady_clock::now() - started, milliseconds{1500}) << row.what;
        EXPECT_TRUE(server.Request().startsWith("GET /generate_204 ")) << row.what;
    }
}

TEST(QtWebCheck, NothingListeningOrNothingStartedIsNoAnswer)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port = probe.serverPort();
    }
    QtWebCheck closed(QStringLiteral("http://127.0.0.1:%1/").arg(port), milliseconds{400});
    EXPECT_EQ(closed.Finish(), WebAnswer::None);
    closed.Start();
    EXPECT_EQ(closed.Finish(), WebAnswer::None);
}

TEST(QtWebCheck, CancelledRequestLeavesNothingToFinish)
{
    LoopbackServer server("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n");
    QtWebCheck check(server.Url(), milliseconds{400});
    check.Start();
    check.Cancel();
    EXPECT_EQ(check.Finish(), WebAnswer::None);
}

} // namespace
} // namespace pellavane
