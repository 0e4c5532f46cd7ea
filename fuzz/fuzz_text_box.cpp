// The fuzzer's bytes choose a key sequence (with the program's writes between the keys), typed
// into our text box and into QPlainTextEdit side by side, offscreen; the same driver as the
// differential test. A difference other than the listed ones prints the shrunk sequence and
// aborts.
#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "text_box_differential.h"

using namespace textbox_differential;

namespace {

Driver* driver = nullptr;

}  // namespace

// The application lives until the process ends, so fontconfig's font cache is still held when
// the leak check runs at exit; that is no leak of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt gets a command line of its own: it must not take the fuzzer's options.
  static int qt_argc = 1;
  static char* qt_argv[] = {(*argv)[0], nullptr};
  // Never destroyed: at exit Qt's input devices would go after the objects they refer to.
  new QApplication(qt_argc, qt_argv);
  driver = new Driver(Alphabet::kFull);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteChoices choices(data, size);
  Script script;
  const Outcome outcome = driver->Generate(choices, 100, script);
  if (outcome.result == Outcome::Result::kDiffered) {
    const Script shrunk = driver->Shrink(script);
    std::fprintf(stderr, "the boxes differ %s\nsequence:\n%s\nshrunk:\n%s\n%s\n",
                 qPrintable(outcome.difference), qPrintable(Driver::Describe(script)),
                 qPrintable(Driver::Describe(shrunk)),
                 qPrintable(driver->Replay(shrunk).difference));
    std::abort();
  }
  return 0;
}
