#include "engine/quality/round_trip_counts.h"

namespace pellavane {

// A value of a block not yet made, or past the blocks.
void RoundTripCounts::AddNew(std::uint32_t microseconds)
{
    if (microseconds >= kBlockedLimit) {
        ++m_beyond[microseconds];
        return;
    }
    const std::size_t block = microseconds >> kBlockBits;
    if (block >= m_blocks.size()) {
        m_blocks.resize(block + 1);
        m_blockCounts.resize(block + 1, 0);
    }
    if (!m_blocks[block]) {
        m_blocks[block] = std::make_unique<Block>();
        m_blocks[block]->fill(0);
    }
    ++(*m_blocks[block])[microseconds & (kBlockSize - 1)];
    ++m_blockCounts[block];
}

std::optional<std::uint32_t> RoundTripCounts::Percentile(int percent) const
{
    if (m_count == 0) {
        return std::nullopt;
    }
    // ceil(p x n / 100) in integers, so that no rounding of a double moves a rank.
    const std::uint64_t rank = (static_cast<std::uint64_t>(percent) * m_count + 99) / 100;
    return Ranked(rank < 1 ? 1 : rank);
}

std::uint32_t RoundTripCounts::Ranked(std::uint64_t rank) const
{
    std::uint64_t seen = 0;
    for (std::size_t block = 0; block < m_blocks.size(); ++block) {
        if (seen + m_blockCounts[block] < rank) {
            seen += m_blockCounts[block];
            continue;
        }
        for (std::uint32_t i = 0; i < kBlockSize; ++i) {
            seen += (*m_blocks[block])[i];
            if (seen >= rank) {
                return static_cast<std::uint32_t>(block << kBlockBits) + i;
            }
        }
    }
    for (const auto& [value, count] : m_beyond) {
        seen += count;
        if (seen >= rank) {
            return value;
        }
    }
    return m_beyond.empty() ? 0 : m_beyond.rbegin()->first;
}

} // namespace pellavane
