#include "settings/settings.h"

#include "settings/often_index.h"

namespace pellavane {

namespace {

constexpr const char* kOn = "On";
constexpr const char* kOff = "Off";

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

} // namespace pellavane
