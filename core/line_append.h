#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#ifdef _WIN32
#include "core/win32_support.h"
#else
#include "core/posix_support.h"
#endif

namespace pellavane {

/** The system refused a step of an append; what() is its own reason ("No space left on device"),
 *  which the caller puts after the name of the file it was writing. */
class AppendFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** A file opened to append whole lines, as the log and the journal are written: created when it is
 *  missing and left open to other readers and writers meanwhile. A line is appended in one write at
 *  the end of the file, and a write that fails is cut back, so the file holds whole lines only. */
class LineAppendFile
{
public:
#ifdef _WIN32
    using Native = HANDLE;
#else
    using Native = int;
#endif

    enum class Access
    {
        /** Only appended to. */
        Append,
        /** Read as well, to check what it holds before the append; the open does not wait on a pipe
         *  or device someone left at the path. */
        ReadAndAppend
    };

    /** Opens path, creating the file when it is missing. Throws AppendFailure. */
    LineAppendFile(const std::string& path, Access access);
    LineAppendFile(const LineAppendFile&) = delete;
    LineAppendFile& operator=(const LineAppendFile&) = delete;
    ~LineAppendFile();

    /** False for a pipe, a device or anything else that is not a plain file on a disk. */
    bool IsRegularFile() const;
    /** Holds an exclusive lock over the whole file until it is closed, waiting while another holds
     *  one: another copy of the program then appends before or after, never in between. */
    void LockWholeFile();
    /** The size of the file now, which is also where a failed AppendWhole cuts the file back to. */
    std::uint64_t Size();
    /** Writes text at the end of the file as it is at that moment, in one write, so that it stays
     *  whole beside other writers. When the write fails the file is cut back to its Size() before
     *  (read now when it was not asked yet), so no torn line is left behind. */
    void AppendWhole(std::string_view text);
    /** Closes the file; a failed close can mean the data never reached it. */
    void Close();

    /** The open file, for reads of the caller's own; it stays owned here. */
    Native Get() const noexcept;

private:
#ifdef _WIN32
    win32::Handle m_file;
    bool m_locked = false;
#else
    posix::UniqueFd m_file;
#endif
    std::optional<std::uint64_t> m_sizeBefore;
};

} // namespace pellavane
