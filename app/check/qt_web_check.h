#pragma once

#include "engine/check/verdict.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>

class QNetworkReply;

namespace pellavane {

/** The web check over HTTP: one GET to url, redirects not followed, given up after the limit. A 204
 *  is NoContent, any other answer Other, none at all None. */
class QtWebCheck : public IWebCheck
{
public:
    explicit QtWebCheck(QString url, std::chrono::milliseconds limit = std::chrono::milliseconds{4000});
    ~QtWebCheck() override;
    QtWebCheck(const QtWebCheck&) = delete;
    QtWebCheck& operator=(const QtWebCheck&) = delete;

    void Start() override;
    /** Runs the event loop until the answer is in or the limit is up. */
    WebAnswer Finish() override;
    void Cancel() override;

private:
    QString m_url;
    std::chrono::milliseconds m_limit;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_limitTimer;
};

} // namespace pellavane
