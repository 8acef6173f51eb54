#pragma once

#include <string>

namespace pellavane {

/** Message boxes captioned with the application title and showing no icon. */
class IMessageBoxes
{
public:
    virtual ~IMessageBoxes() = default;
    /** A message with an OK button only. */
    virtual void Inform(const std::string& text) = 0;
    /** A question with Yes and No buttons; true when the answer is Yes. */
    virtual bool AskYesNo(const std::string& text) = 0;
};

} // namespace pellavane
