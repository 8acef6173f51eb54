#include "core/line_append.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pellavane {
namespace {

using pellavane::testing::ReadFile;
using pellavane::testing::TempFolder;
using pellavane::testing::WriteFile;

// A write past the file-size limit fails (the signal it raises is ignored) and is cut back, so the
// file ends with the last whole line; run in a child, since the limit is the whole process's.
TEST(LineAppendFilePosix, AWriteThatFailsIsCutBackToWhereTheFileWas)
{
    TempFolder folder;
    const std::string path = folder.File("log.txt");
    WriteFile(path, "whole line\r\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{16, 16};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            ::_exit(3);
        }
        try {
            LineAppendFile file(path, LineAppendFile::Access::Append);
            file.AppendWhole("a line too long for the limit\r\n");
            ::_exit(1);
        } catch (const AppendFailure& failure) {
            ::_exit(std::string(failure.what()) == "File too large" ? 0 : 2);
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(path), "whole line\r\n");
}

TEST(LineAppendFilePosix, OnlyAPlainFileIsRegular)
{
    TempFolder folder;
    const std::string fifo = folder.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opened to be checked, a pipe with no reader does not hold up the open.
    LineAppendFile fifoFile(fifo, LineAppendFile::Access::ReadAndAppend);
    EXPECT_FALSE(fifoFile.IsRegularFile());
    LineAppendFile device("/dev/null", LineAppendFile::Access::Append);
    EXPECT_FALSE(device.IsRegularFile());
}

TEST(LineAppendFilePosix, TheLockKeepsOthersOutUntilTheClose)
{
    TempFolder folder;
    const std::string path = folder.File("journal.csv");
    LineAppendFile file(path, LineAppendFile::Access::ReadAndAppend);
    file.LockWholeFile();
    const posix::UniqueFd other(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(other.Valid());
    EXPECT_NE(::flock(other.Get(), LOCK_EX | LOCK_NB), 0);
    file.Close();
    EXPECT_EQ(::flock(other.Get(), LOCK_EX | LOCK_NB), 0);
}

} // namespace
} // namespace pellavane
