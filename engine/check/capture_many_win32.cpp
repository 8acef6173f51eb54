#include "engine/check/capture_many.h"

#include "core/win32_support.h"
#include "engine/check/child_process.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace pellavane {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using win32::Handle;

constexpr DWORD kChunkSize = 4096;
constexpr milliseconds kPeekStep{10};

// One started child with a pipe for each of its streams.
class Running
{
public:
    Running() = default;
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    ~Running() { Stop(); }

    bool Start(const std::string& commandLine, const std::vector<std::string>& overrides)
    {
        std::optional<ChildPipe> out = MakeChildPipe(kChunkSize);
        std::optional<ChildPipe> err = MakeChildPipe(kChunkSize);
        if (!out || !err || !m_child.Start(commandLine, &out->writeEnd, &err->writeEnd, &overrides)) {
            return false;
        }
        m_out = std::move(out->readEnd);
        m_err = std::move(err->readEnd);
        m_started = true;
        return true;
    }

    Handle& Out() { return m_out; }
    Handle& Err() { return m_err; }
    bool PipesOpen() const { return m_out.Valid() || m_err.Valid(); }
    bool Started() const { return m_started; }
    ChildProcess& Child() { return m_child; }

    /** A child still running is stopped with what it started; what a child that ended by itself
     *  left running has let go of the pipes and may run on. */
    void Stop()
    {
        m_out.Reset();
        m_err.Reset();
        if (m_child.HasEnded()) {
            m_child.LetGo();
        } else {
            m_child.Stop();
        }
    }

private:
    Handle m_out;
    Handle m_err;
    ChildProcess m_child;
    bool m_started = false;
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
    const Clock::time_point deadline = SteadyDeadline(limits.total);
    const milliseconds slice = std::max(limits.pollSlice, milliseconds{1});
    std::vector<CapturedRun> runs(commandLines.size());
    std::vector<Running> children(commandLines.size());
    for (std::size_t i = 0; i < commandLines.size(); ++i) {
        runs[i].started = children[i].Start(commandLines[i], overrides);
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
        while (child.Started() && !child.Child().HasEnded() && Clock::now() < deadline) {
            ::Sleep(static_cast<DWORD>(std::min(slice, kPeekStep).count()));
            if (pump) {
                pump();
            }
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        runs[i].exitStatus = children[i].Child().ExitStatus();
        children[i].Stop();
        runs[i].output = FromConsole(runs[i].output);
        runs[i].errors = FromConsole(runs[i].errors);
    }
    return runs;
}

} // namespace pellavane
