#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <time.h>
#include <utility>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace pellavane::testing {

/** The time_t of a local date and time. */
inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

/** A fresh folder under the system's temporary folder, removed with everything in it. */
class TempFolder
{
public:
    TempFolder()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto candidate =
                std::filesystem::temp_directory_path() / ("pellavane-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                m_path = candidate;
                return;
            }
        }
        throw std::runtime_error("Cannot create a temporary folder");
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/** Writes content as the whole file; a set-up that cannot write throws rather than let a test go
 *  on from a file that is not there. */
inline void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) {
        throw std::runtime_error("Cannot write '" + path + "'");
    }
}

#ifndef _WIN32
/** Writes a /bin/sh script and makes it executable. */
inline std::string WriteScript(const std::string& path, const std::string& body)
{
    WriteFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
}
#endif

/** Sets (or with nullopt removes) one environment variable and puts the old value back. */
class ScopedEnv
{
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : m_name(std::move(name))
    {
        if (const char* old = std::getenv(m_name.c_str())) {
            m_old = old;
        }
        Set(value);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() { Set(m_old); }

private:
    void Set(const std::optional<std::string>& value)
    {
#ifdef _WIN32
        _putenv_s(m_name.c_str(), value ? value->c_str() : "");
#else
        if (value) {
            ::setenv(m_name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(m_name.c_str());
        }
#endif
    }
    std::string m_name;
    std::optional<std::string> m_old;
};

/** Sets TZ for a while and makes the C library read it, then puts the old zone back. */
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone) : m_env(std::in_place, "TZ", zone) { Apply(); }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;
    ~ScopedTimeZone()
    {
        m_env.reset();
        Apply();
    }

private:
    static void Apply()
    {
#ifdef _WIN32
        _tzset();
#else
        tzset();
#endif
    }
    std::optional<ScopedEnv> m_env;
};

} // namespace pellavane::testing
