#include "probe.h"
#include "recorder.h"

#include <iostream>

int main()
{
    pellavane::PingProbe probe;
    pellavane::SystemClock clock;
    const bool connected = probe.IsInternetConnected();
    std::cout << pellavane::StatusLine(clock.Now(), connected) << '\n';
    return connected ? 0 : 1;
}
