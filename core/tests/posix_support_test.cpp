#include "core/posix_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace pellavane::posix {
namespace {

bool IsOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(UniqueFd, ClosesOnceWhateverOwnsItLast)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    UniqueFd writeEnd(fds[1]);
    {
        UniqueFd readEnd(fds[0]);
        UniqueFd moved(std::move(readEnd));
        EXPECT_FALSE(readEnd.Valid());
        EXPECT_TRUE(IsOpen(fds[0]));
    }
    EXPECT_FALSE(IsOpen(fds[0]));

    EXPECT_EQ(writeEnd.Close(), 0);
    EXPECT_FALSE(IsOpen(fds[1]));
    EXPECT_EQ(writeEnd.Close(), 0) << "closing nothing is no error";
}

TEST(WriteAll, WritesEverythingOrGivesTheSystemsReason)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    const std::string text(4000, 'x');
    ASSERT_EQ(WriteAll(writeEnd.Get(), text), 0);
    std::string read(text.size(), '\0');
    EXPECT_EQ(::read(readEnd.Get(), read.data(), read.size()), static_cast<ssize_t>(text.size()));
    EXPECT_EQ(read, text);

    EXPECT_EQ(WriteAll(readEnd.Get(), "x"), EBADF) << "the read end of a pipe";
    UniqueFd full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(full.Valid());
    EXPECT_EQ(WriteAll(full.Get(), "x"), ENOSPC);
}

} // namespace
} // namespace pellavane::posix
