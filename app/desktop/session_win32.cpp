#include "app/desktop/session.h"

#include <cstdio>

#include <io.h>

namespace pellavane {

bool StandardOutputIsTerminal()
{
    return _isatty(_fileno(stdout)) != 0;
}

bool StandardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

bool NoDisplay()
{
    // Every Windows session has its desktop.
    return false;
}

} // namespace pellavane
