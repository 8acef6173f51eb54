#include "engine/history/block_reader.h"

#include "engine/history/history.h"
#include "engine/rotation/piece_source.h"

#include <cerrno>
#include <system_error>

namespace pellavane {

BlockReader::BlockReader(const std::string& path) : m_stream(Pieces(path)) {}

RotatedSet BlockReader::Pieces(const std::string& path)
{
    RotatedSet set = FindRotatedPieces(path);
    if (set.pieces.empty()) {
        throw HistoryReadError("Cannot read history file '" + path +
                               "': " + std::generic_category().message(ENOENT));
    }
    return set;
}

PieceChunk BlockReader::Next()
{
    try {
        return m_stream.Next();
    } catch (const PieceReadError& error) {
        throw HistoryReadError(error.what());
    }
}

} // namespace pellavane
