#include "tray/status_notifier_watch.h"

namespace pellavane {

// No session bus here: the platform's own notification area is the only one.
bool StatusNotifierHostRegistered()
{
    return false;
}

StatusNotifierWatch::StatusNotifierWatch(QObject* parent) : QObject(parent) {}

void StatusNotifierWatch::HostRegistered() {}

} // namespace pellavane
