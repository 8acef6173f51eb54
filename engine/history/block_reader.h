#pragma once

#include "engine/rotation/piece_stream.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace pellavane {

/** A history file read in blocks together with the pieces log rotation cut from it, oldest first, as
 *  if they were one file; memory stays the same whatever the files' sizes. */
class BlockReader
{
public:
    /** The longest line given whole. */
    static constexpr std::size_t kLineLimit = PieceStream::kBlockSize;

    /** Reads the file at path and its rotated pieces. Throws HistoryReadError naming the path when
     *  neither the file nor any piece of it exists; a piece that cannot be opened is told by
     *  ForEachLine. */
    explicit BlockReader(const std::string& path);

    /** Calls onLine with each line without its line end until it returns false. A line longer than
     *  kLineLimit is given as its first kLineLimit bytes. The end of a piece ends a line; the line a
     *  damaged piece was cut in is left out. Throws HistoryReadError when a piece cannot be opened or
     *  read. */
    template <typename OnLine>
    void ForEachLine(OnLine onLine)
    {
        bool skipping = false;
        m_carry.clear();
        m_pieceStart = true;
        for (;;) {
            const PieceChunk chunk = Next();
            if (chunk.kind == PieceChunk::Kind::End) {
                return;
            }
            if (chunk.kind == PieceChunk::Kind::PieceEnd) {
                if (!chunk.damaged && !skipping && !m_carry.empty() && !Give(onLine, Trimmed(m_carry))) {
                    return;
                }
                m_carry.clear();
                skipping = false;
                m_pieceStart = true;
                continue;
            }
            const char* data = chunk.bytes.data();
            const std::size_t end = chunk.bytes.size();
            std::size_t start = 0;
            while (start < end) {
                const void* found = std::memchr(data + start, '\n', end - start);
                if (found == nullptr) {
                    break;
                }
                const std::size_t newline = static_cast<std::size_t>(static_cast<const char*>(found) - data);
                if (skipping) {
                    skipping = false;
                } else if (!m_carry.empty()) {
                    Carry(data + start, newline - start);
                    if (!Give(onLine, Trimmed(m_carry))) {
                        return;
                    }
                    m_carry.clear();
                } else if (!Give(onLine, Trimmed(std::string_view(data + start, newline - start)))) {
                    return;
                }
                start = newline + 1;
            }
            if (start < end && !skipping) {
                Carry(data + start, end - start);
                if (m_carry.size() == kLineLimit) {
                    if (!Give(onLine, std::string_view(m_carry))) {
                        return;
                    }
                    m_carry.clear();
                    skipping = true;
                }
            }
        }
    }

    /** During a call of onLine: whether its line is the first of a piece. */
    bool AtPieceStart() const { return m_lineStartsPiece; }

    /** Sentences for a person about pieces damaged or left out, once ForEachLine has returned. */
    const std::vector<std::string>& Notes() const { return m_stream.Notes(); }

private:
    template <typename OnLine>
    bool Give(OnLine& onLine, std::string_view line)
    {
        m_lineStartsPiece = m_pieceStart;
        m_pieceStart = false;
        return onLine(line);
    }

    static std::string_view Trimmed(std::string_view line)
    {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return line;
    }

    // Appends to the line begun in an earlier block, up to the limit.
    void Carry(const char* data, std::size_t size)
    {
        m_carry.append(data, std::min(size, kLineLimit - m_carry.size()));
    }

    static RotatedSet Pieces(const std::string& path);
    PieceChunk Next();

    PieceStream m_stream;
    std::string m_carry;
    bool m_pieceStart = true;
    bool m_lineStartsPiece = false;
};

} // namespace pellavane
