#pragma once

namespace ui {

// Lets pending paints and timers run. User input that arrives meanwhile waits until the running
// handler has finished, so nothing typed can be overwritten by a rebuild still in progress.
void ProcessMessages();
// True while ProcessMessages runs, that is while some handler is still in progress below.
bool ProcessingMessages();

}  // namespace ui
