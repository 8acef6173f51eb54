#pragma once

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

// The fuzz build reads in small blocks, so that its short inputs reach lines longer than a block
// and lines cut by a block's end.
#ifndef PELLAVANE_HISTORY_BLOCK_SIZE
#define PELLAVANE_HISTORY_BLOCK_SIZE (1 << 20)
#endif

namespace pellavane {

/** A file read in blocks of a fixed size, so memory stays the same whatever the file's size. */
class BlockReader
{
public:
    static constexpr std::size_t kBlockSize = PELLAVANE_HISTORY_BLOCK_SIZE;

    /** Throws HistoryReadError naming the path when the file cannot be opened. */
    explicit BlockReader(const std::string& path);

    /** Calls onLine with each line without its line end until it returns false. A line longer than a
     *  block is given as its first block's worth. Throws HistoryReadError when the file cannot be
     *  read. */
    template <typename OnLine>
    void ForEachLine(OnLine onLine)
    {
        std::size_t kept = 0;
        bool skipping = false;
        for (;;) {
            m_in.read(m_buffer.get() + kept, static_cast<std::streamsize>(kBlockSize - kept));
            const auto got = static_cast<std::size_t>(m_in.gcount());
            if (m_in.bad()) {
                Fail(errno != 0 ? errno : EIO);
            }
            const std::size_t end = kept + got;
            const char* data = m_buffer.get();
            std::size_t start = 0;
            while (start < end) {
                const void* found = std::memchr(data + start, '\n', end - start);
                if (found == nullptr) {
                    break;
                }
                const std::size_t newline = static_cast<std::size_t>(static_cast<const char*>(found) - data);
                if (!skipping && !onLine(Trimmed(data + start, newline - start))) {
                    return;
                }
                skipping = false;
                start = newline + 1;
            }
            if (got == 0) {
                if (start < end && !skipping) {
                    onLine(Trimmed(data + start, end - start));
                }
                return;
            }
            if (start == 0 && end == kBlockSize) {
                if (!skipping && !onLine(std::string_view(data, end))) {
                    return;
                }
                skipping = true;
                kept = 0;
                continue;
            }
            kept = end - start;
            std::memmove(m_buffer.get(), data + start, kept);
        }
    }

private:
    static std::string_view Trimmed(const char* data, std::size_t size)
    {
        if (size > 0 && data[size - 1] == '\r') {
            --size;
        }
        return std::string_view(data, size);
    }

    [[noreturn]] void Fail(int error) const;

    std::string m_path;
    std::unique_ptr<char[]> m_buffer;
    std::ifstream m_in;
};

} // namespace pellavane
