#include "core/utf8_text.h"

#include <cstdint>
#include <cstring>

namespace pellavane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0U) == 0x80U;
}

// Length of the well-formed sequence starting at bytes[i], or 0 when there is none (the table of
// well-formed byte sequences of the Unicode standard, chapter 3).
std::size_t SequenceLength(std::string_view bytes, std::size_t i)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const std::size_t left = bytes.size() - i;
    const unsigned char lead = at(0);
    if (lead < 0x80U) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80U;
    unsigned char high = 0xBFU;
    if (lead >= 0xC2U && lead <= 0xDFU) {
        length = 2;
    } else if (lead >= 0xE0U && lead <= 0xEFU) {
        length = 3;
        if (lead == 0xE0U) {
            low = 0xA0U;
        } else if (lead == 0xEDU) {
            high = 0x9FU;
        }
    } else if (lead >= 0xF0U && lead <= 0xF4U) {
        length = 4;
        if (lead == 0xF0U) {
            low = 0x90U;
        } else if (lead == 0xF4U) {
            high = 0x8FU;
        }
    } else {
        return 0;
    }
    if (left < length || at(1) < low || at(1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (!IsContinuation(at(k))) {
            return 0;
        }
    }
    return length;
}

// Position of the first byte that starts no well-formed sequence; bytes.size() when there is none.
// Console output is mostly ASCII, which is passed over eight bytes at a time.
std::size_t FirstIllFormed(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes.size() - i >= sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += sizeof word;
                continue;
            }
        }
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            return i;
        }
        i += length;
    }
    return bytes.size();
}

} // namespace

std::size_t WellFormedUtf8Length(std::string_view bytes)
{
    return FirstIllFormed(bytes);
}

void MendUtf8(std::string& bytes)
{
    if (FirstIllFormed(bytes) != bytes.size()) {
        bytes = ValidUtf8(bytes);
    }
}

std::string ValidUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    // Well-formed bytes are copied a run at a time: a child that floods the pipe gives tens of
    // megabytes, and copying them one sequence at a time took longer than the capture's own bound.
    std::size_t runStart = 0;
    std::size_t i = FirstIllFormed(bytes);
    while (i < bytes.size()) {
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            text.append(bytes.substr(runStart, i - runStart));
            text.append(kReplacement);
            // One replacement per maximal ill-formed prefix: skip the continuation bytes after it.
            ++i;
            while (i < bytes.size() && IsContinuation(static_cast<unsigned char>(bytes[i]))) {
                ++i;
            }
            runStart = i;
            continue;
        }
        i += length;
    }
    text.append(bytes.substr(runStart));
    return text;
}

} // namespace pellavane
