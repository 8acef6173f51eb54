#pragma once

#include "engine/log_commands/file_dialog.h"

#include <string>

class QWidget;

namespace pellavane {

/** A "desc|pattern|desc|pattern|" filter in the form Qt's file dialogs take ("desc;;desc"). */
std::string QtFileDialogFilter(const std::string& pipeFilter);

/** The open-file dialog; it accepts the name of a file that does not exist yet. */
class QtFileDialog : public IFileDialog
{
public:
    explicit QtFileDialog(QWidget* parent) : m_parent(parent) {}
    std::string ChooseFile(const std::string& title, const std::string& pipeFilter) override;
    std::string ChooseFileToSave(const std::string& title, const std::string& pipeFilter,
                                 const std::string& suggestedName) override;

private:
    QWidget* m_parent;
};

} // namespace pellavane
