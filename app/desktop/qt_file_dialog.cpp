#include "app/desktop/qt_file_dialog.h"

#include <QFileDialog>

namespace pellavane {

std::string QtFileDialogFilter(const std::string& pipeFilter)
{
    std::string result;
    std::size_t start = 0;
    while (start < pipeFilter.size()) {
        const std::size_t descriptionEnd = pipeFilter.find('|', start);
        if (descriptionEnd == std::string::npos) {
            break;
        }
        std::size_t patternEnd = pipeFilter.find('|', descriptionEnd + 1);
        if (patternEnd == std::string::npos) {
            patternEnd = pipeFilter.size();
        }
        std::string description = pipeFilter.substr(start, descriptionEnd - start);
        std::string pattern = pipeFilter.substr(descriptionEnd + 1, patternEnd - descriptionEnd - 1);
        for (char& c : pattern) {
            if (c == ';') {
                c = ' ';
            }
        }
        // Qt reads the patterns from the parentheses of the description; add them when it has none.
        if (description.find('(') == std::string::npos) {
            description += " (" + pattern + ")";
        }
        if (!result.empty()) {
            result += ";;";
        }
        result += description;
        start = patternEnd + 1;
    }
    return result;
}

std::string QtFileDialog::ChooseFile(const std::string& title, const std::string& pipeFilter)
{
    QFileDialog dialog(m_parent, QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A log file that does not exist yet is created by the first status line written to it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(QtFileDialogFilter(pipeFilter)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

std::string QtFileDialog::ChooseFileToSave(const std::string& title, const std::string& pipeFilter,
                                           const std::string& suggestedName)
{
    // Qt's save dialog asks before a file already there is replaced.
    const QString chosen = QFileDialog::getSaveFileName(
        m_parent, QString::fromStdString(title), QString::fromStdString(suggestedName),
        QString::fromStdString(QtFileDialogFilter(pipeFilter)));
    return chosen.toStdString();
}

} // namespace pellavane
