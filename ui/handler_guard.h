#pragma once

#include <exception>
#include <utility>

#include "ui/user_notice.h"

namespace ui {

// Three layers keep an exception from ending the program, each catching what the others cannot.
// Raise and Guarded, here, stop it at the handler that threw, so the control around the handler
// finishes its own work (the key is still typed, the text still set) and a handler that the
// program raises outside any event, while the window is being built, is caught as well.
// TApplication::notify (ui/application.h) wraps every event Qt delivers, so it catches what no
// handler guard surrounds: the widgets' own overrides (keyPressEvent, paintEvent, resizeEvent)
// and any connected slot; Qt's event loop must never be left by an exception. The main window
// guards FormCreate and FormClose itself: FormCreate runs in its constructor, before the event
// loop, where no event is being delivered, and FormClose decides whether the window may close,
// which a failure must answer with "no" rather than leave the close event's default (accept).

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
