#pragma once

// The tray's tests and the window's take the settings fake along with these.
#include "testsupport/settings_fakes.h"
#include "tray/sys_tray.h"

#include <string>
#include <utility>
#include <vector>

namespace pellavane::testing {

/** Records every request the control makes of the notification area. */
class RecordingShell : public ITrayShell
{
public:
    enum class Op
    {
        ShowIcon,
        SetIcon,
        SetTip,
        HideIcon,
        ShowMessage,
        HideMessage,
    };
    /** One request: text is the tip or the message's text. */
    struct Call
    {
        Op op;
        TrayPicture icon;
        std::string text;
        std::string title;
        std::uint32_t timeoutMs = 0;
    };

    void ShowIcon(const TrayPicture& icon, const std::string& tip) override
    {
        Call& call = Record(Op::ShowIcon);
        call.icon = icon;
        call.text = tip;
    }
    void SetIcon(const TrayPicture& icon) override { Record(Op::SetIcon).icon = icon; }
    void SetTip(const std::string& tip) override { Record(Op::SetTip).text = tip; }
    void HideIcon() override { Record(Op::HideIcon); }
    void ShowMessage(const std::string& title, const std::string& text, std::uint32_t timeoutMs) override
    {
        Call& call = Record(Op::ShowMessage);
        call.text = text;
        call.title = title;
        call.timeoutMs = timeoutMs;
    }
    void HideMessage() override { Record(Op::HideMessage); }
    void SetEvents(TrayShellEvents e) override { events = std::move(e); }

    /** What the shell would report for a click on the icon. */
    void Click(TrayButton button)
    {
        if (events.activated) {
            events.activated(button);
        }
    }
    /** What the shell would report when its message goes away. */
    void EndMessage()
    {
        if (events.messageEnded) {
            events.messageEnded();
        }
    }
    int Count(Op op) const
    {
        int n = 0;
        for (const Call& call : calls) {
            n += call.op == op ? 1 : 0;
        }
        return n;
    }
    std::vector<Call> Messages() const
    {
        std::vector<Call> shown;
        for (const Call& call : calls) {
            if (call.op == Op::ShowMessage) {
                shown.push_back(call);
            }
        }
        return shown;
    }
    bool Listening() const { return static_cast<bool>(events.activated); }

    std::vector<Call> calls;
    TrayShellEvents events;

private:
    /** A new request at the end of calls, made in place: a braced temporary with an empty picture
     *  made GCC's optimiser warn that the picture may be used uninitialized. */
    Call& Record(Op op)
    {
        Call& call = calls.emplace_back();
        call.op = op;
        return call;
    }
};

/** A clock the test moves; the pump advances it one second per pass, like a second of waiting. */
struct FakeTime
{
    double now = 1000.0;
    int pumps = 0;
    std::function<void(int pass)> onPump;

    SecondsClock Clock()
    {
        return [this] { return now; };
    }
    EventPump Pump()
    {
        return [this] {
            ++pumps;
            if (onPump) {
                onPump(pumps);
            }
            now += 1.0;
        };
    }
};

} // namespace pellavane::testing
