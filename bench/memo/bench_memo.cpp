// The number box at long lists: our TMemo in the main window beside a bare QPlainTextEdit set up
// the same way (814 x 82, word wrap, scroll bar always on), at 10,000, 100,000 and 1,000,000
// numbers. Every timed case includes the box's layout and paint (a repaint after the event):
//   type     one digit typed at the end of the list;
//   enter    Enter at the end: for ours the window's whole Enter (read, rebuild, write back,
//            append a space, scroll to the end); for the bare box its share of that work (read the
//            text, append a space, scroll to the end, caret at the end);
//   rebuild  a bad number in the middle taken out: for ours a click on the button, for the bare
//            box the same span removed through a text cursor;
//   start    start-up with the saved list, window shown and painted, in a fresh process, with that
//            process's peak resident memory.
// `bench_memo --start ours|bare <count>` is the child run of one start-up; `bench_memo --ours
// <count>` times only our box at one size, for a profiler.
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <cstdio>
#include <cstring>

#include "base/program_folder.h"
#include "main/main_form.h"
#include "median_ms.h"
#include "recording_services.h"
#include "show_main_window.h"
#include "test_files.h"
#include "ui/application.h"

namespace {

constexpr int kSizes[] = {10000, 100000, 1000000};

// A list of random spins, the same for every run: a real list has no period that could keep
// the wrapping after an edit out of step with the lines before it.
QString Numbers(int count) {
  QRandomGenerator random(14);
  QString text;
  text.reserve(count * 3);
  for (int i = 0; i < count; ++i) {
    if (i > 0)
      text += u' ';
    text += QString::number(random.bounded(1, 37));
  }
  return text;
}

int RunsFor(int count) {
  return count >= 1000000 ? 5 : 9;
}

// The process's peak resident memory, from /proc: getrusage's maximum would carry over the
// parent's peak across the fork and exec of a child run.
double PeakRssMb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:"))
      return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
  }
  return -1;
}

// A bare QPlainTextEdit as the window sets up its number box.
void SetUpBare(QPlainTextEdit& box) {
  box.resize(814, 82);
  box.setLineWrapMode(QPlainTextEdit::WidgetWidth);
  box.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  box.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void BareToEnd(QPlainTextEdit& box) {
  QScrollBar* bar = box.verticalScrollBar();
  bar->setValue(bar->maximum());
  box.moveCursor(QTextCursor::End);
}

// The median time of one key typed into a box, with the repaint it causes.
double KeyMs(int runs, QAbstractScrollArea* box, Qt::Key key) {
  return MedianMs(runs, [&] {
    QTest::keyClick(box, key);
    box->viewport()->repaint();
  });
}

struct Figures {
  double type = 0;
  double enter = 0;
  double rebuild = 0;
};

Figures MeasureOurs(int count) {
  TmainForm form;
  if (!ShowMainWindow(&form))
    std::printf("window not exposed\n");
  ui::TMemo* memo = form.Numbers_Memo;
  const QString numbers = Numbers(count);
  memo->SetText(numbers);
  memo->setFocus();
  memo->SetSelStart(memo->TextLength());
  QCoreApplication::processEvents();
  Figures figures;
  const int runs = RunsFor(count);
  figures.type = KeyMs(runs, memo, Qt::Key_5);
  figures.enter = KeyMs(runs, memo, Qt::Key_Return);
  // The middle of the list gets a bad number that the rebuild takes out again.
  const int middle = static_cast<int>(memo->Text().indexOf(u' ', memo->TextLength() / 2));
  figures.rebuild = MedianMs(
      runs,
      [&] {
        memo->SetText(memo->Text().insert(middle, QStringLiteral(" 99")));
        QCoreApplication::processEvents();
      },
      [&] {
        form.Show_Btn->click();
        memo->viewport()->repaint();
      });
  mainForm = nullptr;
  return figures;
}

Figures MeasureBare(int count) {
  QPlainTextEdit box;
  SetUpBare(box);
  box.setPlainText(Numbers(count));
  box.show();
  if (!QTest::qWaitForWindowExposed(&box))
    std::printf("window not exposed\n");
  box.setFocus();
  BareToEnd(box);
  QCoreApplication::processEvents();
  Figures figures;
  const int runs = RunsFor(count);
  figures.type = KeyMs(runs, &box, Qt::Key_5);
  figures.enter = MedianMs(runs, [&] {
    const QString text = box.document()->toRawText();
    QTextCursor end(box.document());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral(" "));
    BareToEnd(box);
    box.viewport()->repaint();
    if (text.isEmpty())
      std::printf("  empty text\n");
  });
  const int middle =
      static_cast<int>(box.toPlainText().indexOf(u' ', box.toPlainText().size() / 2));
  figures.rebuild = MedianMs(
      runs,
      [&] {
        QTextCursor at(box.document());
        at.setPosition(middle);
        at.insertText(QStringLiteral(" 99"));
        QCoreApplication::processEvents();
      },
      [&] {
        QTextCursor at(box.document());
        at.setPosition(middle);
        at.setPosition(middle + 3, QTextCursor::KeepAnchor);
        at.removeSelectedText();
        box.viewport()->repaint();
      });
  return figures;
}

