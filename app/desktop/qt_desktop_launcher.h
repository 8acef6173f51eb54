#pragma once

#include "engine/log_commands/desktop_launcher.h"

namespace pellavane {

/** Linux and the BSDs: the desktop's default handler for the file; Windows: notepad. */
class QtDesktopLauncher : public IDesktopLauncher
{
public:
    void OpenInTextViewer(const std::string& path) override;
    void OpenUrl(const std::string& url) override;
};

} // namespace pellavane
