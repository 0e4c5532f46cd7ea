#pragma once

#include "ui/chart/chart.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/kinds/check_radio.h"
#include "ui/kinds/list_box.h"
#include "ui/kinds/memo.h"
#include "ui/kinds/spin_edit.h"

// The main window: the number box, the points-per-page box and the chart of the walk.
class TmainForm : public ui::TForm {
 public:
  explicit TmainForm(QWidget* parent = nullptr);

  // Controls, in declaration order.
  ui::TGroupBox* GroupBox1;
  ui::TButton* Show_Btn;
  ui::TMemo* Numbers_Memo;
  ui::TSpinEdit* DotsPerPage_SE;
  ui::TLabel* Label1;
  ui::TGroupBox* LogGroupBox;
  ui::TRichEdit* Log;
  ui::TCheckBox* Debug_CheckBox;
  ui::TBitBtn* ClearLogBitBtn;
  ui::TBitBtn* SaveLogBitBtn;
  ui::TListBox* UserAgentListBox;
  ui::TChart* Chart1;
  ui::TPointSeries* Series1;
  ui::TTimer* Timer1;

  // Event handlers.
  void Show_BtnClick();
  void Chart1AfterDraw();
  void FormCreate();
  // Returns false when the close must be abandoned.
  bool FormClose();
  void Numbers_MemoKeyDown(int& key, Qt::KeyboardModifiers shift);
  void DotsPerPage_SEChange();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void ConfigureChart();
  void PlaceControls();

  void AddZeroLine();
  void ScrollMemoToEnd(ui::TMemo* memo);
  void BuildWalk(bool silent);
  // The settings file in the data folder, where the state is saved and first looked for; the
  // working directory plays no part.
  static QString SettingsPath();
  // The settings file beside the program: the defaults restored while the data folder, apart
  // from the program folder, holds no state yet.
  static QString DefaultSettingsPath();
};

// The one main window, created at start-up.
extern TmainForm* mainForm;
