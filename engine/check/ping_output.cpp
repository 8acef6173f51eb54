#include "engine/check/ping_output.h"

#include "core/text_lines.h"

#include <algorithm>

namespace pellavane {
namespace {

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "=0.120 ms", "=12ms" or "<1ms" at text[at]: the number, read by hand because the program's
// locale may spell decimals with a comma.
std::optional<double> NumberOfMilliseconds(std::string_view text, std::size_t at)
{
    std::size_t i = at + 1;
    // Whole digits over a power of ten: one correctly rounded division, so "0.120" is 0.12 exactly
    // as the text would be read.
    double digitsValue = 0;
    double scale = 1;
    bool digits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        digitsValue = digitsValue * 10 + (text[i] - '0');
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            digitsValue = digitsValue * 10 + (text[i] - '0');
            scale *= 10;
            digits = true;
        }
    }
    const double value = digitsValue / scale;
    if (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (!digits || text.substr(i, 2) != "ms") {
        return std::nullopt;
    }
    return value;
}

bool ContainsExactly(std::string_view text, std::string_view marker)
{
    return text.find(marker) != std::string_view::npos;
}

bool ClassifyWindows(std::string_view output)
{
    return ContainsIgnoringCase(output, "TTL=") && ContainsIgnoringCase(output, "bytes=") &&
           !ContainsExactly(output, "Request Timed Out");
}

// Unix pings announce "56(84) bytes of data" in their header, so "bytes" alone proves nothing: a
// reply is a line that names both the sender ("bytes from") and the reply's time to live.
bool ClassifyUnix(std::string_view output)
{
    const bool replyLine = AnyLine(output, [](std::string_view line) {
        return ContainsIgnoringCase(line, "bytes from") && ContainsIgnoringCase(line, "ttl=");
    });
    return replyLine && !ContainsIgnoringCase(output, "100% packet loss") &&
           !ContainsIgnoringCase(output, "Request timeout");
}

} // namespace

bool ContainsIgnoringCase(std::string_view text, std::string_view marker)
{
    const auto found = std::search(text.begin(), text.end(), marker.begin(), marker.end(),
                                   [](char a, char b) { return Lower(a) == Lower(b); });
    return found != text.end() || marker.empty();
}

bool ClassifyPingOutput(std::string_view output, PingDialect dialect)
{
    return dialect == PingDialect::Windows ? ClassifyWindows(output) : ClassifyUnix(output);
}

std::optional<double> PingRoundTrip(std::string_view output)
{
    std::optional<double> roundTrip;
    AnyLine(output, [&](std::string_view line) {
        if (!ContainsIgnoringCase(line, "ttl=") || !ContainsIgnoringCase(line, "bytes")) {
            return false;
        }
        for (std::size_t i = 0; i < line.size() && !roundTrip; ++i) {
            if (line[i] == '=' || line[i] == '<') {
                roundTrip = NumberOfMilliseconds(line, i);
            }
        }
        return roundTrip.has_value();
    });
    return roundTrip;
}

} // namespace pellavane
