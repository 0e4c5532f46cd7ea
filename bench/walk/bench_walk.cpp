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
#include "median_ms.h"
#include "recording_services.h"
#include "show_main_window.h"
#include "test_files.h"
#include "ui/application.h"

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

}  // namespace

int main(int argc, char** argv) {
  ui::TApplication app(argc, argv);
  ui::RecordingServices recorder;
  QTemporaryDir folder;
  base::SetProgramFolderForTesting(folder.path().toStdString());

  std::printf("%10s %14s %14s\n", "numbers", "rebuild ms", "enter ms");
  for (int count : {1000, 10000, 100000}) {
    TmainForm form;
    if (!ShowMainWindow(&form))
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

  // Start-up with 100,000 saved numbers (window shown, chart drawn) and the save on close.
  {
    if (!WriteBytes(folder.filePath("System/Numbers_Memo.txt"), Numbers(100000).toUtf8()) ||
        !WriteBytes(folder.filePath("settings.dat"),
                    "[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\nDotsPerPage_SE.Value=300\r\n"))
      return 1;
  }
  std::vector<double> starts;
  std::vector<double> saves;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer timer;
    timer.start();
    auto* form = new TmainForm;
    if (!ShowMainWindow(form))
      std::printf("window not exposed\n");
    QCoreApplication::processEvents();
    starts.push_back(timer.nsecsElapsed() / 1e6);
    if (form->Series1->Count() != 100000)
      std::printf("  unexpected point count\n");
    timer.restart();
    if (!form->close())
      std::printf("  close refused\n");
    saves.push_back(timer.nsecsElapsed() / 1e6);
    delete form;
    mainForm = nullptr;
  }
  std::sort(starts.begin(), starts.end());
  std::sort(saves.begin(), saves.end());
  std::printf("start-up with 100000 saved numbers: %.1f ms (median of 5)\n", starts[2]);
  std::printf("close (save) with 100000 numbers:   %.1f ms (median of 5)\n", saves[2]);
  return 0;
}
