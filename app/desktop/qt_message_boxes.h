#pragma once

#include "engine/log_commands/message_boxes.h"

class QWidget;

namespace pellavane {

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

} // namespace pellavane
