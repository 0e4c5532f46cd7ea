#pragma once

#include <exception>
#include <utility>

#include "ui/user_notice.h"

namespace ui {

// Runs an event handler so that an exception it throws reaches the error report and the event
// loop goes on. Returns false when the handler failed.
template <typename Handler>
bool Guarded(Handler&& handler) {
  try {
    std::forward<Handler>(handler)();
    return true;
  } catch (const std::exception& error) {
    ReportError(error);
    return false;
  }
}

// Raises a control's event: runs `handler` with `args` guarded when one is assigned, and does
// nothing when it is empty. Arguments pass as given, so a handler may change one it takes by
// reference (a key code it consumes). Every control kind raises its On... events through this.
template <typename Handler, typename... Args>
void Raise(const Handler& handler, Args&&... args) {
  if (handler)
    Guarded([&] { handler(std::forward<Args>(args)...); });
}

}  // namespace ui
