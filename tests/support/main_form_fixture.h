#pragma once

#include <QApplication>
#include <QTest>

#include <memory>

#include "main/main_form.h"
#include "program_folder_fixture.h"
#include "ui/accessibility.h"

// A main window in a program folder of its own, with beeps and messages recorded.
struct MainFormFixture : ProgramFolderFixture {
  std::unique_ptr<TmainForm> form;

  // The window goes before the folder it keeps its files in.
  ~MainFormFixture() { form.reset(); }

  TmainForm& Open() {
    ui::InstallAccessibilityFactories();
    form = std::make_unique<TmainForm>();
    mainForm = form.get();
    return *form;
  }

  // Shows the window and makes it active, so focus and keys behave as for a user.
  TmainForm& OpenShown() {
    Open();
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
      qWarning("main window did not become active");
    return *form;
  }

  QPair<double, double> View() const {
    auto& axis = form->Chart1->BottomAxis();
    return {axis.Minimum(), axis.Maximum()};
  }

  // Points of the walk as "x:y:colour" with colour r or b.
  QString Points() const {
    QStringList parts;
    const ui::TPointSeries* series = form->Series1;
    for (int i = 0; i < series->Count(); ++i) {
      const ui::TColor colour = series->ValueColor(i);
      parts << QString("%1:%2:%3")
                   .arg(series->XValue(i))
                   .arg(series->YValue(i))
                   .arg(colour == 0x0000FF ? "r"
                        : colour == 0      ? "b"
                                           : "?");
    }
    return parts.join(' ');
  }

  int ZeroLines() const { return form->Chart1->SeriesCount() - 1; }
  // The right end of the newest zero line.
  double NewestLineEnd() const {
    const ui::TChartSeries* line = form->Chart1->Series(form->Chart1->SeriesCount() - 1);
    return line->XValue(1);
  }

  void Type(QWidget* widget, const QString& text) { QTest::keyClicks(widget, text); }
  void Enter() { QTest::keyClick(form->Numbers_Memo, Qt::Key_Return); }
};
