#pragma once

#include <string>

namespace pellavane {

/** Starts programs outside Pellavane without a shell, so no text of ours is ever run as a command. */
class IDesktopLauncher
{
public:
    virtual ~IDesktopLauncher() = default;
    /** Opens path in the system's text viewer without waiting for it; throws when none starts. */
    virtual void OpenInTextViewer(const std::string& path) = 0;
    /** Opens url in the default browser; whether that worked is not reported. */
    virtual void OpenUrl(const std::string& url) = 0;
};

} // namespace pellavane
