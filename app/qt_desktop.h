#pragma once

#include "app/history_commands.h"

class QLineEdit;
class QWidget;

namespace pellavane {

/** Text1 on a QLineEdit. */
class QtTextBox : public ITextBox
{
public:
    explicit QtTextBox(QLineEdit& edit) : m_edit(edit) {}
    /** The text as UTF-8; throws LogWriteError naming it when UTF-8 cannot hold it unchanged. */
    std::string Text() const override;
    void SetText(const std::string& text) override;

private:
    QLineEdit& m_edit;
};

/** Message boxes modal to parent, captioned with the application title. */
class QtMessageBoxes : public IMessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget* parent) : m_parent(parent) {}
    void Inform(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;

private:
    QWidget* m_parent;
};

/** The open-file dialog; it accepts the name of a file that does not exist yet. */
class QtFileDialog : public IFileDialog
{
public:
    explicit QtFileDialog(QWidget* parent) : m_parent(parent) {}
    std::string ChooseFile(const std::string& title, const std::string& pipeFilter) override;

private:
    QWidget* m_parent;
};

/** Linux and the BSDs: the desktop's default handler for the file; Windows: notepad. */
class QtDesktopLauncher : public IDesktopLauncher
{
public:
    void OpenInTextViewer(const std::string& path) override;
    void OpenUrl(const std::string& url) override;
};

class QtClipboard : public IClipboard
{
public:
    void SetText(const std::string& text) override;
};

} // namespace pellavane
