#pragma once

// The notification area on Qt's tray icon.

#include "tray/sys_tray.h"

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
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
                         std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
                         int retryMs = 2000);

    void ShowIcon(const TrayPicture& icon, const std::string& tip) override;
    void SetIcon(const TrayPicture& icon) override;
    void SetTip(const std::string& tip) override;
    void HideIcon() override;
    void ShowMessage(const std::string& title, const std::string& text, std::uint32_t timeoutMs) override;
    /** Qt has no call for it: its own timeout takes the message down. */
    void HideMessage() override;
    void SetEvents(TrayShellEvents events) override;

    /** The icon itself, for looking at it. */
    QSystemTrayIcon& Icon() noexcept { return m_icon; }
    /** True while an added icon waits for a notification area to appear. */
    bool WaitingForTray() const { return m_retry.isActive(); }

private:
    void ShowWhenAvailable();
    void Activated(TrayButton button);

    struct PendingMessage
    {
        std::string title;
        std::string text;
        std::uint32_t timeoutMs;
    };

    QSystemTrayIcon m_icon;
    QTimer m_retry;
    int m_retryMs;
    /** The last message asked for while the icon was not shown yet. */
    std::optional<PendingMessage> m_pending;
    std::function<bool()> m_trayAvailable;
    TrayShellEvents m_events;
};

} // namespace pellavane
