#include "engine/rotation/piece_stream.h"

#include "engine/rotation/piece_source.h"

#include <exception>
#include <utility>

namespace pellavane {

PieceStream::PieceStream(RotatedSet set) : m_memory(new char[kBlockSize * kBlocks])
{
    for (const std::string& path : set.unread) {
        m_notes.push_back("'" + path +
                          "' is compressed in a form not read here (only gzip's .gz is): it was left out.");
    }
    for (std::size_t block = 0; block < kBlocks; ++block) {
        m_free.push_back(block);
    }
    m_worker = std::thread(&PieceStream::Work, this, std::move(set));
}

PieceStream::~PieceStream()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

PieceChunk PieceStream::Next()
{
    Item item;
    {
        std::unique_lock lock(m_mutex);
        if (m_holding) {
            m_free.push_back(m_held);
            m_holding = false;
            m_changed.notify_all();
        }
        m_changed.wait(lock, [this] { return !m_ready.empty(); });
        item = std::move(m_ready.front());
        m_ready.pop_front();
        if (item.kind == PieceChunk::Kind::Bytes) {
            m_holding = true;
            m_held = item.block;
        }
    }
    if (!item.error.empty()) {
        throw PieceReadError(item.error);
    }
    PieceChunk chunk;
    chunk.kind = item.kind;
    if (item.kind == PieceChunk::Kind::Bytes) {
        chunk.bytes = std::string_view(m_memory.get() + item.block * kBlockSize, item.size);
    }
    if (!item.damage.empty()) {
        chunk.damaged = true;
        m_notes.push_back(item.damage + ": what came before the damage was read, the rest of it was not.");
    }
    return chunk;
}

bool PieceStream::Put(Item item)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stop) {
            return false;
        }
        m_ready.push_back(std::move(item));
    }
    m_changed.notify_all();
    return true;
}

bool PieceStream::TakeFreeBlock(std::size_t& block)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || !m_free.empty(); });
    if (m_stop) {
        return false;
    }
    block = m_free.back();
    m_free.pop_back();
    return true;
}

void PieceStream::Work(RotatedSet set)
{
    try {
        for (const RotatedPiece& piece : set.pieces) {
            Item end;
            end.kind = PieceChunk::Kind::PieceEnd;
            const std::unique_ptr<IPieceSource> source = OpenPiece(piece.path, piece.gzip);
            for (;;) {
                std::size_t block = 0;
                if (!TakeFreeBlock(block)) {
                    return;
                }
                std::size_t size = 0;
                try {
                    size = source->Read(m_memory.get() + block * kBlockSize, kBlockSize);
                } catch (const DamagedPieceError& damage) {
                    end.damage = damage.what();
                }
                if (size == 0) {
                    const std::lock_guard lock(m_mutex);
                    m_free.push_back(block);
                } else if (!Put(Item{PieceChunk::Kind::Bytes, block, size, {}, {}})) {
                    return;
                }
                if (size == 0) {
                    break;
                }
            }
            if (!Put(std::move(end))) {
                return;
            }
        }
        Put(Item{});
    } catch (const std::exception& error) {
        // The message crosses the threads, not the exception: its object would be shared by both.
        const std::string why = error.what();
        Put(Item{PieceChunk::Kind::End, 0, 0, {}, why.empty() ? "Cannot read the history" : why});
    } catch (...) {
        Put(Item{PieceChunk::Kind::End, 0, 0, {}, "Cannot read the history"});
    }
}

} // namespace pellavane
