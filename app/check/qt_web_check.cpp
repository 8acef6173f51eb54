#include "app/check/qt_web_check.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <utility>

namespace pellavane {

QtWebCheck::QtWebCheck(QString url, std::chrono::milliseconds limit) : m_url(std::move(url)), m_limit(limit)
{
    m_limitTimer.setSingleShot(true);
    QObject::connect(&m_limitTimer, &QTimer::timeout, &m_network, [this] {
        if (m_reply) {
            m_reply->abort();
        }
    });
}

QtWebCheck::~QtWebCheck()
{
    Cancel();
}

void QtWebCheck::Start()
{
    Cancel();
    QNetworkRequest request{QUrl(m_url)};
    // A sign-in page answers with a redirect: following it would hide the very answer looked for.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply = m_network.get(request);
    m_limitTimer.start(m_limit);
}

WebAnswer QtWebCheck::Finish()
{
    if (!m_reply) {
        return WebAnswer::None;
    }
    if (!m_reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(m_reply.data(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        // The limit's abort ends the reply too; this is the backstop should the reply never say so.
        QTimer::singleShot(m_limit + std::chrono::milliseconds{500}, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const int status = m_reply ? m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
    Cancel();
    if (status == 204) {
        return WebAnswer::NoContent;
    }
    return status > 0 ? WebAnswer::Other : WebAnswer::None;
}

void QtWebCheck::Cancel()
{
    m_limitTimer.stop();
    if (m_reply) {
        QNetworkReply* reply = m_reply.data();
        m_reply.clear();
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace pellavane
