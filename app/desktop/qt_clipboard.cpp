#include "app/desktop/qt_clipboard.h"

#include <QApplication>
#include <QClipboard>

namespace pellavane {

void QtClipboard::SetText(const std::string& text)
{
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

} // namespace pellavane
