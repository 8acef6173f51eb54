#include "app/desktop/qt_message_boxes.h"

#include "settings/display_name.h"

#include <QMessageBox>

namespace pellavane {

void QtMessageBoxes::Inform(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(ApplicationTitle()),
                    QString::fromStdString(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtMessageBoxes::AskYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(ApplicationTitle()),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    return box.exec() == QMessageBox::Yes;
}

} // namespace pellavane
