#include "engine/check/capture_many.h"

#include "core/win32_support.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <cwctype>

namespace pellavane {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using win32::Handle;

constexpr DWORD kChunkSize = 4096;
constexpr milliseconds kPeekStep{10};

Clock::time_point Deadline(Clock::time_point start, milliseconds total)
{
    const auto room = std::chrono::duration_cast<milliseconds>(Clock::time_point::max() - start);
    return total >= room ? Clock::time_point::max() : start + std::max(total, milliseconds::zero());
}

bool SameName(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(x) == std::towupper(y);
           });
}

// The parent's environment with the overrides in place of their namesakes (names compare without
// regard to letter case, as Windows does), as the block CreateProcess takes.
std::wstring EnvironmentBlock(const std::vector<std::string>& overrides)
{
    std::vector<std::wstring> assignments;
    for (const std::string& assignment : overrides) {
        assignments.push_back(win32::Utf8ToWide(assignment));
    }
    const auto nameOf = [](std::wstring_view variable) {
        // "=C:=C:\dir" keeps its leading "=" in the name.
        return variable.substr(0, variable.find(L'=', 1));
    };
    std::wstring block;
    LPWCH strings = ::GetEnvironmentStringsW();
    for (LPWCH entry = strings; entry != nullptr && *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring_view variable(entry);
        const bool replaced =
            std::any_of(assignments.begin(), assignments.end(), [&](const std::wstring& assignment) {
                return SameName(nameOf(variable), nameOf(assignment));
            });
        if (!replaced) {
            block.append(variable);
            block.push_back(L'\0');
        }
    }
    if (strings != nullptr) {
        ::FreeEnvironmentStringsW(strings);
    }
    for (const std::wstring& assignment : assignments) {
        block.append(assignment);
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

// A pipe whose write end the child inherits and whose read end only we hold.
bool MakePipe(Handle& readEnd, Handle& writeEnd)
{
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &inheritable, kChunkSize)) {
        return false;
    }
    writeEnd.Reset(writeRaw);
    const HANDLE self = ::GetCurrentProcess();
    HANDLE readPrivate = nullptr;
    if (!::DuplicateHandle(self, readRaw, self, &readPrivate, 0, FALSE,
                           DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    readEnd.Reset(readPrivate);
    return true;
}

// One started child in a job that kills everything in it, grandchildren included, when told to or
// when the last handle to it closes.
class Running
{
public:
    Running() = default;
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    ~Running() { Stop(); }

    bool Start(const std::string& commandLine, std::wstring& environment)
    {
        if (commandLine.empty()) {
            return false;
        }
        Handle outWrite;
        Handle errWrite;
        if (!MakePipe(m_out, outWrite) || !MakePipe(m_err, errWrite)) {
            return false;
        }
        m_job.Reset(::CreateJobObjectW(nullptr, nullptr));
        if (m_job) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            if (!::SetInformationJobObject(m_job.Get(), JobObjectExtendedLimitInformation, &limits,
                                           sizeof limits)) {
                m_job.Reset();
            }
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = nullptr;
        startup.hStdOutput = outWrite.Get();
        startup.hStdError = errWrite.Get();
        std::string ansiLine = win32::FromWide(win32::Utf8ToWide(commandLine), CP_ACP);
        std::vector<char> mutableLine(ansiLine.begin(), ansiLine.end());
        mutableLine.push_back('\0');
        // Suspended until it is in the job, so that it cannot start a grandchild outside it.
        const DWORD flags = CREATE_UNICODE_ENVIRONMENT | (m_job ? CREATE_SUSPENDED : 0);
        PROCESS_INFORMATION created{};
        if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, flags, environment.data(),
                              nullptr, &startup, &created)) {
            m_out.Reset();
            m_err.Reset();
            return false;
        }
        m_process.Reset(created.hProcess);
        Handle thread(created.hThread);
        if (m_job && !::AssignProcessToJobObject(m_job.Get(), m_process.Get())) {
            m_job.Reset();
        }
        if (flags & CREATE_SUSPENDED) {
            ::ResumeThread(thread.Get());
        }
        return true;
    }

    Handle& Out() { return m_out; }
    Handle& Err() { return m_err; }
    bool PipesOpen() const { return m_out.Valid() || m_err.Valid(); }
    bool Started() const { return m_process.Valid(); }

    bool Exited() const { return !m_process || ::WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0; }

    void Stop()
    {
        m_out.Reset();
        m_err.Reset();
        if (!m_process || m_stopped) {
            return;
        }
        if (!Exited()) {
            m_stopped = true;
            if (m_job) {
                ::TerminateJobObject(m_job.Get(), 1);
            } else {
                ::TerminateProcess(m_process.Get(), 1);
            }
            ::WaitForSingleObject(m_process.Get(), 1000);
        } else if (m_job) {
            // Exited by itself: what it left running was let go of the pipes and may run on.
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            ::SetInformationJobObject(m_job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        m_job.Reset();
    }

    std::optional<int> ExitStatus() const
    {
        DWORD code = 0;
        if (!m_process || m_stopped || !Exited() || !::GetExitCodeProcess(m_process.Get(), &code)) {
            return std::nullopt;
        }
        return static_cast<int>(code);
    }

private:
    Handle m_out;
    Handle m_err;
    Handle m_job;
    Handle m_process;
    bool m_stopped = false;
};

// Reads what is waiting now; closes the end once every writer has gone. True when something came.
bool Drain(Handle& end, std::string& into, std::size_t maxBytes, bool& tooMuch)
{
    std::array<char, kChunkSize> buffer{};
    bool got = false;
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(end.Get(), nullptr, 0, nullptr, &available, nullptr)) {
            end.Reset();
            return got;
        }
        if (available == 0) {
            return got;
        }
        DWORD read = 0;
        if (!::ReadFile(end.Get(), buffer.data(), std::min(available, kChunkSize), &read, nullptr)) {
            end.Reset();
            return got;
        }
        into.append(buffer.data(), read);
        got = got || read > 0;
        if (maxBytes > 0 && into.size() >= maxBytes) {
            into.resize(maxBytes);
            tooMuch = true;
            return got;
        }
    }
}

