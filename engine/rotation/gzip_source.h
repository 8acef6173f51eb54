#pragma once

#include "engine/rotation/piece_source.h"

#include <fstream>
#include <memory>
#include <string>

namespace pellavane {

/** A gzip file inflated as it is read, through zlib, with a fixed input buffer: memory stays the same
 *  whatever the file's size. Members written one after another are read as one text, as gzip -d
 *  does. */
class GzipSource : public IPieceSource
{
public:
    /** Throws PieceReadError naming the path when the file cannot be opened. */
    explicit GzipSource(const std::string& path);
    ~GzipSource() override;
    GzipSource(const GzipSource&) = delete;
    GzipSource& operator=(const GzipSource&) = delete;

    std::size_t Read(char* into, std::size_t capacity) override;

private:
    struct Stream;

    bool Refill();
    [[noreturn]] void Fail(int error) const;
    void Damaged(const std::string& why);

    std::string m_path;
    std::ifstream m_in;
    std::unique_ptr<unsigned char[]> m_input;
    std::unique_ptr<Stream> m_stream;
    bool m_inMember = false;
    bool m_anyMember = false;
    bool m_finished = false;
    std::string m_damage;
};

} // namespace pellavane
