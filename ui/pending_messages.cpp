#include "ui/pending_messages.h"

#include <QCoreApplication>

namespace ui {
namespace {
int processing_depth = 0;
}  // namespace

void ProcessMessages() {
  struct Depth {
    Depth() { ++processing_depth; }
    ~Depth() { --processing_depth; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
  } depth;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool ProcessingMessages() {
  return processing_depth > 0;
}

}  // namespace ui
