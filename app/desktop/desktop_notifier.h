#pragma once

#include <memory>

namespace pellavane {

class INotifier;
class ITrayShell;

/** Notices as this platform shows them: the freedesktop notification service on the session bus on
 *  Linux, falling back to a balloon from the tray icon; the tray icon's balloon on Windows. */
std::unique_ptr<INotifier> MakeDesktopNotifier(ITrayShell& tray);

} // namespace pellavane
