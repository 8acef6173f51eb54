#include "app/desktop/sleep_source.h"

#include <QObject>

namespace pellavane {

std::unique_ptr<QObject> WatchPlatformSleep(ISleepListener&)
{
    // No power events here: the clocks alone find sleep.
    return nullptr;
}

} // namespace pellavane
