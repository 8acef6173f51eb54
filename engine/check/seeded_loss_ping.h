#pragma once

#include "engine/check/verdict.h"

#include <cstdint>
#include <random>

namespace pellavane {

/** A simulated link for tests and benchmarks: it loses each echo on its own, at random, from a
 *  seed, and the same seed gives the same losses. Sends nothing anywhere. */
class SeededLossPing : public IPingRunner
{
public:
    SeededLossPing(double loss, std::uint64_t seed) : m_loss(loss), m_random(seed) {}

    std::vector<PingReply> PingAll(const std::vector<std::string>& hosts, std::chrono::milliseconds) override
    {
        std::vector<PingReply> replies;
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            const bool lost = std::generate_canonical<double, 53>(m_random) < m_loss;
            replies.push_back(lost ? PingReply{} : PingReply{PingReply::Kind::Answered, 1.0, std::nullopt});
        }
        m_pings += hosts.size();
        return replies;
    }
    /** Each echo lost on its own; one echo draws as PingAll does, so the same seed gives the same. */
    PingReply PingEchoes(const std::string&, int echoes, std::chrono::milliseconds) override
    {
        PingReply reply;
        reply.echoes = EchoCounts{echoes, {}};
        for (int i = 0; i < echoes; ++i) {
            if (std::generate_canonical<double, 53>(m_random) >= m_loss) {
                reply.echoes->rttsMs.push_back(1.0);
            }
        }
        if (!reply.echoes->rttsMs.empty()) {
            reply.kind = PingReply::Kind::Answered;
            reply.rttMs = 1.0;
        }
        ++m_pings;
        return reply;
    }
    std::size_t Pings() const { return m_pings; }

private:
    double m_loss;
    std::mt19937_64 m_random;
    std::size_t m_pings = 0;
};

} // namespace pellavane