// What a close with 300 points per page leaves in settings.dat.
const QByteArray kStoredSettings =
    "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=300\r\n";

// One start-up in this process: prints "<ms> <peak RSS MB>".
int StartUp(const char* which, int count) {
  const QString numbers = Numbers(count);
  QTemporaryDir folder;
  if (std::strcmp(which, "ours") == 0) {
    ui::RecordingServices recorder;
    base::SetProgramFolderForTesting(folder.path().toStdString() + "/");
    if (!WriteBytes(folder.filePath("System/Numbers_Memo.txt"), numbers.toUtf8()) ||
        !WriteBytes(folder.filePath("settings.dat"), kStoredSettings))
      return 1;
    QElapsedTimer timer;
    timer.start();
    auto* form = new TmainForm;
    if (!ShowMainWindow(form))
      return 1;
    QCoreApplication::processEvents();
    form->repaint();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (form->Series1->Count() != count)
      std::fprintf(stderr, "unexpected point count %d\n", form->Series1->Count());
    std::printf("%.1f %.1f\n", ms, PeakRssMb());
    std::fflush(stdout);
    std::_Exit(0);  // the save on close is not part of the start-up
  }
  QElapsedTimer timer;
  timer.start();
  QPlainTextEdit box;
  SetUpBare(box);
  box.setPlainText(numbers);
  box.show();
  if (!QTest::qWaitForWindowExposed(&box))
    return 1;
  BareToEnd(box);
  QCoreApplication::processEvents();
  box.repaint();
  std::printf("%.1f %.1f\n", static_cast<double>(timer.nsecsElapsed()) / 1e6, PeakRssMb());
  return 0;
}

struct Start {
  double ms = -1;
  double rss = -1;
};

Start ChildStartUp(const char* program, const char* which, int count) {
  QProcess child;
  child.start(QString::fromLocal8Bit(program),
              {QStringLiteral("--start"), QString::fromLatin1(which), QString::number(count)});
  Start start;
  if (!child.waitForFinished(120000))
    return start;
  const QStringList parts = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
  if (parts.size() == 2) {
    start.ms = parts[0].toDouble();
    start.rss = parts[1].toDouble();
  }
  return start;
}

}  // namespace

int main(int argc, char** argv) {
  ui::TApplication app(argc, argv);
  if (argc == 4 && std::strcmp(argv[1], "--start") == 0)
    return StartUp(argv[2], std::atoi(argv[3]));
  if (argc == 3 && std::strcmp(argv[1], "--ours") == 0) {
    ui::RecordingServices recorder;
    const Figures ours = MeasureOurs(std::atoi(argv[2]));
    std::printf("type %.2f ms, enter %.2f ms, rebuild %.2f ms\n", ours.type, ours.enter,
                ours.rebuild);
    return 0;
  }

  ui::RecordingServices recorder;
  QTemporaryDir folder;
  base::SetProgramFolderForTesting(folder.path().toStdString() + "/");

  std::printf("%-8s %9s %11s %11s %9s\n", "case", "numbers", "ours ms", "bare ms", "bare/ours");
  auto row = [](const char* name, int count, double ours, double bare) {
    std::printf("%-8s %9d %11.2f %11.2f %9.1f\n", name, count, ours, bare, bare / ours);
    std::fflush(stdout);
  };
  for (int count : kSizes) {
    const Figures ours = MeasureOurs(count);
    const Figures bare = MeasureBare(count);
    row("type", count, ours.type, bare.type);
    row("enter", count, ours.enter, bare.enter);
    row("rebuild", count, ours.rebuild, bare.rebuild);
  }
  std::printf("%-8s %9s %11s %11s %11s %11s\n", "start", "numbers", "ours ms", "bare ms",
              "ours RSS MB", "bare RSS MB");
  for (int count : kSizes) {
    const Start ours = ChildStartUp(argv[0], "ours", count);
    const Start bare = ChildStartUp(argv[0], "bare", count);
    std::printf("%-8s %9d %11.1f %11.1f %11.1f %11.1f\n", "start", count, ours.ms, bare.ms,
                ours.rss, bare.rss);
    std::fflush(stdout);
  }
  return 0;
}
