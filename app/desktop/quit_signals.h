#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace pellavane {

/** Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so the window program closes as
 *  if its window were closed (system shutdown, kill, Ctrl+C in a terminal). Does nothing on Windows. */
class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace pellavane
