#include "app/desktop/session.h"

#include <QtGlobal>

#include <unistd.h>

namespace pellavane {

bool StandardOutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) != 0;
}

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

bool NoDisplay()
{
#if defined(__APPLE__)
    // The window server needs no variable to be found.
    return false;
#else
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#endif
}

} // namespace pellavane
