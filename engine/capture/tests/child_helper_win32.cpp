// A child program for the capture tests. It runs its arguments as a list of steps, in order:
//   out TEXT | err TEXT      write TEXT to standard output or standard error
//   bytes HEX                write the bytes spelt in hexadecimal to standard output
//   pattern N                write N bytes of the tests' pattern to standard output
//   sleep MS | hang          wait MS milliseconds, or for ever
//   pid                      write "pid=" and the process id and a line break to standard output
//   touch PATH               create the file PATH
//   env NAME                 write the value of the environment variable NAME to standard output
//   exit N                   end at once with status N
//   pipes                    write how many pipe handles it holds besides its standard handles
//   spawn ARGS               start this program again with the argument text ARGS, sharing the
//                            standard handles, and go on without waiting for it
// Writes go straight to the handles, unbuffered and untranslated, and a failed write (a null
// handle) is ignored.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void Write(DWORD which, const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(which), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Pattern(std::size_t length)
{
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = (i % 61 == 60) ? '\n' : static_cast<char>('a' + (i % 61) % 26);
    }
    return text;
}

std::string Bytes(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

int PipeHandles()
{
    const HANDLE standard[] = {::GetStdHandle(STD_INPUT_HANDLE), ::GetStdHandle(STD_OUTPUT_HANDLE),
                               ::GetStdHandle(STD_ERROR_HANDLE)};
    int count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        const HANDLE handle = reinterpret_cast<HANDLE>(value);
        if (handle == standard[0] || handle == standard[1] || handle == standard[2]) {
            continue;
        }
        DWORD flags = 0;
        if (::GetHandleInformation(handle, &flags) && ::GetFileType(handle) == FILE_TYPE_PIPE) {
            ++count;
        }
    }
    return count;
}

void Spawn(const std::string& arguments)
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION created{};
    if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                         &created)) {
        ::CloseHandle(created.hThread);
        ::CloseHandle(created.hProcess);
    }
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const std::string next = i + 1 < argc ? argv[i + 1] : "";
        if (step == "out") {
            Write(STD_OUTPUT_HANDLE, next);
            ++i;
        } else if (step == "err") {
            Write(STD_ERROR_HANDLE, next);
            ++i;
        } else if (step == "bytes") {
            Write(STD_OUTPUT_HANDLE, Bytes(next));
            ++i;
        } else if (step == "pattern") {
            Write(STD_OUTPUT_HANDLE, Pattern(std::strtoul(next.c_str(), nullptr, 10)));
            ++i;
        } else if (step == "sleep") {
            ::Sleep(static_cast<DWORD>(std::strtoul(next.c_str(), nullptr, 10)));
            ++i;
        } else if (step == "hang") {
            ::Sleep(INFINITE);
        } else if (step == "pid") {
            Write(STD_OUTPUT_HANDLE, "pid=" + std::to_string(::GetCurrentProcessId()) + "\n");
        } else if (step == "touch") {
            const HANDLE file = ::CreateFileA(next.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1))) {
                ::CloseHandle(file);
            }
            ++i;
        } else if (step == "await") {
            // Waits up to 10 s for another child's mark; a child left alone says so.
            int waited = 0;
            while (::GetFileAttributesA(next.c_str()) == INVALID_FILE_ATTRIBUTES) {
                if (++waited == 1000) {
                    Write(STD_ERROR_HANDLE, "alone");
                    return 9;
                }
                ::Sleep(10);
            }
            ++i;
        } else if (step == "env") {
            const char* value = std::getenv(next.c_str());
            Write(STD_OUTPUT_HANDLE, value != nullptr ? value : "");
            ++i;
        } else if (step == "exit") {
            return static_cast<int>(std::strtoul(next.c_str(), nullptr, 10));
        } else if (step == "pipes") {
            Write(STD_OUTPUT_HANDLE, std::to_string(PipeHandles()));
        } else if (step == "spawn") {
            Spawn(next);
            ++i;
        } else {
            Write(STD_ERROR_HANDLE, "unknown step " + step + "\n");
            return 2;
        }
    }
    return 0;
}
