#pragma once

#include <QString>

#include <memory>

class QDialog;
class QScreen;

namespace ui {

// The boxes the real services show. A message that fits the screen is shown by the toolkit's
// own message box, exactly as ever. A longer one (a bad piece of a million characters, a column
// of numbers pasted one per line) would grow the toolkit's box past the screen's edge, its OK
// button out of reach, and costs seconds to lay out; it is shown instead in a box of the same
// title, icon and OK button whose whole text lies in a read-only text area that scrolls, where
// it can be read, selected, copied and reached by a screen reader.

enum class MessageKind {
  kMessage,  // no icon
  kError,    // the top-level error report: error icon
};

// Whether `text` is shown in the scrolling box on `screen`: too long to measure cheaply, or
// taller than the toolkit's box may grow there.
bool NeedsScrollingBox(const QString& text, const QScreen& screen);

// The box for `text`, built but not shown: the caller shows it (modally in the program, as a
// plain window in tests). OK accepts it; Enter and Escape close it as well.
std::unique_ptr<QDialog> MakeMessageBox(MessageKind kind, const QString& text);

// The object name of the scrolling box's text area, by which tests find it.
inline constexpr char kMessageTextName[] = "messageText";

}  // namespace ui
