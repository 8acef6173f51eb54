#pragma once

#include <string>

namespace pellavane {

/** The log-file box Text1. */
class ITextBox
{
public:
    virtual ~ITextBox() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
};

} // namespace pellavane
