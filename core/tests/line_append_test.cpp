#include "core/line_append.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace pellavane {
namespace {

using pellavane::testing::ReadFile;
using pellavane::testing::TempFolder;
using pellavane::testing::WriteFile;

TEST(LineAppendFile, CreatesTheFileAndAppendsAtItsEnd)
{
    TempFolder folder;
    const std::string path = folder.File("lines.txt");
    for (const char* line : {"first\r\n", "second\r\n"}) {
        LineAppendFile file(path, LineAppendFile::Access::Append);
        EXPECT_TRUE(file.IsRegularFile());
        file.AppendWhole(line);
        file.Close();
    }
    EXPECT_EQ(ReadFile(path), "first\r\nsecond\r\n");
}

TEST(LineAppendFile, SizeIsTakenUnderTheLockBeforeTheAppend)
{
    TempFolder folder;
    const std::string path = folder.File("journal.csv");
    WriteFile(path, "header\r\n");
    LineAppendFile file(path, LineAppendFile::Access::ReadAndAppend);
    file.LockWholeFile();
    EXPECT_EQ(file.Size(), 8U);
    file.AppendWhole("row\r\n");
    file.Close();
    EXPECT_EQ(ReadFile(path), "header\r\nrow\r\n");
}

TEST(LineAppendFile, AFileThatCannotBeOpenedGivesTheSystemsReason)
{
    TempFolder folder;
    try {
        LineAppendFile file(folder.File("no such folder/log.txt"), LineAppendFile::Access::Append);
        FAIL() << "opened a file in a missing folder";
    } catch (const AppendFailure& failure) {
        EXPECT_FALSE(std::string(failure.what()).empty());
        EXPECT_EQ(std::string(failure.what()).find("no such folder"), std::string::npos)
            << "the reason alone: the caller names the file";
    }
}

} // namespace
} // namespace pellavane
