#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace pellavane {

/** How many round trips had each value, in microseconds (ping prints at most three decimals of a
 *  millisecond), for exact percentiles in memory that grows with the values seen, never with the
 *  count: ping prints few distinct values (three decimals under 1 ms, whole milliseconds past
 *  100 ms), so a month of round trips takes some hundred kilobytes. */
class RoundTripCounts
{
public:
    /** Inline: a year of echoes is tens of millions of calls. */
    void Add(std::uint32_t microseconds)
    {
        ++m_count;
        const std::size_t block = microseconds >> kBlockBits;
        if (block < m_blocks.size() && m_blocks[block]) {
            ++(*m_blocks[block])[microseconds & (kBlockSize - 1)];
            ++m_blockCounts[block];
            return;
        }
        AddNew(microseconds);
    }
    std::uint64_t Count() const { return m_count; }
    /** The nearest-rank percentile: the ceil(percent / 100 x n)-th smallest; nullopt when empty. */
    std::optional<std::uint32_t> Percentile(int percent) const;

private:
    static constexpr int kBlockBits = 10;
    static constexpr std::uint32_t kBlockSize = 1U << kBlockBits;
    /** Past this (16.7 s) values are rare enough for a map. */
    static constexpr std::uint32_t kBlockedLimit = 1U << 24;
    using Block = std::array<std::uint32_t, kBlockSize>;

    void AddNew(std::uint32_t microseconds);
    std::uint32_t Ranked(std::uint64_t rank) const;

    std::vector<std::unique_ptr<Block>> m_blocks;
    std::vector<std::uint64_t> m_blockCounts;
    std::map<std::uint32_t, std::uint64_t> m_beyond;
    std::uint64_t m_count = 0;
};

} // namespace pellavane
