#include "engine/rotation/rotated_pieces.h"

#include "core/utf8_path.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <system_error>
#include <tuple>

namespace pellavane {
namespace {

constexpr std::string_view kGzip = ".gz";

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// A date as dateformat writes it: digits, perhaps parted by '-' or '_', at least a year, month and day.
bool IsDateStamp(std::string_view text)
{
    const auto digits = std::count_if(text.begin(), text.end(), IsDigit);
    return !text.empty() && IsDigit(text.front()) && IsDigit(text.back()) && digits >= 8 &&
           std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || c == '-' || c == '_'; });
}

// The extensions logrotate's compressors add other than gzip's.
bool IsOtherCompression(std::string_view suffix)
{
    static constexpr std::string_view kOthers[] = {".xz", ".bz2", ".zst", ".lz4", ".lzma",
                                                   ".lz", ".lzo", ".Z",   ".br"};
    return std::find(std::begin(kOthers), std::end(kOthers), suffix) != std::end(kOthers);
}

struct Candidate
{
    // Numbered pieces first, then dated ones.
    int kind = 0;
    // For a numbered piece its number, negated so that the oldest sorts first.
    std::int64_t order = 0;
    std::string stamp;
    std::string name;
};

} // namespace

std::vector<std::string> OrderPieceNames(const std::string& name, const std::vector<std::string>& folder,
                                         std::vector<std::string>& unread)
{
    std::vector<Candidate> found;
    for (const std::string& entry : folder) {
        if (entry.size() < name.size() + 2 || entry.compare(0, name.size(), name) != 0) {
            continue;
        }
        const std::string_view rest = std::string_view(entry).substr(name.size());
        if (rest.front() != '.' && rest.front() != '-') {
            continue;
        }
        // The stamp runs to the next dot; what follows it, if anything, is a compressor's extension.
        const std::size_t dot = rest.find('.', 1);
        const std::string_view stamp = rest.substr(1, dot == std::string_view::npos ? rest.npos : dot - 1);
        const std::string_view suffix = dot == std::string_view::npos ? std::string_view() : rest.substr(dot);
        const bool numbered = rest.front() == '.' && AllDigits(stamp) && stamp.size() <= 9;
        const bool dated = rest.front() == '-' && IsDateStamp(stamp);
        if (!numbered && !dated) {
            continue;
        }
        if (!suffix.empty() && suffix != kGzip) {
            if (IsOtherCompression(suffix)) {
                unread.push_back(entry);
            }
            continue;
        }
        Candidate candidate;
        candidate.kind = numbered ? 0 : 1;
        candidate.order = numbered ? -std::stoll(std::string(stamp)) : 0;
        candidate.stamp = std::string(stamp);
        candidate.name = entry;
        found.push_back(std::move(candidate));
    }
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.kind, a.order, a.stamp, a.name) < std::tie(b.kind, b.order, b.stamp, b.name);
    });
    std::vector<std::string> names;
    names.reserve(found.size());
    for (Candidate& candidate : found) {
        names.push_back(std::move(candidate.name));
    }
    return names;
}

RotatedSet FindRotatedPieces(const std::string& path)
{
    RotatedSet set;
    const std::filesystem::path file = PathFromUtf8(path);
    const std::filesystem::path parent = file.parent_path();
    const std::string name = Utf8FromPath(file.filename());
    std::vector<std::string> folder;
    std::error_code error;
    for (std::filesystem::directory_iterator it(parent.empty() ? std::filesystem::path(".") : parent, error),
         end;
         !error && it != end; it.increment(error)) {
        folder.push_back(Utf8FromPath(it->path().filename()));
    }
    std::vector<std::string> unread;
    for (const std::string& piece : OrderPieceNames(name, folder, unread)) {
        const bool gzip = piece.size() > kGzip.size() &&
                          piece.compare(piece.size() - kGzip.size(), kGzip.size(), kGzip) == 0;
        set.pieces.push_back(RotatedPiece{Utf8FromPath(parent / PathFromUtf8(piece)), gzip});
    }
    for (const std::string& piece : unread) {
        set.unread.push_back(Utf8FromPath(parent / PathFromUtf8(piece)));
    }
    if (std::filesystem::exists(file, error)) {
        set.pieces.push_back(RotatedPiece{path, false});
    }
    return set;
}

bool AnyPieceExists(const std::string& path)
{
    return !FindRotatedPieces(path).pieces.empty();
}

} // namespace pellavane
