#include "engine/check/cmd_output.h"

#include "core/win32_support.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pellavane {
namespace {

using Clock = std::chrono::steady_clock;
using win32::Handle;

constexpr DWORD kChunkSize = 1024;
// Data is looked for this often inside one poll slice; Sleep's granularity is coarser anyway.
constexpr std::chrono::milliseconds kPeekStep{10};
constexpr std::chrono::milliseconds kShortestSlice{1};

/** The moment limit.total is up; a limit too long for the clock means no limit. */
Clock::time_point Deadline(Clock::time_point start, std::chrono::milliseconds total)
{
    const auto room = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - start);
    return total >= room ? Clock::time_point::max()
                         : start + std::max(total, std::chrono::milliseconds::zero());
}

/** Bytes waiting in the pipe; false once every writer has gone and nothing is left to read. */
bool BytesWaiting(HANDLE readEnd, DWORD& available)
{
    available = 0;
    return ::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) != FALSE;
}

/** Sleeps until data arrives, the writers go, the slice is over or the deadline comes. */
void WaitForData(HANDLE readEnd, std::chrono::milliseconds slice, Clock::time_point deadline)
{
    // A slice of nothing would spin; one millisecond is still far below what a person notices.
    const Clock::time_point sliceEnd =
        std::min(Deadline(Clock::now(), std::max(slice, kShortestSlice)), deadline);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(sliceEnd - Clock::now());
        if (left.count() <= 0) {
            return;
        }
        ::Sleep(static_cast<DWORD>(std::min(left, kPeekStep).count()));
        DWORD available = 0;
        if (!BytesWaiting(readEnd, available) || available > 0) {
            return;
        }
    }
}

/** A job that kills every process in it, grandchildren included, when it is told to or when the
 *  last handle to it closes (so a crash of ours does not leave a hanging child behind). */
Handle CreateKillingJob()
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

/** Processes that have let go of the pipe may run on, as they would without the job. */
void ReleaseJob(Handle& job)
{
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
        job.Reset();
    }
}

void AppendChunk(std::string& raw, const char* buffer, DWORD length, bool convertFromOem,
                 std::vector<char>& ansi)
{
    if (length == 0) {
        return;
    }
    if (convertFromOem) {
        ansi.resize(length);
        ::OemToCharBuffA(buffer, ansi.data(), length);
        raw.append(ansi.data(), length);
    } else {
        raw.append(buffer, length);
    }
}

} // namespace

std::string RunCapturedCommand(const std::string& commandLine, bool captureOutput, bool captureErrors,
                               bool convertFromOem, const EventPump& pump, const CaptureLimits& limits)
{
    if (!captureOutput && !captureErrors) {
        throw CaptureArgumentError();
    }
    const Clock::time_point deadline = Deadline(Clock::now(), limits.total);
    std::array<char, kChunkSize> buffer{};

    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &inheritable, kChunkSize)) {
        return {};
    }
    Handle writeEnd(writeRaw);

    // A child holding the read end would keep the pipe alive for nothing; only we read. The source
    // handle is closed whatever the outcome, so a failed duplicate leaves no pipe to read from.
    const HANDLE self = ::GetCurrentProcess();
    HANDLE readPrivate = nullptr;
    if (!::DuplicateHandle(self, readRaw, self, &readPrivate, 0, FALSE,
                           DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) {
        return {};
    }
    Handle readEnd(readPrivate);

    Handle errorWriteEnd;
    if (captureOutput && captureErrors) {
        HANDLE duplicate = nullptr;
        if (::DuplicateHandle(self, writeEnd.Get(), self, &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
            errorWriteEnd.Reset(duplicate);
        }
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    if (captureOutput) {
        startup.hStdOutput = writeEnd.Get();
        startup.hStdError = captureErrors ? (errorWriteEnd ? errorWriteEnd.Get() : writeEnd.Get()) : nullptr;
    } else {
        startup.hStdOutput = nullptr;
        startup.hStdError = writeEnd.Get();
    }

    // The child starts suspended so that it is in the job before it can start a grandchild.
    Handle job = CreateKillingJob();
    const DWORD creationFlags = job ? CREATE_SUSPENDED : 0;

    std::string ansiLine = win32::FromWide(win32::Utf8ToWide(commandLine), CP_ACP);
    std::vector<char> mutableLine(ansiLine.begin(), ansiLine.end());
    mutableLine.push_back('\0');
    PROCESS_INFORMATION created{};
    if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, creationFlags, nullptr,
                          nullptr, &startup, &created)) {
        return kFailedToCreateProcess;
    }
    Handle process(created.hProcess);
    Handle thread(created.hThread);
    if (job && !::AssignProcessToJobObject(job.Get(), process.Get())) {
        // Jobs may not nest here; the child alone can still be stopped.
        job.Reset();
    }
    if (creationFlags & CREATE_SUSPENDED) {
        ::ResumeThread(thread.Get());
    }
    thread.Reset();
    // From now on only the child holds write ends, so the pipe ends when the child is done.
    writeEnd.Reset();
    errorWriteEnd.Reset();

    std::string raw;
    std::vector<char> ansi;
    bool timedOut = false;
    bool tooMuch = false;
    for (;;) {
        if (pump) {
            pump();
        }
        if (Clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        DWORD available = 0;
        if (!BytesWaiting(readEnd.Get(), available)) {
            break;
        }
        if (available == 0) {
            WaitForData(readEnd.Get(), limits.pollSlice, deadline);
            continue;
        }
        DWORD read = 0;
        if (!::ReadFile(readEnd.Get(), buffer.data(), std::min(available, kChunkSize), &read, nullptr)) {
            break;
        }
        AppendChunk(raw, buffer.data(), read, convertFromOem, ansi);
        // A child that never stops writing must not fill memory at pipe speed.
        if (limits.maxBytes > 0 && raw.size() >= limits.maxBytes) {
            raw.resize(limits.maxBytes);
            tooMuch = true;
            break;
        }
    }

    if (timedOut || tooMuch) {
        if (job) {
            ::TerminateJobObject(job.Get(), 1);
        } else {
            ::TerminateProcess(process.Get(), 1);
        }
        ::WaitForSingleObject(process.Get(), 1000);
    }
    if (timedOut) {
        // What the child wrote before it was stopped still counts; a writer outside our reach must
        // not keep us here, so only what is there now is taken.
        DWORD available = 0;
        for (int chunk = 0; chunk < 64 && BytesWaiting(readEnd.Get(), available) && available > 0; ++chunk) {
            DWORD read = 0;
            if (!::ReadFile(readEnd.Get(), buffer.data(), std::min(available, kChunkSize), &read, nullptr)) {
                break;
            }
            AppendChunk(raw, buffer.data(), read, convertFromOem, ansi);
        }
        if (limits.maxBytes > 0 && raw.size() > limits.maxBytes) {
            raw.resize(limits.maxBytes);
        }
    } else if (!tooMuch) {
        ReleaseJob(job);
    }
    return win32::WideToUtf8(win32::ToWide(raw, CP_ACP));
}

} // namespace pellavane
