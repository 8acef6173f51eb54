#include "engine/log_commands/log_file_io.h"

#include <gtest/gtest.h>

#include <string>

namespace pellavane {
namespace {

TEST(FileExists, IsFalseForMissingEmptyAndInvalidNames)
{
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists("/nonexistent-folder-of-pellavane/x.txt"));
    EXPECT_FALSE(FileExists(std::string("bad\0name", 8)));
}

} // namespace
} // namespace pellavane
