#pragma once

// The notification area on Qt's tray icon.

#include "tray/status_notifier_watch.h"
#include "tray/sys_tray.h"

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pellavane {

/** The picture a TrayPicture names, as Qt shows it, with its mark drawn in the upper right corner. */
QIcon ToQIcon(const TrayPicture& picture);
/** The mark's colour: green, red or grey. */
QColor MarkColour(TrayMark mark);
/** Where a marked picture of size pixels square has its icon. */
QRect MarkedIconRect(int size);
/** base with mark, size pixels square. */
QPixmap MarkedPixmap(const QIcon& base, TrayMark mark, int size);

/** The main window's tray picture: the blue Q on light cyan. */
TrayPicture QuillmoorTrayPicture();

/** Whether a notification area exists now: a StatusNotifierItem host on the session bus, or on any
 *  platform but Wayland the one Qt finds itself (an XEmbed tray on X11, the Windows taskbar's). */
bool NotificationAreaAvailable();

class QtTrayShell : public QObject, public ITrayShell
{
    Q_OBJECT
public:
    /** How many times retryMs the wait for a notification area grows to. */
    static constexpr int kRetryGrowth = 32;

    /** trayAvailable tells whether a notification area exists now; while it does not, an added icon
     *  waits, checking again after retryMs milliseconds, then after twice the last wait each time
     *  up to kRetryGrowth times retryMs. */
    explicit QtTrayShell(QObject* parent = nullptr,
                         std::function<bool()> trayAvailable = &NotificationAreaAvailable,
                         int retryMs = 2000);

    void ShowIcon(const TrayPicture& icon, const std::string& tip) override;
    void SetIcon(const TrayPicture& icon) override;
    void SetTip(const std::string& tip) override;
    void HideIcon() override;
    void ShowMessage(const std::string& title, const std::string& text, std::uint32_t timeoutMs) override;
    /** Qt has no call for it: its own timeout takes the message down. */
    void HideMessage() override;
    void SetEvents(TrayShellEvents events) override;

    /** The icon itself, for looking at it; none until a notification area has been found. */
    QSystemTrayIcon* Icon() noexcept { return m_icon.get(); }
    /** True while an added icon waits for a notification area to appear. */
    bool WaitingForTray() const { return m_retry.isActive(); }
    /** A notification area may have appeared: an icon that waits for one looks at once, and then
     *  again from the shortest wait. */
    void CheckNow();

private:
    void ShowWhenAvailable();
    void MakeIcon();
    void Activated(TrayButton button);

    struct PendingMessage
    {
        std::string title;
        std::string text;
        std::uint32_t timeoutMs;
    };

    /** Made only once a notification area is there: Qt settles when it makes its first icon whether
     *  this process's icons go over D-Bus, for good. */
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QIcon m_picture;
    QString m_tip;
    QTimer m_retry;
    int m_retryMs;
    /** The last message asked for while the icon was not shown yet. */
    std::optional<PendingMessage> m_pending;
    std::function<bool()> m_trayAvailable;
    TrayShellEvents m_events;
    StatusNotifierWatch m_hosts;
};

} // namespace pellavane
