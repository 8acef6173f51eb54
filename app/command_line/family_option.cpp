#include "app/command_line/family_option.h"

namespace pellavane {

std::string ReadFamilyOption(const QStringList& values, CommandLineRequest& request)
{
    for (const QString& value : values) {
        if (value == QLatin1String("4")) {
            request.family = AddressFamily::V4;
        } else if (value == QLatin1String("6")) {
            request.family = AddressFamily::V6;
        } else {
            return "Unknown address family '" + value.toStdString() + "' for --family; use 4 or 6.";
        }
    }
    using Mode = CommandLineRequest::Mode;
    if (request.family && request.mode != Mode::Outages && request.mode != Mode::Uptime) {
        return "--family goes with --outages or --uptime.";
    }
    return {};
}

} // namespace pellavane
