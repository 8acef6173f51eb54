#pragma once

#include "engine/log_commands/clipboard.h"

namespace pellavane {

/** The application's clipboard. */
class QtClipboard : public IClipboard
{
public:
    void SetText(const std::string& text) override;
};

} // namespace pellavane
