#include "engine/history/block_reader.h"

#include "engine/history/history.h"
#include "testsupport/gzip_text.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

// Lines of many lengths, some ended CR LF, enough for several blocks, with one line longer than the
// limit in the middle.
std::vector<std::string> Lines()
{
    std::vector<std::string> lines;
    std::size_t size = 0;
    for (int i = 0; size < 3 * BlockReader::kLineLimit; ++i) {
        std::string line =
            "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i * 37 % 301), 'x');
        if (i == 9000) {
            line.assign(BlockReader::kLineLimit + 1000, 'L');
        }
        size += line.size() + 1;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string Text(const std::vector<std::string>& lines, std::size_t from, std::size_t to)
{
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        text += lines[i] + (i % 3 == 0 ? "\r\n" : "\n");
    }
    return text;
}

struct Read
{
    std::vector<std::string> lines;
    std::vector<std::size_t> pieceStarts;
    std::vector<std::string> notes;
};

Read ReadAll(const std::string& path, std::size_t stopAfter = SIZE_MAX)
{
    Read read;
    BlockReader reader(path);
    reader.ForEachLine([&](std::string_view line) {
        if (reader.AtPieceStart()) {
            read.pieceStarts.push_back(read.lines.size());
        }
        read.lines.emplace_back(line);
        return read.lines.size() < stopAfter;
    });
    read.notes = reader.Notes();
    return read;
}

struct Cut
{
    const char* what;
    // Where the pieces begin, as shares of the lines, and whether each is compressed.
    std::vector<double> starts;
    std::vector<bool> gzip;
};

TEST(BlockReaderTest, GivesTheLinesOfRotatedPiecesAsThoseOfTheUncutFile)
{
    const std::vector<std::string> lines = Lines();
    std::vector<std::string> expected = lines;
    expected[9000].resize(BlockReader::kLineLimit);
    const Cut cuts[] = {
        {"the file alone", {0.0}, {false}},
        {"one compressed piece and the file", {0.0, 0.9999}, {true, false}},
        {"compressed, plain and the file", {0.0, 0.4, 0.7}, {true, false, false}},
        {"twelve compressed pieces and the file",
         {0, .08, .16, .25, .33, .41, .5, .58, .66, .75, .83, .91, .95},
         {true, true, true, true, true, true, true, true, true, true, true, true, false}},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.what);
        TempFolder folder;
        const std::string file = folder.File("p.log");
        std::vector<std::size_t> starts;
        for (double share : cut.starts) {
            starts.push_back(static_cast<std::size_t>(share * static_cast<double>(lines.size())));
        }
        for (std::size_t piece = 0; piece < starts.size(); ++piece) {
            const std::size_t end = piece + 1 < starts.size() ? starts[piece + 1] : lines.size();
            const std::string text = Text(lines, starts[piece], end);
            const std::size_t age = starts.size() - 1 - piece;
            const std::string name = age == 0 ? file : file + "." + std::to_string(age);
            WriteFile(cut.gzip[piece] ? name + ".gz" : name, cut.gzip[piece] ? GzipText(text) : text);
        }
        const Read read = ReadAll(file);
        EXPECT_TRUE(read.lines == expected) << read.lines.size() << " lines against " << expected.size();
        EXPECT_EQ(read.pieceStarts, starts);
        EXPECT_TRUE(read.notes.empty());
        // A reader that stops early stops its worker with it.
        EXPECT_EQ(ReadAll(file, 10).lines.size(), 10u);
    }
}

TEST(BlockReaderTest, APieceWithoutALastLineEndEndsItsLineAndADamagedOneLosesOnlyItsCutLine)
{
    TempFolder folder;
    const std::string file = folder.File("p.log");
    WriteFile(file + ".2", "a\r\nb");
    const std::string gz = GzipText("c\r\nd\r\n" + std::string(200000, 'e') + "\r\nf\r\n");
    WriteFile(file + ".1.gz", gz.substr(0, gz.size() / 2));
    WriteFile(file, "g\r\n");
    const Read read = ReadAll(file);
    EXPECT_EQ(read.lines, (std::vector<std::string>{"a", "b", "c", "d", "g"}));
    ASSERT_EQ(read.notes.size(), 1u);
    EXPECT_NE(read.notes[0].find(file + ".1.gz"), std::string::npos);

    std::filesystem::remove(file);
    std::filesystem::remove(file + ".2");
    std::filesystem::remove(file + ".1.gz");
    EXPECT_THROW(BlockReader{file}, HistoryReadError);
}

} // namespace
} // namespace pellavane
