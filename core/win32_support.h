#pragma once

// Small pieces the engine's Windows files share: an owning handle and the text conversions between
// the program's UTF-8 and the system's encodings.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace pellavane::win32 {

/** INVALID_HANDLE_VALUE without the C-style cast the Windows headers spell it with. */
inline HANDLE InvalidHandle() noexcept
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

/** Owns one kernel handle and closes it; null and InvalidHandle() mean none. */
class Handle
{
public:
    Handle() = default;
    explicit Handle(HANDLE handle) noexcept : m_handle(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : m_handle(other.Release()) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~Handle() { Reset(); }

    HANDLE Get() const noexcept { return m_handle; }
    bool Valid() const noexcept { return m_handle != nullptr && m_handle != InvalidHandle(); }
    explicit operator bool() const noexcept { return Valid(); }

    /** Gives up ownership without closing. */
    HANDLE Release() noexcept
    {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void Reset(HANDLE handle = nullptr) noexcept
    {
        if (Valid()) {
            ::CloseHandle(m_handle);
        }
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};

/** bytes in codePage as UTF-16; bytes that do not form a character there become U+FFFD. */
inline std::wstring ToWide(std::string_view bytes, UINT codePage)
{
    if (bytes.empty()) {
        return {};
    }
    const int length = static_cast<int>(bytes.size());
    const int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), size);
    return wide;
}

/** wide in codePage; characters the code page lacks become its default character. */
inline std::string FromWide(std::wstring_view wide, UINT codePage)
{
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

inline std::wstring Utf8ToWide(std::string_view text)
{
    return ToWide(text, CP_UTF8);
}

inline std::string WideToUtf8(std::wstring_view wide)
{
    return FromWide(wide, CP_UTF8);
}

/** The system's own sentence for an error code, in UTF-8, without the line break it ends with. */
inline std::string SystemMessage(DWORD error)
{
    LPWSTR buffer = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring message;
    if (length > 0 && buffer != nullptr) {
        message.assign(buffer, length);
    }
    if (buffer != nullptr) {
        ::LocalFree(buffer);
    }
    while (!message.empty() &&
           (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
        message.pop_back();
    }
    if (message.empty()) {
        return "System error " + std::to_string(error);
    }
    return WideToUtf8(message);
}

} // namespace pellavane::win32
