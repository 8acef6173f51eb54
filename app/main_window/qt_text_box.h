#pragma once

#include "engine/log_commands/text_box.h"

class QLineEdit;

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

} // namespace pellavane
