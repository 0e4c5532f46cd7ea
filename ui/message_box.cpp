#include "ui/message_box.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <QMimeData>
#include <QTextCursor>

#include <algorithm>
#include <climits>
#include <vector>

namespace ui {
namespace {

// Longer texts go to the scrolling box without being measured: measuring, like the toolkit's
// own layout of them, would take longer than the box may take to appear.
constexpr qsizetype kLongestMeasuredText = 4096;

// What the toolkit's box adds around its text: title bar, margins, the OK button.
constexpr int kBoxChrome = 160;

// What the toolkit's box adds beside its text: margins and the window's frame.
constexpr int kBoxSides = 60;

// The widths at which the toolkit's box wraps a long text, by the toolkit's own rule: at word
// boundaries beyond the soft limit; a word wider than that is cut anywhere at the hard limit,
// which on a small screen is the whole screen, so the box then juts out past its edges.
int SoftWrapWidth(const QRect& available) {
  return std::min(available.width() / 2, 500);
}
int HardWrapWidth(const QRect& available) {
  if (available.width() <= 1024)
    return available.width();
  return std::min(available.width() - 480, 1000);
}

// Whether some word of the text is wider than `width`.
bool HasWordWiderThan(const QString& text, const QFontMetrics& metrics, int width) {
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i].isSpace()) {
      if (i > start && metrics.horizontalAdvance(text.sliced(start, i - start)) > width)
        return true;
      start = i + 1;
    }
  }
  return false;
}

QScreen& ScreenForBoxes() {
  return *QGuiApplication::primaryScreen();
}

// The scrolling box's text area. A text area lays out a paragraph whole, and a paragraph of a
// million characters takes seconds; a hundred thousand paragraphs take as long to build. So the
// text is held in paragraphs of about a thousand characters: the text's own line breaks become
// line breaks inside a paragraph, and a paragraph ends at the first line break after a thousand
// characters, or, in a line without one, after two thousand. Only the paragraphs in sight are
// ever laid out. Each character of the text keeps exactly one place in the area, and the breaks
// added inside long lines are noted, so a copy gives back the text exactly as it was.
class MessageText final : public QPlainTextEdit {
 public:
  explicit MessageText(const QString& text) : text_(text) {
    constexpr qsizetype kParagraphAfter = 1000;
    constexpr qsizetype kLongestParagraph = 2000;
    QString shown;
    shown.reserve(text.size() + text.size() / kLongestParagraph + 1);
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text[i];
      if (c == u'\n' || c == u'\r') {
        shown += length >= kParagraphAfter ? QChar(QChar::ParagraphSeparator)
                                           : QChar(QChar::LineSeparator);
        length = length >= kParagraphAfter ? 0 : length + 1;
        continue;
      }
      shown += c;
      if (++length >= kLongestParagraph && i + 1 < text.size()) {
        added_breaks_.push_back(shown.size());
        shown += QChar(QChar::ParagraphSeparator);
        length = 0;
      }
    }
    setReadOnly(true);
    // Selectable with the mouse and, with a caret, with the keyboard, so it can be copied and a
    // screen reader can walk through it.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A piece without spaces wraps anywhere, so nothing needs a horizontal scroll bar.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setUndoRedoEnabled(false);
    setPlainText(shown);
  }

 protected:
  QMimeData* createMimeDataFromSelection() const override {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    const qsizetype from = PlaceInText(cursor.selectionStart());
    data->setText(text_.mid(from, PlaceInText(cursor.selectionEnd()) - from));
    return data;
  }

 private:
  // The index in the text of the character at `position` in the area.
  qsizetype PlaceInText(int position) const {
    const auto before =
        std::lower_bound(added_breaks_.begin(), added_breaks_.end(), qsizetype{position});
    return position - (before - added_breaks_.begin());
  }

  QString text_;
  std::vector<qsizetype> added_breaks_;  // positions in the area, ascending
};

std::unique_ptr<QDialog> MakeToolkitBox(MessageKind kind, const QString& text) {
  auto box = std::make_unique<QMessageBox>(
      kind == MessageKind::kError ? QMessageBox::Critical : QMessageBox::NoIcon,
      QApplication::applicationName(), text, QMessageBox::Ok);
  // The text is shown as it is: a bad piece that happens to look like markup is no markup.
  box->setTextFormat(Qt::PlainText);
  return box;
}

// The scrolling box: the icon, if any, beside a read-only text area holding the whole text,
// with OK below, all sized to stay well inside the screen.
std::unique_ptr<QDialog> MakeScrollingBox(MessageKind kind, const QString& text) {
  auto box = std::make_unique<QDialog>();
  box->setWindowTitle(QApplication::applicationName());

  auto* row = new QHBoxLayout;
  if (kind == MessageKind::kError) {
    const QStyle* style = box->style();
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box.get());
    auto* icon = new QLabel;
    icon->setPixmap(style->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, box.get())
                        .pixmap(QSize(size, size)));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    row->addWidget(icon);
  }

  auto* area = new MessageText(text);
  area->setObjectName(QLatin1String(kMessageTextName));
  area->setAccessibleName(QApplication::applicationName());
  row->addWidget(area, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->setCenterButtons(box->style()->styleHint(QStyle::SH_MessageBox_CenterButtons));
  QObject::connect(buttons, &QDialogButtonBox::accepted, box.get(), &QDialog::accept);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setDefault(true);

  auto* column = new QVBoxLayout(box.get());
  column->addLayout(row, 1);
  column->addWidget(buttons);

  // Two thirds of the screen at most, and never more than a comfortable reading size; the frame
  // and title bar the window manager adds still fit in the remaining third.
  const QRect available = ScreenForBoxes().availableGeometry();
  const QFontMetrics metrics(area->font());
  const int width = std::min(available.width() * 2 / 3, metrics.averageCharWidth() * 80);
  const int height = std::min(available.height() * 2 / 3, metrics.lineSpacing() * 24);
  box->resize(width, height);
  // The text first: a screen reader starts reading it, Ctrl+A and Ctrl+C work at once, and
  // Enter and Escape still close the box.
  area->setFocus();
  return box;
}

}  // namespace

bool NeedsScrollingBox(const QString& text, const QScreen& screen) {
  if (text.size() > kLongestMeasuredText)
    return true;
  const QRect available = screen.availableGeometry();
  const QFontMetrics metrics(QApplication::font("QMessageBox"));
  if (HardWrapWidth(available) + kBoxSides > available.width() &&
      HasWordWiderThan(text, metrics, SoftWrapWidth(available))) {
    return true;
  }
  const QRect bounds = metrics.boundingRect(QRect(0, 0, HardWrapWidth(available), INT_MAX),
                                            Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
  return bounds.height() + kBoxChrome > available.height();
}

std::unique_ptr<QDialog> MakeMessageBox(MessageKind kind, const QString& text) {
  if (NeedsScrollingBox(text, ScreenForBoxes()))
    return MakeScrollingBox(kind, text);
  return MakeToolkitBox(kind, text);
}

}  // namespace ui
