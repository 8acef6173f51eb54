#pragma once

#include "engine/capture/capture_many.h"
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

/** What a run of ping asked for echoes echo requests came to, as ReadPingRun reads it, except that
 *  of several any one answered makes it Answered (a BSD ping prints "Request timeout" for each one
 *  lost). An Answered reply carries its echoes: as many sent as the summary says, up to echoes, else
 *  all of them; a run stopped before its summary counts only those answered, since the rest cannot
 *  be told from echoes never sent. */
PingReply ReadPingEchoesRun(const CapturedRun& run, PingDialect dialect, int echoes);

/** The system's ping, one child per host, all at once. */
class SystemPing : public IPingRunner
{
public:
    explicit SystemPing(EventPump pump = {},
                        std::chrono::milliseconds pollSlice = std::chrono::milliseconds{50});
    std::vector<PingReply> PingAll(const std::vector<std::string>& hosts,
                                   std::chrono::milliseconds bound) override;
    PingReply PingEchoes(const std::string& host, int echoes, std::chrono::milliseconds bound) override;
    std::vector<PingReply> PingRound(const std::vector<PingRequest>& requests,
                                     std::chrono::milliseconds bound) override;

private:
    /** One ping a command line, all at once; a failed run gives an empty list. */
    std::vector<CapturedRun> Run(const std::vector<std::string>& commandLines,
                                 std::chrono::milliseconds bound);

    EventPump m_pump;
    std::chrono::milliseconds m_pollSlice;
};

} // namespace pellavane
