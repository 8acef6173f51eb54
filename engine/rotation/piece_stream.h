#pragma once

#include "engine/rotation/rotated_pieces.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The fuzz build reads in small blocks, so that its short inputs reach lines longer than a block
// and lines cut by a block's end.
#ifndef PELLAVANE_HISTORY_BLOCK_SIZE
#define PELLAVANE_HISTORY_BLOCK_SIZE (1 << 20)
#endif

namespace pellavane {

/** What PieceStream::Next gives. */
struct PieceChunk
{
    enum class Kind
    {
        /** The next bytes of the current piece. */
        Bytes,
        /** The current piece has ended; the next bytes begin the next piece. */
        PieceEnd,
        /** Every piece has been given. */
        End,
    };
    Kind kind = Kind::End;
    /** For Bytes: valid until the next call to Next. */
    std::string_view bytes;
    /** For PieceEnd: the piece was damaged, so its last bytes given are cut short anywhere. */
    bool damaged = false;
};

/** The pieces of a rotated file, oldest first, read as one: a worker thread reads and inflates ahead
 *  of the caller into a few blocks of a fixed size, so that inflating and reading the text overlap
 *  while memory stays the same whatever the files' sizes. */
class PieceStream
{
public:
    static constexpr std::size_t kBlockSize = PELLAVANE_HISTORY_BLOCK_SIZE;
    static constexpr std::size_t kBlocks = 4;

    explicit PieceStream(RotatedSet set);
    /** Stops the worker, wherever it is. */
    ~PieceStream();
    PieceStream(const PieceStream&) = delete;
    PieceStream& operator=(const PieceStream&) = delete;

    /** The next chunk, waiting for the worker when it is behind. Throws PieceReadError when a piece
     *  cannot be opened or read; a damaged piece is no error: it ends early, with a note. */
    PieceChunk Next();

    /** Sentences for a person: the damaged pieces met so far and the pieces not read at all. */
    const std::vector<std::string>& Notes() const { return m_notes; }

private:
    struct Item
    {
        PieceChunk::Kind kind = PieceChunk::Kind::End;
        std::size_t block = 0;
        std::size_t size = 0;
        std::string damage;
        /** Not empty when the worker failed: why, as PieceReadError tells it. */
        std::string error;
    };

    void Work(RotatedSet set);
    bool Put(Item item);
    bool TakeFreeBlock(std::size_t& block);

    std::unique_ptr<char[]> m_memory;
    std::vector<std::string> m_notes;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_ready;
    std::vector<std::size_t> m_free;
    bool m_stop = false;
    bool m_holding = false;
    std::size_t m_held = 0;
    std::thread m_worker;
};

} // namespace pellavane
