#include "engine/check/child_process.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string_view>

namespace pellavane {
namespace {

using win32::Handle;

bool SameName(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(x) == std::towupper(y);
           });
}

std::wstring_view NameOf(std::wstring_view variable)
{
    // "=C:=C:\dir" keeps its leading "=" in the name.
    return variable.substr(0, variable.find(L'=', 1));
}

// The parent's environment with each override in place of its namesakes (names compare without
// regard to letter case, as Windows does) and a bare name left out, as the block CreateProcess takes.
std::wstring EnvironmentBlock(const std::vector<std::string>& overrides)
{
    std::vector<std::wstring> assignments;
    for (const std::string& assignment : overrides) {
        assignments.push_back(win32::Utf8ToWide(assignment));
    }
    std::wstring block;
    LPWCH strings = ::GetEnvironmentStringsW();
    for (LPWCH entry = strings; entry != nullptr && *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring_view variable(entry);
        const bool replaced =
            std::any_of(assignments.begin(), assignments.end(), [&](const std::wstring& assignment) {
                return SameName(NameOf(variable), NameOf(assignment));
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
        if (NameOf(assignment).size() < assignment.size()) {
            block.append(assignment);
            block.push_back(L'\0');
        }
    }
    block.push_back(L'\0');
    return block;
}

/** A job that kills every process in it, grandchildren included, when it is told to or when the
 *  last handle to it closes (so a crash of ours does not leave a hanging child behind); none when
 *  the system gives none. */
Handle KillingJob()
{
    Handle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) {
        return {};
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        return {};
    }
    return job;
}

} // namespace

// The write end is inheritable, for the child; the read end is made private, since a child holding
// it would keep the pipe alive for nothing. The source handle is closed whatever the outcome.
std::optional<ChildPipe> MakeChildPipe(std::size_t bufferSize)
{
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &inheritable, static_cast<DWORD>(bufferSize))) {
        return std::nullopt;
    }
    ChildPipe pipe;
    pipe.writeEnd.Reset(writeRaw);
    const HANDLE self = ::GetCurrentProcess();
    HANDLE readPrivate = nullptr;
    if (!::DuplicateHandle(self, readRaw, self, &readPrivate, 0, FALSE,
                           DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) {
        return std::nullopt;
    }
    pipe.readEnd.Reset(readPrivate);
    return pipe;
}

ChildProcess::~ChildProcess()
{
    if (m_process && !m_stopped && !m_letGo && !HasEnded()) {
        Stop();
    }
}

bool ChildProcess::Start(const std::string& commandLine, const PipeEnd* output, const PipeEnd* errors,
                         const std::vector<std::string>* overrides)
{
    if (commandLine.empty()) {
        return false;
    }
    // One stream's own copy of a shared write end, so that a child closing one stream keeps the
    // other; the shared handle itself when no copy can be made.
    Handle errorsCopy;
    if (output != nullptr && errors == output) {
        const HANDLE self = ::GetCurrentProcess();
        HANDLE duplicate = nullptr;
        if (::DuplicateHandle(self, output->Get(), self, &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
            errorsCopy.Reset(duplicate);
        }
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output != nullptr ? output->Get() : nullptr;
    startup.hStdError = errorsCopy ? errorsCopy.Get() : errors != nullptr ? errors->Get() : nullptr;

    // The child starts suspended so that it is in the job before it can start a grandchild.
    m_job = KillingJob();
    std::wstring environment;
    DWORD flags = m_job ? CREATE_SUSPENDED : 0;
    if (overrides != nullptr) {
        environment = EnvironmentBlock(*overrides);
        flags |= CREATE_UNICODE_ENVIRONMENT;
    }
    std::string ansiLine = win32::FromWide(win32::Utf8ToWide(commandLine), CP_ACP);
    std::vector<char> mutableLine(ansiLine.begin(), ansiLine.end());
    mutableLine.push_back('\0');
    PROCESS_INFORMATION created{};
    if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, flags,
                          overrides != nullptr ? environment.data() : nullptr, nullptr, &startup, &created)) {
        m_job.Reset();
        return false;
    }
    m_process.Reset(created.hProcess);
    m_stopped = false;
    m_letGo = false;
    const Handle thread(created.hThread);
    if (m_job && !::AssignProcessToJobObject(m_job.Get(), m_process.Get())) {
        // Jobs may not nest here; the child alone can still be stopped.
        m_job.Reset();
    }
    if (flags & CREATE_SUSPENDED) {
        ::ResumeThread(thread.Get());
    }
    return true;
}

bool ChildProcess::HasEnded()
{
    return !m_process || ::WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0;
}

void ChildProcess::Stop()
{
    if (!m_process) {
        return;
    }
    m_stopped = m_stopped || !HasEnded();
    if (m_job) {
        ::TerminateJobObject(m_job.Get(), 1);
    } else {
        ::TerminateProcess(m_process.Get(), 1);
    }
    ::WaitForSingleObject(m_process.Get(), 1000);
}

void ChildProcess::LetGo()
{
    m_letGo = true;
    if (m_job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        ::SetInformationJobObject(m_job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
        m_job.Reset();
    }
}

std::optional<int> ChildProcess::ExitStatus()
{
    DWORD code = 0;
    if (!m_process || m_stopped || !HasEnded() || !::GetExitCodeProcess(m_process.Get(), &code)) {
        return std::nullopt;
    }
    return static_cast<int>(code);
}

} // namespace pellavane
