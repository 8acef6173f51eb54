#include "engine/check/capture.h"

#include "core/win32_support.h"
#include "engine/check/child_process.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace pellavane {
namespace {

using Clock = std::chrono::steady_clock;
using win32::Handle;

constexpr DWORD kChunkSize = 1024;
// Data is looked for this often inside one poll slice; Sleep's granularity is coarser anyway.
constexpr std::chrono::milliseconds kPeekStep{10};
constexpr std::chrono::milliseconds kShortestSlice{1};

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
    const Clock::time_point sliceEnd = std::min(SteadyDeadline(std::max(slice, kShortestSlice)), deadline);
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
    const Clock::time_point deadline = SteadyDeadline(limits.total);
    std::array<char, kChunkSize> buffer{};

    std::optional<ChildPipe> pipe = MakeChildPipe(kChunkSize);
    if (!pipe) {
        return {};
    }
    const Handle& readEnd = pipe->readEnd;
    ChildProcess child;
    if (!child.Start(commandLine, captureOutput ? &pipe->writeEnd : nullptr,
                     captureErrors ? &pipe->writeEnd : nullptr)) {
        return kFailedToCreateProcess;
    }
    // From now on only the child holds write ends, so the pipe ends when the child is done.
    pipe->writeEnd.Reset();

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
        child.Stop();
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
        // Processes that have let go of the pipe may run on, as they would without the job.
        child.LetGo();
    }
    return win32::WideToUtf8(win32::ToWide(raw, CP_ACP));
}

} // namespace pellavane
