#include "engine/listeners/metrics_file.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <sys/stat.h>

namespace pellavane {
namespace {

TEST(MetricsFilePosixTest, ReaderRacingTheWriterSeesOnlyWholeFiles)
{
    testing::TempFolder folder;
    const std::string path = folder.File("pellavane.prom");
    const std::string small = "a 1\n";
    const std::string large = std::string(100000, '#') + "\nb 2\n";
    ReplaceFileAtomically(path, small);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (bool big = true; !done; big = !big) {
            ReplaceFileAtomically(path, big ? large : small);
        }
    });
    int torn = 0;
    for (int i = 0; i < 10000; ++i) {
        const std::string read = testing::ReadFile(path);
        torn += (read != small && read != large) ? 1 : 0;
    }
    done = true;
    writer.join();
    EXPECT_EQ(torn, 0);
    struct stat info
    {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644U);
}

} // namespace
} // namespace pellavane
