#pragma once

// The D-Bus tray of today's desktops (KDE Plasma, waybar and other StatusNotifierItem hosts): whether
// one is there to show an icon, and word when one may have come.

#include <QObject>

namespace pellavane {

/** Whether a StatusNotifierWatcher on the session bus has a host registered; false where there is
 *  no such bus or watcher. */
bool StatusNotifierHostRegistered();

/** Emits HostMayHaveAppeared when a watcher comes onto the session bus or a host registers with it;
 *  never where there is no session bus. */
class StatusNotifierWatch : public QObject
{
    Q_OBJECT
public:
    explicit StatusNotifierWatch(QObject* parent = nullptr);

Q_SIGNALS:
    void HostMayHaveAppeared();

private Q_SLOTS:
    void HostRegistered();
};

} // namespace pellavane
