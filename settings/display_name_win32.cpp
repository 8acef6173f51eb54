#include "settings/display_name.h"

#include <QString>
#include <QtGlobal>

namespace pellavane {

std::string DefaultLogFilePath(const std::string& displayName)
{
    // Through Qt, so that a TEMP holding characters outside the ANSI code page arrives intact (UTF-8).
    if (!qEnvironmentVariableIsSet("TEMP"))
        return WindowsLogFilePath(nullptr, displayName);
    return WindowsLogFilePath(qEnvironmentVariable("TEMP").toStdString().c_str(), displayName);
}

} // namespace pellavane
