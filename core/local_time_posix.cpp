#include "core/local_time.h"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <string_view>
#include <vector>

namespace pellavane {
namespace {

class TimeLocale
{
public:
    TimeLocale()
    {
        m_locale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
        if (m_locale == static_cast<locale_t>(nullptr)) {
            m_locale = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
        }
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;
    ~TimeLocale()
    {
        if (m_locale != static_cast<locale_t>(nullptr)) {
            ::freelocale(m_locale);
        }
    }
    locale_t Get() const { return m_locale; }

private:
    locale_t m_locale;
};

std::string Langinfo(nl_item item, locale_t locale, const char* fallback)
{
    const char* text = locale != static_cast<locale_t>(nullptr) ? ::nl_langinfo_l(item, locale) : nullptr;
    return (text != nullptr && *text != '\0') ? std::string(text) : std::string(fallback);
}

// The short date with the year in full: two-digit years ("%y", and "%D" which holds one) read as
// another century in a log that is kept for years.
std::string WithFullYear(std::string_view format)
{
    std::string result;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            result.push_back(format[i]);
            continue;
        }
        const char conversion = format[++i];
        if (conversion == 'y') {
            result += "%Y";
        } else if (conversion == 'D') {
            result += "%m/%d/%Y";
        } else {
            result.push_back('%');
            result.push_back(conversion);
        }
    }
    return result;
}

std::string Format(const std::string& format, const std::tm& tm, locale_t locale)
{
    std::vector<char> buffer(128);
    for (;;) {
        const std::size_t length =
            locale != static_cast<locale_t>(nullptr)
                ? ::strftime_l(buffer.data(), buffer.size(), format.c_str(), &tm, locale)
                : ::strftime(buffer.data(), buffer.size(), format.c_str(), &tm);
        if (length > 0 || buffer.size() > 4096) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 4);
    }
}

} // namespace

std::string DateTimeText(std::time_t t)
{
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) {
        return std::to_string(t);
    }
    const TimeLocale locale;
    const std::string date =
        Format(WithFullYear(Langinfo(D_FMT, locale.Get(), "%m/%d/%y")), tm, locale.Get());
    if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0) {
        return date;
    }
    return date + " " + Format(Langinfo(T_FMT, locale.Get(), "%H:%M:%S"), tm, locale.Get());
}

LocaleDateTimeForm UserDateTimeForm()
{
    const TimeLocale locale;
    LocaleDateTimeForm form;
    form.notation = LocaleDateTimeForm::Notation::Strftime;
    form.date = Langinfo(D_FMT, locale.Get(), "%m/%d/%y");
    form.time = Langinfo(T_FMT, locale.Get(), "%H:%M:%S");
    form.names.am = Langinfo(AM_STR, locale.Get(), "AM");
    form.names.pm = Langinfo(PM_STR, locale.Get(), "PM");
    for (int i = 0; i < 12; ++i) {
        form.names.months.push_back(Langinfo(static_cast<nl_item>(ABMON_1 + i), locale.Get(), ""));
    }
    for (int i = 0; i < 12; ++i) {
        form.names.months.push_back(Langinfo(static_cast<nl_item>(MON_1 + i), locale.Get(), ""));
    }
    return form;
}

bool ToLocalTm(std::int64_t t, std::tm& out)
{
    const auto time = static_cast<std::time_t>(t);
    return ::localtime_r(&time, &out) != nullptr;
}

} // namespace pellavane
