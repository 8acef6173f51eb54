#include "core/local_time.h"

#include "core/win32_support.h"

#include <iterator>
#include <string_view>

namespace pellavane {
namespace {

// The short date picture with the year in full: a two-digit year reads as another century in a log
// that is kept for years. Text in single quotes is literal and stays as it is.
std::wstring WithFullYear(std::wstring_view picture)
{
    std::wstring result;
    bool quoted = false;
    for (std::size_t i = 0; i < picture.size();) {
        const wchar_t c = picture[i];
        if (c == L'\'') {
            quoted = !quoted;
            result.push_back(c);
            ++i;
            continue;
        }
        if (quoted || c != L'y') {
            result.push_back(c);
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i < picture.size() && picture[i] == L'y') {
            ++run;
            ++i;
        }
        result.append(run < 4 ? 4 : run, L'y');
    }
    return result;
}

std::wstring ShortDatePicture()
{
    wchar_t picture[128] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture,
                         static_cast<int>(std::size(picture))) <= 0) {
        return {};
    }
    return WithFullYear(picture);
}

std::wstring FormatDate(const SYSTEMTIME& time)
{
    const std::wstring picture = ShortDatePicture();
    const LPCWSTR format = picture.empty() ? nullptr : picture.c_str();
    const DWORD flags = picture.empty() ? DATE_SHORTDATE : 0;
    const int size = ::GetDateFormatW(LOCALE_USER_DEFAULT, flags, &time, format, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int written = ::GetDateFormatW(LOCALE_USER_DEFAULT, flags, &time, format, text.data(), size);
    text.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
    return text;
}

std::wstring FormatTime(const SYSTEMTIME& time)
{
    const int size = ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int written = ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text.data(), size);
    text.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
    return text;
}

} // namespace

std::string DateTimeText(std::time_t t)
{
    // The C runtime's local time, so that a time built with mktime reads back as the same moment.
    std::tm local{};
    if (localtime_s(&local, &t) != 0) {
        return std::to_string(t);
    }
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(local.tm_year + 1900);
    time.wMonth = static_cast<WORD>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time.wDay = static_cast<WORD>(local.tm_mday);
    time.wHour = static_cast<WORD>(local.tm_hour);
    time.wMinute = static_cast<WORD>(local.tm_min);
    time.wSecond = static_cast<WORD>(local.tm_sec);

    const std::string date = win32::WideToUtf8(FormatDate(time));
    if (local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0) {
        return date;
    }
    return date + " " + win32::WideToUtf8(FormatTime(time));
}

namespace {

std::string LocaleText(LCTYPE type, const char* fallback)
{
    wchar_t text[128] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, static_cast<int>(std::size(text))) <= 0 ||
        text[0] == L'\0') {
        return fallback;
    }
    return win32::WideToUtf8(text);
}

} // namespace

LocaleDateTimeForm UserDateTimeForm()
{
    LocaleDateTimeForm form;
    form.notation = LocaleDateTimeForm::Notation::Picture;
    form.date = win32::WideToUtf8(ShortDatePicture());
    form.time = LocaleText(LOCALE_STIMEFORMAT, "HH:mm:ss");
    form.names.am = LocaleText(LOCALE_S1159, "AM");
    form.names.pm = LocaleText(LOCALE_S2359, "PM");
    for (LCTYPE i = 0; i < 12; ++i) {
        form.names.months.push_back(LocaleText(LOCALE_SABBREVMONTHNAME1 + i, ""));
    }
    for (LCTYPE i = 0; i < 12; ++i) {
        form.names.months.push_back(LocaleText(LOCALE_SMONTHNAME1 + i, ""));
    }
    return form;
}

bool ToLocalTm(std::int64_t t, std::tm& out)
{
    const auto time = static_cast<std::time_t>(t);
    return localtime_s(&out, &time) == 0;
}

} // namespace pellavane
