#include "settings/settings.h"

#include "settings/often_index.h"

#include <charconv>
#include <stdexcept>

namespace pellavane {

namespace {

constexpr const char* kOn = "On";
constexpr const char* kOff = "Off";

/** text as a whole decimal number with optional blanks around it; throws naming the setting. */
template <class T>
T Number(const std::string& text, const char* what)
{
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    T value{};
    const char* begin = text.data() + (first == std::string::npos ? text.size() : first);
    const char* end = text.data() + (last == std::string::npos ? 0 : last + 1);
    const auto [ptr, ec] = begin < end ? std::from_chars(begin, end, value)
                                       : std::from_chars_result{begin, std::errc::invalid_argument};
    if (ec != std::errc() || ptr != end) {
        throw std::invalid_argument("The stored " + std::string(what) + " '" + text + "' is not a number.");
    }
    return value;
}

template <class T>
T InRange(T value, T lowest, T highest, const std::string& text, const char* what, const char* range)
{
    // Written so that a NaN fails as well.
    if (!(value >= lowest && value <= highest)) {
        throw std::out_of_range("The stored " + std::string(what) + " '" + text + "' is not within " + range +
                                ".");
    }
    return value;
}

} // namespace

std::string TextAsIs(const std::string& text)
{
    return text;
}

bool IsOn(const std::string& text)
{
    return text == kOn;
}

std::string OnOffText(const bool& on)
{
    return on ? kOn : kOff;
}

std::optional<bool> OnOffOrNeither(const std::string& text)
{
    if (text == kOn) {
        return true;
    }
    if (text == kOff) {
        return false;
    }
    return std::nullopt;
}

std::string OnOffOrNeitherText(const std::optional<bool>& on)
{
    return on ? OnOffText(*on) : std::string();
}

std::optional<std::string> TextIfStored(const std::string& text)
{
    return text == kNothingStored ? std::nullopt : std::optional<std::string>(text);
}

std::string StoredText(const std::optional<std::string>& text)
{
    return text.value_or(std::string());
}

int ShortNumber(const std::string& text)
{
    return ParseOftenIndex(text);
}

std::string NumberText(const int& number)
{
    return std::to_string(number);
}

double LossPercent(const std::string& text)
{
    constexpr const char* what = "loss in percent (DegradedLossPct)";
    return InRange(Number<double>(text, what), 0.1, 100.0, text, what, "0.1 to 100");
}

int RoundTripMs(const std::string& text)
{
    constexpr const char* what = "round trip in milliseconds (DegradedRttMs)";
    return InRange(Number<int>(text, what), 1, 60000, text, what, "1 to 60000");
}

std::string DecimalText(const double& number)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

} // namespace pellavane
