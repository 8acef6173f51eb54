#include "engine/history/status_line.h"

#include "core/local_time.h"

namespace pellavane {

std::string StatusLine(std::time_t t, bool connected)
{
    return DateTimeText(t) + (connected ? kStatusConnected : kStatusDisconnected);
}

} // namespace pellavane
