// Wall time of a rebuild (a click on the button) and of an Enter in the number box, with long
// lists of numbers, on the real window under whatever platform QT_QPA_PLATFORM names.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/program_folder.h"
#include "main/main_form.h"
#include "ui/application.h"
#include "ui/recording_services.h"

namespace {

QString Numbers(int count) {
  QString text;
  text.reserve(count * 3);
  for (int i = 0; i < count; ++i) {
    if (i > 0)
      text += u' ';
    text += QString::number(i * 7 % 36 + 1);
  }
  return text;
}

template <typename Action>
double MedianMs(int runs, Action&& action) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    action();
    times.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  ui::TApplication app(argc, argv);
  ui::RecordingServices recorder;
  QTemporaryDir folder;
  base::SetProgramFolder(folder.path().toStdString());

  std::printf("%10s %14s %14s\n", "numbers", "rebuild ms", "enter ms");
  for (int count : {1000, 10000, 100000}) {
    TmainForm form;
    mainForm = &form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
      std::printf("window not exposed\n");
    const QString numbers = Numbers(count);
    form.Numbers_Memo->SetText(numbers);
    form.Numbers_Memo->setFocus();
    QCoreApplication::processEvents();

    const double rebuild = MedianMs(9, [&] {
      form.Show_Btn->click();
      QCoreApplication::processEvents();
    });
    const double enter = MedianMs(9, [&] {
      QTest::keyClick(form.Numbers_Memo, Qt::Key_Return);
      QCoreApplication::processEvents();
    });
    std::printf("%10d %14.2f %14.2f\n", count, rebuild, enter);
    if (form.Series1->Count() != count)
      std::printf("  unexpected point count %d\n", form.Series1->Count());
    mainForm = nullptr;
  }
  return 0;
}
