#pragma once

#include <string>

namespace pellavane {

/** The system clipboard. */
class IClipboard
{
public:
    virtual ~IClipboard() = default;
    /** Replaces the clipboard's content with text as plain text. */
    virtual void SetText(const std::string& text) = 0;
};

} // namespace pellavane
