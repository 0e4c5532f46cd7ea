// The message box for the two longest messages a user can cause: a bad piece that is one word of
// a million characters, and a column of 100,000 numbers pasted one per line (one piece, so the
// message shows all of it). For each: the time from building the box to its first paint on the
// screen, and the box's size against the screen's. `bench_notice --toolkit` adds the toolkit's
// own message box for the same texts, for comparison (several seconds each).
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <memory>

#include "ui/message_box.h"

namespace {

const QString kPrefix = QStringLiteral("Ошибка обработки номера: ");

QString Word() {
  return kPrefix + QString(1000000, u'7');
}

QString Column() {
  QString text = kPrefix;
  for (int i = 0; i < 100000; ++i) {
    if (i > 0)
      text += u'\n';
    text += QString::number(i % 36 + 1);
  }
  return text;
}

// Shows the box and waits for its first paint; the milliseconds from `timer`'s start.
double ShowAndPaint(QDialog& box, QElapsedTimer& timer) {
  box.show();
  if (!QTest::qWaitForWindowExposed(&box))
    std::fprintf(stderr, "box not exposed\n");
  box.repaint();
  QCoreApplication::processEvents();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void Measure(const char* name, const QString& text, bool toolkit) {
  QElapsedTimer timer;
  timer.start();
  std::unique_ptr<QDialog> box;
  if (toolkit)
    box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QApplication::applicationName(), text,
                                        QMessageBox::Ok);
  else
    box = ui::MakeMessageBox(ui::MessageKind::kMessage, text);
  const double ms = ShowAndPaint(*box, timer);
  const QRect frame = box->frameGeometry();
  const QRect screen = box->screen()->availableGeometry();
  std::printf("%-8s %-28s %8.1f ms  box %dx%d at (%d,%d), screen %dx%d, %s\n",
              toolkit ? "toolkit" : "ours", name, ms, frame.width(), frame.height(), frame.x(),
              frame.y(), screen.width(), screen.height(),
              screen.contains(frame) ? "inside" : "OUTSIDE");
  box->close();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Tarvelon"));
  const bool toolkit = argc > 1 && std::strcmp(argv[1], "--toolkit") == 0;
  const QString word = Word();
  const QString column = Column();
  std::printf("1 MB word: %lld characters; column: %lld characters in 100,000 lines\n",
              static_cast<long long>(word.size()), static_cast<long long>(column.size()));
  Measure("1 MB word", word, false);
  Measure("100,000-line column", column, false);
  Measure("ordinary message", kPrefix + QStringLiteral("abc"), false);
  if (toolkit) {
    Measure("1 MB word", word, true);
    Measure("100,000-line column", column, true);
  }
  return 0;
}
