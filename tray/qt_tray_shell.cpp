#include "tray/qt_tray_shell.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>

#include <algorithm>
#include <map>
#include <utility>

// Resources of a static library are linked in only when something refers to them; outside any
// namespace, as Qt's macro asks.
static void InitTrayResources()
{
    Q_INIT_RESOURCE(tray);
}

namespace pellavane {

QColor MarkColour(TrayMark mark)
{
    switch (mark) {
    case TrayMark::Connected:
        return {0x1f, 0xa8, 0x3a};
    case TrayMark::Disconnected:
        return {0xe0, 0x1b, 0x24};
    case TrayMark::Degraded:
        return {0xf5, 0xa6, 0x23};
    case TrayMark::Idle:
    case TrayMark::None:
        break;
    }
    return {0x8a, 0x8a, 0x8a};
}

QRect MarkedIconRect(int size)
{
    const int side = (size * 13 + 8) / 16;
    return {0, size - side, side, side};
}

namespace {

void DrawMarked(QPainter& painter, const QIcon& base, TrayMark mark, int size)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The icon shrinks into the lower left and the mark takes the upper right corner, where the icon
    // has only its light ground: the mark never covers the Q.
    const QRect icon = MarkedIconRect(size);
    painter.drawPixmap(icon, base.pixmap(icon.size()));
    const qreal diameter = size * 0.44;
    const QRectF dot(size - diameter, 0, diameter, diameter);
    painter.setPen(QPen(QColor(255, 255, 255), std::max(1.0, size / 16.0)));
    painter.setBrush(MarkColour(mark));
    painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace

QPixmap MarkedPixmap(const QIcon& base, TrayMark mark, int size)
{
    // Drawn on an image of its own, whose paint engine goes with it: a pixmap keeps the engine
    // that painted it for as long as it lives.
    QImage canvas(size, size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        DrawMarked(painter, base, mark, size);
    }
    return QPixmap::fromImage(std::move(canvas));
}

namespace {

/** A marked icon drawn at a size only when something asks for that size, and kept: the tray and
 *  the window ask for one or two of the sizes an icon offers, and often for none. */
class MarkedIconEngine : public QIconEngine
{
public:
    MarkedIconEngine(QIcon base, TrayMark mark) : m_base(std::move(base)), m_mark(mark) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::max(1, std::min(size.width(), size.height()));
        QPixmap& drawn = m_drawn[side];
        if (drawn.isNull())
            drawn = MarkedPixmap(m_base, m_mark, side);
        return drawn;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int side : {16, 22, 24, 32, 48, 64})
            sizes.append(QSize(side, side));
        return sizes;
    }

    QIconEngine* clone() const override { return new MarkedIconEngine(m_base, m_mark); }
    QString key() const override { return QStringLiteral("PellavaneMarkedIcon"); }

private:
    QIcon m_base;
    TrayMark m_mark;
    std::map<int, QPixmap> m_drawn;
};

} // namespace

QIcon ToQIcon(const TrayPicture& picture)
{
    // Qt refuses to show an icon without a picture, and a hidden window could then never come back.
    const QIcon base(
        QString::fromStdString(picture.IsIcon() ? picture.resource : QuillmoorTrayPicture().resource));
    if (picture.mark == TrayMark::None) {
        return base;
    }
    return QIcon(new MarkedIconEngine(base, picture.mark));
}

TrayPicture QuillmoorTrayPicture()
{
    return {":/pellavane/tray/tray_q.png"};
}

