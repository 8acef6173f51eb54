#pragma once

// The notification area on Qt's tray icon.

#include "tray/sys_tray.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>

namespace pellavane {

/** The picture a TrayPicture names, as Qt shows it. */
QIcon ToQIcon(const TrayPicture& picture);

/** The main window's tray picture: the blue Q on light cyan. */
TrayPicture QuillmoorTrayPicture();

class QtTrayShell : public QObject, public ITrayShell
{
    Q_OBJECT
public:
    /** trayAvailable tells whether a notification area exists now; while it does not, an added icon
     *  waits, checking again every retryMs milliseconds. */
    explicit QtTrayShell(QObject* parent = nullptr,
                         std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
                         int retryMs = 2000);

    void NotifyIcon(std::uint32_t message, const NotifyIconData& record) override;
    void SetCallback(TrayCallback callback) override;

    /** The icon itself, for looking at it. */
    QSystemTrayIcon& Icon() noexcept { return m_icon; }
    /** True while an added icon waits for a notification area to appear. */
    bool WaitingForTray() const { return m_retry.isActive(); }

private:
    void ShowWhenAvailable();
    void Raise(std::int32_t mouseMessage);

    QSystemTrayIcon m_icon;
    QTimer m_retry;
    std::function<bool()> m_trayAvailable;
    TrayCallback m_callback;
    std::int32_t m_id = 0;
};

} // namespace pellavane
