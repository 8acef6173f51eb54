#pragma once

// POSIX only.

#include <cerrno>
#include <cstdint>
#include <system_error>

#include <sys/resource.h>

namespace pellavane::testing {

/** Lowers this process's soft file-size limit (RLIMIT_FSIZE) for as long as it lives. The hard limit
 *  stays, so the old limit can come back; children started meanwhile keep the lowered one. Whether a
 *  write past the limit kills the writer by SIGXFSZ or fails with EFBIG is the caller's choice. */
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(std::uintmax_t bytes)
    {
        if (::getrlimit(RLIMIT_FSIZE, &m_saved) != 0) {
            throw std::system_error(errno, std::generic_category(), "Cannot read the file-size limit");
        }
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(bytes);
        if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0) {
            throw std::system_error(errno, std::generic_category(), "Cannot lower the file-size limit");
        }
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    ~ScopedFileSizeLimit() { Restore(); }

    /** Puts the old limit back before the end of the scope; false when that fails. */
    bool Restore()
    {
        if (!m_restored) {
            m_restored = ::setrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        }
        return m_restored;
    }

private:
    rlimit m_saved{};
    bool m_restored = false;
};

} // namespace pellavane::testing
