#include "app/main_window/qt_text_box.h"

#include "engine/monitor/log_file.h"

#include <QLineEdit>

namespace pellavane {

std::string QtTextBox::Text() const
{
    const QString text = m_edit.text();
    std::string path = text.toStdString();
    // The box's text is the log's path. Text that UTF-8 cannot give back as it stands (a lone
    // surrogate, which UTF-8 writes as '?') would name another file, so it names none; the report
    // shows what cannot be written as U+FFFD.
    if (QString::fromStdString(path) != text) {
        QString shown = text;
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate()) {
                ++i;
            } else if (shown[i].isSurrogate()) {
                shown[i] = QChar::ReplacementCharacter;
            }
        }
        throw LogWriteError("Cannot write to log file '" + shown.toStdString() +
                            "': its name cannot be written to the file system exactly as it is shown");
    }
    return path;
}

void QtTextBox::SetText(const std::string& text)
{
    m_edit.setText(QString::fromStdString(text));
}

} // namespace pellavane
