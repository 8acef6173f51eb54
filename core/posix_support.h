#pragma once

// Small pieces the POSIX files share: an owning file descriptor, a write that finishes or says why
// not, and a descriptor that does not wait. The Windows files have theirs in win32_support.h.

#include <cerrno>
#include <cstddef>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace pellavane::posix {

/** Owns one file descriptor and closes it; a negative number means none. */
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~UniqueFd() { Reset(); }

    int Get() const noexcept { return m_fd; }
    bool Valid() const noexcept { return m_fd >= 0; }
    explicit operator bool() const noexcept { return Valid(); }

    /** Gives up ownership without closing. */
    int Release() noexcept { return std::exchange(m_fd, -1); }
    /** Closes what it owns, ignoring the outcome, and owns fd instead. */
    void Reset(int fd = -1) noexcept
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    /** Closes now and gives the reason when that fails, 0 when it worked (or nothing was open): a
     *  failed close can mean written data never reached the file. */
    int Close() noexcept
    {
        if (m_fd < 0) {
            return 0;
        }
        const int result = ::close(Release());
        // After EINTR Linux has closed the descriptor anyway, and the data went to the file.
        return (result == 0 || errno == EINTR) ? 0 : errno;
    }

private:
    int m_fd = -1;
};

/** Writes all of data, going on after interruptions and short writes. Returns 0, or the system's
 *  reason the rest could not be written (ENOSPC when a write took nothing without saying why). */
inline int WriteAll(int fd, std::string_view data) noexcept
{
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return ENOSPC;
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

/** Makes reads and writes on fd return at once instead of waiting; false when the system refuses. */
inline bool SetNonBlocking(int fd) noexcept
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace pellavane::posix
