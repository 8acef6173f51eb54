#include "app/main_window/qt_text_box.h"

#include <QLineEdit>

namespace pellavane {

std::string QtTextBox::Text() const
{
    return m_edit.text().toStdString();
}

void QtTextBox::SetText(const std::string& text)
{
    m_edit.setText(QString::fromStdString(text));
}

} // namespace pellavane
