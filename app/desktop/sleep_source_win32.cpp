#include "app/desktop/sleep_source.h"

#include "engine/monitor/sleep_watch.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QObject>

#include <windows.h>

namespace pellavane {
namespace {

/** The power broadcasts every top-level window receives, told to the sleep listener. A console run
 *  has no window and so none of these: the clocks find its sleep. */
class PowerBroadcastFilter : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit PowerBroadcastFilter(ISleepListener& listener) : m_listener(listener)
    {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            app->installNativeEventFilter(this);
        }
    }
    ~PowerBroadcastFilter() override
    {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            app->removeNativeEventFilter(this);
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG") {
            return false;
        }
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_POWERBROADCAST) {
            return false;
        }
        // Every window of the program gets the broadcast; the listener takes each sleep once.
        switch (msg->wParam) {
        case PBT_APMSUSPEND:
            m_listener.PreparingForSleep();
            break;
        case PBT_APMRESUMESUSPEND:
        case PBT_APMRESUMEAUTOMATIC:
            m_listener.Resumed();
            break;
        default:
            break;
        }
        return false;
    }

private:
    ISleepListener& m_listener;
};

} // namespace

std::unique_ptr<QObject> WatchPlatformSleep(ISleepListener& listener)
{
    return std::make_unique<PowerBroadcastFilter>(listener);
}

} // namespace pellavane
