#include "app/desktop/qt_desktop_launcher.h"

#include <QProcess>
#include <QString>

#include <stdexcept>

namespace pellavane {

void QtDesktopLauncher::OpenInTextViewer(const std::string& path)
{
    // The path is one argument of its own; QProcess quotes it, no command interpreter sees it.
    if (!QProcess::startDetached(QStringLiteral("notepad"), {QString::fromStdString(path)})) {
        throw std::runtime_error("Cannot start notepad to show '" + path + "'.");
    }
}

} // namespace pellavane
