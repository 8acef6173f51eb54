#include "app/command_line/families_option.h"

namespace pellavane {

std::string ReadFamiliesOption(const QStringList& values, CommandLineRequest& request)
{
    for (const QString& text : values) {
        const std::string value = text.toStdString();
        request.families = ParseFamilyChoice(value);
        if (!request.families) {
            return "'" + value + "' for --families is not 4, 6 or auto.";
        }
    }
    using Mode = CommandLineRequest::Mode;
    if (request.families && request.mode != Mode::Check && request.mode != Mode::Console) {
        return "--families goes with --console or --check.";
    }
    return {};
}

} // namespace pellavane
