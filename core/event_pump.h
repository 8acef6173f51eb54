#pragma once

#include <functional>

namespace pellavane {

/** Lets pending window events run. Long operations on the user-interface thread call it while they
 *  wait; an empty function does nothing. */
using EventPump = std::function<void()>;

} // namespace pellavane
