#include "app/desktop/quit_signals.h"

namespace pellavane {

// Windows ends a program with window messages, not signals; the window's close handling covers it.
QuitSignals::QuitSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{}

QuitSignals::~QuitSignals() = default;

} // namespace pellavane