std::string FromConsole(const std::string& bytes)
{
    return win32::WideToUtf8(win32::ToWide(bytes, CP_OEMCP));
}

} // namespace

std::vector<CapturedRun> RunCapturedCommands(const std::vector<std::string>& commandLines,
                                             const EventPump& pump, const CaptureLimits& limits,
                                             const std::vector<std::string>& overrides)
{
    const Clock::time_point deadline = Deadline(Clock::now(), limits.total);
    const milliseconds slice = std::max(limits.pollSlice, milliseconds{1});
    std::vector<CapturedRun> runs(commandLines.size());
    std::vector<Running> children(commandLines.size());
    std::wstring environment = EnvironmentBlock(overrides);
    for (std::size_t i = 0; i < commandLines.size(); ++i) {
        runs[i].started = children[i].Start(commandLines[i], environment);
    }

    auto sliceEnd = Clock::now();
    for (;;) {
        const auto now = Clock::now();
        if (now >= sliceEnd) {
            if (pump) {
                pump();
            }
            sliceEnd = Clock::now() + slice;
        }
        bool open = false;
        bool got = false;
        for (std::size_t i = 0; i < children.size(); ++i) {
            for (const bool isOutput : {true, false}) {
                Handle& end = isOutput ? children[i].Out() : children[i].Err();
                if (!end) {
                    continue;
                }
                bool tooMuch = false;
                got = Drain(end, isOutput ? runs[i].output : runs[i].errors, limits.maxBytes, tooMuch) || got;
                if (tooMuch) {
                    children[i].Stop();
                }
                open = open || end.Valid();
            }
        }
        if (!open || Clock::now() >= deadline) {
            break;
        }
        if (!got) {
            const auto left =
                std::chrono::duration_cast<milliseconds>(std::min(sliceEnd, deadline) - Clock::now());
            ::Sleep(static_cast<DWORD>(std::clamp(left, milliseconds{1}, kPeekStep).count()));
        }
    }

    // Pipes that ended mean the child exits at once; one that goes on running is stopped at the
    // deadline, and so is every child still holding its pipes then.
    for (Running& child : children) {
        if (child.PipesOpen()) {
            child.Stop();
        }
    }
    for (Running& child : children) {
        while (child.Started() && !child.Exited() && Clock::now() < deadline) {
            ::Sleep(static_cast<DWORD>(std::min(slice, kPeekStep).count()));
            if (pump) {
                pump();
            }
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        runs[i].exitStatus = children[i].ExitStatus();
        children[i].Stop();
        runs[i].output = FromConsole(runs[i].output);
        runs[i].errors = FromConsole(runs[i].errors);
    }
    return runs;
}

} // namespace pellavane
