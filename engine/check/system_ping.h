#pragma once

#include "engine/check/capture_many.h"
#include "engine/check/probe.h"
#include "engine/check/verdict.h"

#include <chrono>
#include <optional>
#include <string_view>

namespace pellavane {

/** What one run of ping came to: Answered when its standard output shows a reply (standard error is
 *  never taken for one), NameLookupFailed when it says the name did not resolve, NoPingProgram when
 *  it could not start, else Silent. */
PingReply ReadPingRun(const CapturedRun& run, PingDialect dialect);

/** The system's ping, one child per host, all at once. */
class SystemPing : public IPingRunner
{
public:
    explicit SystemPing(EventPump pump = {},
                        std::chrono::milliseconds pollSlice = std::chrono::milliseconds{50});
    std::vector<PingReply> PingAll(const std::vector<std::string>& hosts,
                                   std::chrono::milliseconds bound) override;

private:
    EventPump m_pump;
    std::chrono::milliseconds m_pollSlice;
};

} // namespace pellavane
