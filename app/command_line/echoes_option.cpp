#include "app/command_line/echoes_option.h"

#include "engine/check/probe.h"

namespace pellavane {

std::string ReadEchoesOption(const QStringList& values, CommandLineRequest& request)
{
    for (const QString& text : values) {
        const std::string value = text.toStdString();
        // Two digits at most: no sign, no blank, no number that could overflow on the way.
        int number = 0;
        for (const char c : value.size() <= 2 ? value : std::string()) {
            number = c >= '0' && c <= '9' ? number * 10 + (c - '0') : -1;
            if (number < 0) {
                break;
            }
        }
        if (value.empty() || number < 1 || number > kMostEchoesPerCheck) {
            return "'" + value + "' for --echoes is not a number of echoes from 1 to " +
                   std::to_string(kMostEchoesPerCheck) + ".";
        }
        request.echoes = number;
    }
    using Mode = CommandLineRequest::Mode;
    if (request.echoes && request.mode != Mode::Check && request.mode != Mode::Console) {
        return "--echoes goes with --console or --check.";
    }
    return {};
}

} // namespace pellavane
