#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace pellavane {

/** A piece could not be opened or read; the message names the file and the reason. */
class PieceReadError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** A compressed piece is damaged from some point on; what came before it was given. The message
 *  names the file and what is wrong with it. */
class DamagedPieceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** The bytes of one piece, plain or as they come out of its compression. */
class IPieceSource
{
public:
    virtual ~IPieceSource() = default;
    /** Fills into with up to capacity of the next bytes; returns 0 only at the end. Throws
     *  PieceReadError when the file cannot be read and DamagedPieceError when its compression is
     *  damaged. */
    virtual std::size_t Read(char* into, std::size_t capacity) = 0;
};

/** Opens the piece at path, inflating it when gzip is set. Throws PieceReadError when it cannot be
 *  opened. */
std::unique_ptr<IPieceSource> OpenPiece(const std::string& path, bool gzip);

} // namespace pellavane
