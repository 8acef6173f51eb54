#pragma once

#include <memory>

class QObject;

namespace pellavane {

class ISleepListener;

/** Starts telling listener when the machine is about to sleep and when it woke, as this platform
 *  can: logind on Linux, the power broadcasts on Windows. Destroying the returned object stops it.
 *  Where nothing answers, nothing is told and the clocks alone find sleep. */
std::unique_ptr<QObject> WatchPlatformSleep(ISleepListener& listener);

} // namespace pellavane
