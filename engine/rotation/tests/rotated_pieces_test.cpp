#include "engine/rotation/rotated_pieces.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

struct NamingCase
{
    const char* what;
    std::vector<std::string> folder;
    std::vector<std::string> pieces;
    std::vector<std::string> unread;
};

TEST(OrderPieceNames, FindsPiecesAsLogrotateNamesThemOldestFirst)
{
    const NamingCase cases[] = {
        {"numbered, the newest left uncompressed",
         {"p.log", "p.log.1", "p.log.2.gz", "p.log.10.gz", "p.log.3.gz"},
         {"p.log.10.gz", "p.log.3.gz", "p.log.2.gz", "p.log.1"},
         {}},
        {"dated, the newest left uncompressed",
         {"p.log-20261201", "p.log-20261001.gz", "p.log-20261101.gz", "p.log"},
         {"p.log-20261001.gz", "p.log-20261101.gz", "p.log-20261201"},
         {}},
        {"dated by the hour and with dashes",
         {"p.log-2026120110", "p.log-20261130", "p.log-2026-11-02.gz"},
         {"p.log-2026-11-02.gz", "p.log-20261130", "p.log-2026120110"},
         {}},
        {"numbered ones from before dateext was turned on come first",
         {"p.log-20261201.gz", "p.log.1.gz", "p.log.2.gz"},
         {"p.log.2.gz", "p.log.1.gz", "p.log-20261201.gz"},
         {}},
        {"other compressors are told, not read",
         {"p.log.1", "p.log.2.xz", "p.log-20261001.zst", "p.log.3.bz2"},
         {"p.log.1"},
         {"p.log.2.xz", "p.log-20261001.zst", "p.log.3.bz2"}},
        {"names that only look alike are no pieces",
         {"p.log.", "p.log.1a", "p.log-2026", "p.logs.1", "x.p.log.1", "p.log.1.orig", "p.log.journal.csv",
          "p.journal.csv.1", "p.log-20261201.txt"},
         {},
         {}},
    };
    for (const NamingCase& c : cases) {
        std::vector<std::string> unread;
        EXPECT_EQ(OrderPieceNames("p.log", c.folder, unread), c.pieces) << c.what;
        EXPECT_EQ(unread, c.unread) << c.what;
    }
}

// The order and the reading of pieces are tested through the reports over them (rotated_history_test);
// here what only the folder's listing decides.
TEST(FindRotatedPieces, NamesUnreadPiecesByPathAndTakesAMissingFolderForNoHistory)
{
    TempFolder folder;
    WriteFile(folder.File("Pellavane.txt.3.xz"), "x");
    EXPECT_EQ(FindRotatedPieces(folder.File("Pellavane.txt")).unread,
              std::vector<std::string>{folder.File("Pellavane.txt.3.xz")});
    EXPECT_FALSE(AnyPieceExists(folder.File("missing/Pellavane.txt")));
}

} // namespace
} // namespace pellavane
