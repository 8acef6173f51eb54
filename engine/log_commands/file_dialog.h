#pragma once

#include <string>

namespace pellavane {

/** The open-file dialog, modal to the main window. */
class IFileDialog
{
public:
    virtual ~IFileDialog() = default;
    /** The full path chosen (a file that does not exist yet included), or empty when cancelled.
     *  pipeFilter is "desc|pattern|desc|pattern|". */
    virtual std::string ChooseFile(const std::string& title, const std::string& pipeFilter) = 0;
    /** The save-file dialog, suggesting suggestedName: the full path chosen, the user having agreed to
     *  replace a file already there, or empty when cancelled. */
    virtual std::string ChooseFileToSave(const std::string& title, const std::string& pipeFilter,
                                         const std::string& suggestedName) = 0;
};

} // namespace pellavane
