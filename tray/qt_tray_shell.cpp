#include "tray/qt_tray_shell.h"

#include <QString>

#include <utility>

// Resources of a static library are linked in only when something refers to them; outside any
// namespace, as Qt's macro asks.
static void InitTrayResources()
{
    Q_INIT_RESOURCE(tray);
}

namespace pellavane {

QIcon ToQIcon(const TrayPicture& picture)
{
    if (picture.type == PictureType::None || picture.resource.empty()) {
        return {};
    }
    return QIcon(QString::fromStdString(picture.resource));
}

TrayPicture QuillmoorTrayPicture()
{
    return {PictureType::Icon, ":/pellavane/tray/tray_q.png"};
}

QtTrayShell::QtTrayShell(QObject* parent, std::function<bool()> trayAvailable, int retryMs)
    : QObject(parent), m_trayAvailable(std::move(trayAvailable))
{
    InitTrayResources();
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &QtTrayShell::ShowWhenAvailable);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            Raise(kWmLButtonUp);
            break;
        case QSystemTrayIcon::Context:
            Raise(kWmRButtonUp);
            break;
        case QSystemTrayIcon::DoubleClick:
            Raise(kWmLButtonDblClk);
            break;
        default:
            break;
        }
    });
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, [this] { Raise(kNinBalloonUserClick); });
}

void QtTrayShell::Raise(std::int32_t mouseMessage)
{
    if (m_callback) {
        m_callback(mouseMessage, m_id);
    }
}

void QtTrayShell::SetCallback(TrayCallback callback)
{
    m_callback = std::move(callback);
}

void QtTrayShell::ShowWhenAvailable()
{
    if (!m_trayAvailable || m_trayAvailable()) {
        m_retry.stop();
        m_icon.show();
    } else if (!m_retry.isActive()) {
        // The panel often starts after the programs of the session; show the icon once it is there.
        m_retry.start();
    }
}

void QtTrayShell::NotifyIcon(std::uint32_t message, const NotifyIconData& record)
{
    switch (message) {
    case kNimAdd:
        m_id = static_cast<std::int32_t>(record.id);
        m_icon.setToolTip((record.flags & kNifTip) != 0 ? QString::fromStdString(record.tip) : QString());
        // Qt refuses to show an icon without a picture, and the window could then never come back.
        m_icon.setIcon(ToQIcon((record.flags & kNifIcon) != 0 ? record.icon : QuillmoorTrayPicture()));
        ShowWhenAvailable();
        break;
    case kNimModify:
        if ((record.flags & kNifTip) != 0) {
            m_icon.setToolTip(QString::fromStdString(record.tip));
        }
        if ((record.flags & kNifIcon) != 0) {
            m_icon.setIcon(ToQIcon(record.icon));
        }
        // An empty balloon is the request to take one down; Qt has no call for that and lets its
        // own timeout do it.
        if ((record.flags & kNifInfo) != 0 && !(record.info.empty() && record.infoTitle.empty())) {
            m_icon.showMessage(QString::fromStdString(record.infoTitle), QString::fromStdString(record.info),
                               QSystemTrayIcon::NoIcon, static_cast<int>(record.timeoutMs));
        }
        break;
    case kNimDelete:
        m_retry.stop();
        m_icon.hide();
        break;
    default:
        break;
    }
}

} // namespace pellavane