bool NotificationAreaAvailable()
{
    // Qt settles once per process, when it first makes or asks about an icon, whether its icons go
    // over D-Bus: asked before a host is there, it would never use one that comes later. So the bus
    // is asked first, and Qt only where it has a tray of its own besides (none on Wayland). Once
    // Qt has been asked without a host, its icon can only be its own kind: then only Qt can say
    // whether that kind is shown, and a host that came later would show nothing of ours.
    static bool qtSettledWithoutBus = false;
    if (!qtSettledWithoutBus) {
        if (StatusNotifierHostRegistered()) {
            return true;
        }
        if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
            return false;
        }
        qtSettledWithoutBus = true;
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QtTrayShell::QtTrayShell(QObject* parent, std::function<bool()> trayAvailable, int retryMs)
    : QObject(parent), m_retryMs(retryMs), m_trayAvailable(std::move(trayAvailable))
{
    InitTrayResources();
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &QtTrayShell::ShowWhenAvailable);
    connect(&m_hosts, &StatusNotifierWatch::HostMayHaveAppeared, this, &QtTrayShell::CheckNow);
}

void QtTrayShell::MakeIcon()
{
    m_icon = std::make_unique<QSystemTrayIcon>(m_picture);
    m_icon->setToolTip(m_tip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    Activated(TrayButton::Left);
                    break;
                case QSystemTrayIcon::Context:
                    Activated(TrayButton::Right);
                    break;
                case QSystemTrayIcon::MiddleClick:
                    Activated(TrayButton::Middle);
                    break;
                default:
                    // A double click has been reported as its first click already.
                    break;
                }
            });
    connect(m_icon.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (m_events.messageEnded) {
            m_events.messageEnded();
        }
    });
}

void QtTrayShell::Activated(TrayButton button)
{
    if (m_events.activated) {
        m_events.activated(button);
    }
}

void QtTrayShell::SetEvents(TrayShellEvents events)
{
    m_events = std::move(events);
}

void QtTrayShell::ShowWhenAvailable()
{
    if (!m_trayAvailable || m_trayAvailable()) {
        m_retry.stop();
        if (!m_icon) {
            MakeIcon();
        }
        m_icon->show();
        if (m_pending) {
            const PendingMessage message = *m_pending;
            m_pending.reset();
            ShowMessage(message.title, message.text, message.timeoutMs);
        }
    } else if (!m_retry.isActive()) {
        // The panel often starts after the programs of the session; show the icon once it is there.
        m_retry.start(m_retryMs);
    } else {
        // A session without a panel may never get one: each wait is twice the last, up to a limit,
        // so that a program left running for months wakes for it less than once a minute.
        m_retry.setInterval(std::min(m_retry.interval() * 2, m_retryMs * kRetryGrowth));
    }
}

void QtTrayShell::CheckNow()
{
    if (m_retry.isActive()) {
        m_retry.stop();
        m_retry.setInterval(m_retryMs);
        ShowWhenAvailable();
    }
}

void QtTrayShell::ShowIcon(const TrayPicture& icon, const std::string& tip)
{
    SetTip(tip);
    SetIcon(icon);
    ShowWhenAvailable();
}

void QtTrayShell::SetIcon(const TrayPicture& icon)
{
    m_picture = ToQIcon(icon);
    if (m_icon) {
        m_icon->setIcon(m_picture);
    }
}

void QtTrayShell::SetTip(const std::string& tip)
{
    m_tip = QString::fromStdString(tip);
    if (m_icon) {
        m_icon->setToolTip(m_tip);
    }
}

void QtTrayShell::HideIcon()
{
    m_retry.stop();
    m_pending.reset();
    if (m_icon) {
        m_icon->hide();
    }
}

void QtTrayShell::ShowMessage(const std::string& title, const std::string& text, std::uint32_t timeoutMs)
{
    // A notice at start-up comes before the icon is in the panel, where Qt would drop it.
    if (!m_icon || !m_icon->isVisible()) {
        m_pending = PendingMessage{title, text, timeoutMs};
        return;
    }
    m_icon->showMessage(QString::fromStdString(title), QString::fromStdString(text), QSystemTrayIcon::NoIcon,
                        static_cast<int>(timeoutMs));
}

void QtTrayShell::HideMessage() {}

} // namespace pellavane
