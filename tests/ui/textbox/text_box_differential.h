#pragma once

// Random key sequences typed into our multi-line text box (TMemo) and into a QPlainTextEdit side
// by side, with the program's own writes of the text in between, compared after every step:
// text, caret, anchor, whether undo and redo are available, and what copy and cut left on the
// clipboard. Shared by the Qt Test program and the libFuzzer target, which differ only in where
// the choices come from (a seeded generator, the fuzzer's bytes).

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <vector>

class QPlainTextEdit;
class QWidget;

namespace ui {
class TMemo;
}

namespace textbox_differential {

// Where the sequence's choices come from. Pick(n) returns a number in 0 .. n-1.
class Choices {
 public:
  virtual ~Choices() = default;
  virtual int Pick(int n) = 0;
  // No choices left: the sequence ends.
  virtual bool Exhausted() const = 0;
};

class SeededChoices : public Choices {
 public:
  explicit SeededChoices(std::uint64_t seed) : random_(seed) {}
  int Pick(int n) override { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
  bool Exhausted() const override { return false; }

 private:
  std::mt19937_64 random_;
};

// One byte per choice, as the fuzzer hands them over; a sequence ends with its bytes.
class ByteChoices : public Choices {
 public:
  ByteChoices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int Pick(int n) override;
  bool Exhausted() const override { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Which characters the typing keys, starting texts, clipboards and program writes draw from.
enum class Alphabet {
  kFull,     // digits, space, Latin and Cyrillic letters, "-", ",", an emoji, a combining mark
  kNumbers,  // digits, space, Latin and Cyrillic letters, "-" and "," only
};

// One step of a sequence: a key, or a program write of the text.
struct Step {
  enum class Kind { kKey, kSetText, kAppendText };
  Kind kind = Kind::kKey;
  int key = 0;   // index into Keys() for kKey
  QString text;  // the text given to SetText or AppendText, line breaks as the program gives them
};

struct Script {
  QString start;  // the starting text, set as the program's write into a new box
  int caret = 0;  // the starting caret and anchor
  int anchor = 0;
  QString clipboard;  // what the clipboard holds at the start
  std::vector<Step> steps;
};

struct Outcome {
  enum class Result {
    kAgreed,
    kDiffered,
    kInvalid,  // a replayed step is one the generator never makes there (a known difference)
  };
  Result result = Result::kAgreed;
  int failed_step = -1;  // index of the step after which the boxes differed
  QString difference;    // what differed, both sides
};

// Both boxes, shown side by side in one window of the same width, height and font.
class Driver {
 public:
  explicit Driver(Alphabet alphabet = Alphabet::kFull);
  ~Driver();

  // Draws a starting state and up to `max_steps` steps from `choices`, playing each as it is
  // drawn; the steps played are left in `script`.
  Outcome Generate(Choices& choices, int max_steps, Script& script);
  // Plays a script again, for shrinking and for the cases kept as rows of the test.
  Outcome Replay(const Script& script);
  // The smallest script found that still differs: its steps cut after the first difference,
  // then steps dropped one at a time and the starting text and clipboard shortened while it
  // still differs.
  Script Shrink(Script script);

  static QString Describe(const Script& script);

 private:
  struct Run;
  Outcome Play(const Script& script, Choices* choices, int max_steps, Script* played);

  Alphabet alphabet_;
  std::unique_ptr<QWidget> window_;
};

// How many sequences a run makes: `fallback`, or the number in the environment variable
// TARVELON_TEXTBOX_SEQUENCES when it is set.
int SequenceCount(int fallback);

}  // namespace textbox_differential
