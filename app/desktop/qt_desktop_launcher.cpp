#include "app/desktop/qt_desktop_launcher.h"

#include <QDesktopServices>
#include <QUrl>

namespace pellavane {

void QtDesktopLauncher::OpenUrl(const std::string& url)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace pellavane
