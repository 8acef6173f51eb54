#include "app/qt_desktop.h"

#include "engine/recorder.h"
#include "settings/display_name.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

#include <stdexcept>

namespace pellavane {

namespace {

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Caption()
{
    return ToQt(ApplicationTitle());
}

} // namespace

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
    m_edit.setText(ToQt(text));
}

void QtMessageBoxes::Inform(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, Caption(), ToQt(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtMessageBoxes::AskYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, Caption(), ToQt(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    return box.exec() == QMessageBox::Yes;
}

std::string QtFileDialog::ChooseFile(const std::string& title, const std::string& pipeFilter)
{
    QFileDialog dialog(m_parent, ToQt(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A log file that does not exist yet is created by the first status line written to it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(ToQt(QtFileDialogFilter(pipeFilter)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

void QtDesktopLauncher::OpenUrl(const std::string& url)
{
    QDesktopServices::openUrl(QUrl(ToQt(url)));
}

void QtClipboard::SetText(const std::string& text)
{
    QApplication::clipboard()->setText(ToQt(text));
}

} // namespace pellavane
