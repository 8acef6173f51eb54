#include "engine/check/capture.h"

#include "core/posix_support.h"
#include "core/utf8_text.h"
#include "engine/check/child_process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace pellavane {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kChunkSize = 1024;

using posix::UniqueFd;

void Pump(const EventPump& pump)
{
    if (pump) {
        pump();
    }
}

// After the pipe has reached its end the child normally exits at once; one that closed its output
// and goes on running is waited for only until the deadline, then killed.
void WaitForExit(ChildProcess& child, SteadyClock::time_point deadline, milliseconds slice,
                 const EventPump& pump)
{
    std::chrono::microseconds pause{50};
    while (!child.HasEnded()) {
        const auto now = SteadyClock::now();
        if (now >= deadline) {
            child.Stop();
            return;
        }
        std::this_thread::sleep_for(std::min<SteadyClock::duration>(pause, deadline - now));
        pause = std::min<std::chrono::microseconds>(pause * 2, slice);
        Pump(pump);
    }
}

// Takes what the pipe already holds without waiting; true when it has reached its end.
bool ReadWhatIsThere(int fd, std::array<char, kChunkSize>& buffer, std::string& bytes, std::size_t maxBytes)
{
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int events = ::poll(&ready, 1, 0);
        if (events < 0 && errno == EINTR) {
            continue;
        }
        if (events <= 0) {
            return false;
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
        if (maxBytes > 0 && bytes.size() >= maxBytes) {
            bytes.resize(maxBytes);
            return false;
        }
    }
}

} // namespace

std::string RunCapturedCommand(const std::string& commandLine, bool captureOutput, bool captureErrors,
                               bool /*convertFromOem*/, const EventPump& pump, const CaptureLimits& limits)
{
    if (!captureOutput && !captureErrors) {
        throw CaptureArgumentError();
    }
    const auto deadline = SteadyDeadline(limits.total);
    const milliseconds slice = std::max(limits.pollSlice, milliseconds{1});
    std::array<char, kChunkSize> buffer;

    std::optional<ChildPipe> pipe = MakeChildPipe(kChunkSize);
    if (!pipe) {
        return {};
    }
    UniqueFd& readEnd = pipe->readEnd;
    ChildProcess child;
    if (!child.Start(commandLine, captureOutput ? &pipe->writeEnd : nullptr,
                     captureErrors ? &pipe->writeEnd : nullptr)) {
        return kFailedToCreateProcess;
    }
    // From now on only the child holds the write end, so the pipe ends when the child is done.
    pipe->writeEnd.Reset();

    std::string bytes;
    // Set when the child is cut off: past the time bound or the output bound.
    bool stopChild = false;
    bool reaped = false;
    // The parent's end reads without blocking, so a child that writes steadily costs one read per
    // chunk; poll waits only when nothing is there. The child's end stays blocking.
    const bool nonBlocking = posix::SetNonBlocking(readEnd.Get());
    // Waits at most one slice for data, so the window runs again soon; false on a poll error.
    const auto waitForData = [&](SteadyClock::time_point now, bool& ready) {
        const auto wait = std::min(slice, std::chrono::ceil<milliseconds>(deadline - now));
        pollfd fd{readEnd.Get(), POLLIN, 0};
        const int events = ::poll(&fd, 1, static_cast<int>(wait.count()));
        ready = events > 0;
        return events >= 0 || errno == EINTR;
    };
    for (;;) {
        Pump(pump);
        const auto now = SteadyClock::now();
        if (now >= deadline) {
            // The pump may have held this loop past the bound (a modal box left open during a
            // probe): a child that answered meanwhile has its whole reply in the pipe and has ended.
            reaped = ReadWhatIsThere(readEnd.Get(), buffer, bytes, limits.maxBytes) && child.HasEnded();
            stopChild = !reaped;
            break;
        }
        bool ready = nonBlocking;
        if (!nonBlocking && !waitForData(now, ready)) {
            break;
        }
        if (!ready) {
            continue;
        }
        const ssize_t got = ::read(readEnd.Get(), buffer.data(), buffer.size());
        if (got > 0) {
            bytes.append(buffer.data(), static_cast<std::size_t>(got));
            if (limits.maxBytes > 0 && bytes.size() >= limits.maxBytes) {
                bytes.resize(limits.maxBytes);
                stopChild = true;
                break;
            }
        } else if (got == 0) {
            break;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitForData(now, ready)) {
                break;
            }
        } else if (errno != EINTR) {
            break;
        }
    }
    readEnd.Reset();
    if (stopChild) {
        child.Stop();
    } else if (!reaped) {
        WaitForExit(child, deadline, slice, pump);
    }
    // The console speaks the locale's encoding, which is UTF-8 (or its ASCII subset in the C
    // locale), so the OEM conversion has nothing to do here; stray bytes are mended so that the
    // rest of the program always gets valid UTF-8.
    MendUtf8(bytes);
    return bytes;
}

} // namespace pellavane
