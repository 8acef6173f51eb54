#include "engine/check/ping_output.h"

#include "core/text_lines.h"

#include <algorithm>
#include <utility>

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

// No reply takes an hour: a longer round trip is damaged text, not a time.
constexpr double kLongestRoundTripMs = 3600000;
constexpr double kMostDecimalsScale = 1e15;

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
            // Decimals past what a double holds change nothing, and would overflow the scale.
            if (scale < kMostDecimalsScale) {
                digitsValue = digitsValue * 10 + (text[i] - '0');
                scale *= 10;
            }
            digits = true;
        }
    }
    const double value = digitsValue / scale;
    if (i < text.size() && text[i] == ' ') {
        ++i;
    }
    // Written so that the infinity of hundreds of digits fails as well.
    if (!digits || text.substr(i, 2) != "ms" || !(value <= kLongestRoundTripMs)) {
        return std::nullopt;
    }
    return value;
}

bool ContainsExactly(std::string_view text, std::string_view marker)
{
    return text.find(marker) != std::string_view::npos;
}

/** The round trip a reply line names: the first "=" or "<" followed by milliseconds. */
std::optional<double> LineRoundTrip(std::string_view line)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '=' || line[i] == '<') {
            if (const auto roundTrip = NumberOfMilliseconds(line, i)) {
                return roundTrip;
            }
        }
    }
    return std::nullopt;
}

// A summary that claims more echoes than any ping of ours sends is not ours to believe.
constexpr long long kMostEchoesCounted = 1000;

std::optional<long long> Digits(std::string_view text)
{
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    long long number = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

/** The whole number right after marker in line. */
std::optional<long long> NumberAfter(std::string_view line, std::string_view marker)
{
    const std::size_t at = line.find(marker);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t end = at + marker.size();
    while (end < line.size() && IsDigit(line[end])) {
        ++end;
    }
    return Digits(line.substr(at + marker.size(), end - at - marker.size()));
}

/** The whole number right before marker in line. */
std::optional<long long> NumberBefore(std::string_view line, std::string_view marker)
{
    const std::size_t at = line.find(marker);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t start = at;
    while (start > 0 && IsDigit(line[start - 1])) {
        --start;
    }
    return Digits(line.substr(start, at - start));
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
        roundTrip = LineRoundTrip(line);
        return roundTrip.has_value();
    });
    return roundTrip;
}

PingEchoLines ReadPingEchoes(std::string_view output, PingDialect dialect)
{
    const bool windows = dialect == PingDialect::Windows;
    std::vector<std::pair<long long, double>> answers;
    PingEchoLines echoes;
    AnyLine(output, [&](std::string_view line) {
        const bool answer = windows
                                ? ContainsIgnoringCase(line, "bytes=") && ContainsIgnoringCase(line, "ttl=")
                                : ContainsIgnoringCase(line, "bytes from") &&
                                      ContainsIgnoringCase(line, "ttl=") && !ContainsExactly(line, "DUP!");
        const std::optional<double> rtt = answer ? LineRoundTrip(line) : std::nullopt;
        if (rtt) {
            // Windows numbers no echo, and a ping that prints no sequence keeps the printed order.
            std::optional<long long> sequence;
            if (!windows) {
                sequence = NumberAfter(line, "icmp_seq=");
                // The older iputils name for the same number.
                sequence = sequence ? sequence : NumberAfter(line, "icmp_req=");
            }
            answers.emplace_back(sequence.value_or(static_cast<long long>(answers.size())), *rtt);
        }
        const std::optional<long long> sent =
            windows ? NumberAfter(line, "Sent = ") : NumberBefore(line, " packets transmitted");
        if (sent && *sent <= kMostEchoesCounted) {
            echoes.transmitted = static_cast<int>(*sent);
        }
        return false;
    });
    std::stable_sort(answers.begin(), answers.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < answers.size(); ++i) {
        if (i == 0 || answers[i].first != answers[i - 1].first) {
            echoes.rttsMs.push_back(answers[i].second);
        }
    }
    return echoes;
}

} // namespace pellavane
