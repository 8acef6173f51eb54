#include "engine/check/capture_many.h"

#include "core/posix_support.h"
#include "core/utf8_text.h"
#include "engine/check/child_process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include <poll.h>
#include <unistd.h>

namespace pellavane {
namespace {

using SteadyClock = std::chrono::steady_clock;
using posix::UniqueFd;
using std::chrono::milliseconds;

constexpr std::size_t kChunkSize = 4096;

// One started child with a pipe for each of its streams; the parent's ends read without blocking.
class Running
{
public:
    bool Start(const std::string& commandLine, const std::vector<std::string>& overrides)
    {
        std::optional<ChildPipe> out = MakeChildPipe(kChunkSize);
        std::optional<ChildPipe> err = MakeChildPipe(kChunkSize);
        if (!out || !err || !posix::SetNonBlocking(out->readEnd.Get()) ||
            !posix::SetNonBlocking(err->readEnd.Get()) ||
            !m_child.Start(commandLine, &out->writeEnd, &err->writeEnd, &overrides)) {
            return false;
        }
        m_out = std::move(out->readEnd);
        m_err = std::move(err->readEnd);
        return true;
    }

    UniqueFd& Out() { return m_out; }
    UniqueFd& Err() { return m_err; }
    bool PipesOpen() const { return m_out.Valid() || m_err.Valid(); }
    ChildProcess& Child() { return m_child; }

    void Stop()
    {
        m_out.Reset();
        m_err.Reset();
        m_child.Stop();
    }

private:
    UniqueFd m_out;
    UniqueFd m_err;
    ChildProcess m_child;
};

// Reads what is there now; false when the stream has ended (or failed) and its end is closed.
bool Drain(UniqueFd& fd, std::string& into, std::size_t maxBytes, bool& tooMuch)
{
    std::array<char, kChunkSize> buffer;
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer.data(), buffer.size());
        if (got > 0) {
            into.append(buffer.data(), static_cast<std::size_t>(got));
            if (maxBytes > 0 && into.size() >= maxBytes) {
                into.resize(maxBytes);
                tooMuch = true;
                return true;
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        fd.Reset();
        return false;
    }
}

} // namespace

std::vector<CapturedRun> RunCapturedCommands(const std::vector<std::string>& commandLines,
                                             const EventPump& pump, const CaptureLimits& limits,
                                             const std::vector<std::string>& overrides)
{
    const auto deadline = SteadyDeadline(limits.total);
    const milliseconds slice = std::max(limits.pollSlice, milliseconds{1});
    std::vector<CapturedRun> runs(commandLines.size());
    std::vector<Running> children(commandLines.size());
    for (std::size_t i = 0; i < commandLines.size(); ++i) {
        runs[i].started = children[i].Start(commandLines[i], overrides);
    }

    for (;;) {
        if (pump) {
            pump();
        }
        std::vector<pollfd> fds;
        std::vector<std::pair<std::size_t, bool>> owners;
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (children[i].Out().Get() >= 0) {
                fds.push_back({children[i].Out().Get(), POLLIN, 0});
                owners.emplace_back(i, true);
            }
            if (children[i].Err().Get() >= 0) {
                fds.push_back({children[i].Err().Get(), POLLIN, 0});
                owners.emplace_back(i, false);
            }
        }
        const auto now = SteadyClock::now();
        if (fds.empty() || now >= deadline) {
            break;
        }
        const auto wait = std::min(slice, std::chrono::ceil<milliseconds>(deadline - now));
        if (::poll(fds.data(), fds.size(), static_cast<int>(wait.count())) < 0 && errno != EINTR) {
            break;
        }
        for (std::size_t k = 0; k < fds.size(); ++k) {
            if (fds[k].revents == 0) {
                continue;
            }
            const auto [i, isOutput] = owners[k];
            Running& child = children[i];
            UniqueFd& fd = isOutput ? child.Out() : child.Err();
            if (fd.Get() < 0) {
                continue;
            }
            bool tooMuch = false;
            Drain(fd, isOutput ? runs[i].output : runs[i].errors, limits.maxBytes, tooMuch);
            if (tooMuch) {
                child.Stop();
            }
        }
    }

    // Pipes closed normally mean the child exits at once; one that goes on running, or still holds
    // its pipes at the deadline, is stopped there.
    for (Running& child : children) {
        if (child.PipesOpen()) {
            child.Stop();
        }
    }
    std::chrono::microseconds pause{50};
    for (;;) {
        bool allReaped = true;
        for (Running& child : children) {
            allReaped = child.Child().HasEnded() && allReaped;
        }
        if (allReaped) {
            break;
        }
        if (SteadyClock::now() >= deadline) {
            for (Running& child : children) {
                child.Stop();
            }
        }
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, slice);
        if (pump) {
            pump();
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        runs[i].exitStatus = children[i].Child().ExitStatus();
        MendUtf8(runs[i].output);
        MendUtf8(runs[i].errors);
    }
    return runs;
}

} // namespace pellavane
