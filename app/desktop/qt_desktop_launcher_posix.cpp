#include "app/desktop/qt_desktop_launcher.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <stdexcept>

namespace pellavane {

void QtDesktopLauncher::OpenInTextViewer(const std::string& path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        throw std::runtime_error("No program to show text files could be started for '" + path + "'.");
    }
}

} // namespace pellavane
