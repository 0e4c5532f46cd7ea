#include "main/main_form.h"

#include <QCloseEvent>
#include <QFile>
#include <QFont>
#include <QScreen>

#include <algorithm>

#include "base/data_folder.h"
#include "base/program_folder.h"
#include "main/app_icon.h"
#include "main/walk_text.h"
#include "uAccessory/uAccessory.h"
#include "ui/design_font.h"
#include "ui/handler_guard.h"
#include "ui/pending_messages.h"
#include "ui/user_notice.h"

TmainForm* mainForm = nullptr;

namespace {

// The window is laid out for a client area of this size; the right-hand strip of the settings
// box keeps its distance from the right edge.
constexpr int kDesignWidth = 1021;
constexpr int kDesignHeight = 536;
constexpr int kSettingsHeight = 105;
// The smallest client area: the number box keeps 120 pixels of width beside the right-hand strip
// of the settings box, whose controls stay whole, and the chart keeps room for its title, its
// labels and a plot area of 60 rows.
constexpr QSize kMinimumSize(kDesignWidth - 814 + 120,
                             kSettingsHeight + ui::TChart::HeightForPlotRows(60));
// Before the window is first shown the window manager's frame is unknown: a title bar and borders
// of this size are set aside when the design size has to shrink to the screen.
constexpr QSize kFrameReserve(8, 36);
// Points per page: the spin box's design values.
constexpr int kMinPoints = 50;
constexpr int kMaxPoints = 5000;
constexpr int kPointsStep = 100;
constexpr int kDefaultPoints = 100;
// Enter shows this much before and after the last point.
constexpr double kViewBefore = 100;
constexpr double kViewAfter = 200;

QFont BoldFont(const QFont& base) {
  QFont font = base;
  font.setBold(true);
  return font;
}

}  // namespace

TmainForm::TmainForm(QWidget* parent) : ui::TForm(parent) {
  setObjectName(QStringLiteral("mainForm"));
  setWindowTitle(QStringLiteral("mainForm"));
  setWindowIcon(AppIcon());
  setFont(ui::DesignFont(ui::FallbackWidth::kNarrowed));
  CreateControls();
  ConfigureChart();
  setMinimumSize(kMinimumSize);
  resize(ui::FirstClientSize(QSize(kDesignWidth, kDesignHeight),
                             screen()->availableGeometry().size(), kFrameReserve, kMinimumSize));
  PlaceControls();
  ui::Guarded([this] { FormCreate(); });
}

void TmainForm::CreateControls() {
  GroupBox1 = new ui::TGroupBox(QStringLiteral("Настройки"), this);
  AddComponent(QStringLiteral("GroupBox1"), GroupBox1);

  Label1 = new ui::TLabel(QStringLiteral("Точек на странице"), GroupBox1);
  AddComponent(QStringLiteral("Label1"), Label1);

  Show_Btn = new ui::TButton(GroupBox1);
  Show_Btn->setText(QStringLiteral("Показать график"));
  Show_Btn->setFont(BoldFont(font()));
  Show_Btn->OnClick = [this] { Show_BtnClick(); };
  AddComponent(QStringLiteral("Show_Btn"), Show_Btn);

  Numbers_Memo = new ui::TMemo(GroupBox1);
  Numbers_Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Numbers_Memo->WantReturns = false;
  Numbers_Memo->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) {
    Numbers_MemoKeyDown(key, shift);
  };
  // The group box's title would name it otherwise, as it does every control without a name.
  Numbers_Memo->setAccessibleName(QStringLiteral("Номера"));
  AddComponent(QStringLiteral("Numbers_Memo"), Numbers_Memo);

  DotsPerPage_SE = new ui::TSpinEdit(GroupBox1);
  DotsPerPage_SE->SetMinValue(kMinPoints);
  DotsPerPage_SE->SetMaxValue(kMaxPoints);
  DotsPerPage_SE->SetIncrement(kPointsStep);
  DotsPerPage_SE->SetValue(kDefaultPoints);
  DotsPerPage_SE->OnChange = [this] { DotsPerPage_SEChange(); };
  // The label names the box for a screen reader and stands in the label-for relation with it.
  Label1->setBuddy(DotsPerPage_SE);
  AddComponent(QStringLiteral("DotsPerPage_SE"), DotsPerPage_SE);

  // The log panel is kept hidden beyond the right edge; nothing uses it.
  LogGroupBox = new ui::TGroupBox(QStringLiteral("Лог работы"), this);
  LogGroupBox->setFont(BoldFont(font()));
  LogGroupBox->hide();
  AddComponent(QStringLiteral("LogGroupBox"), LogGroupBox);

  Log = new ui::TRichEdit(LogGroupBox);
  Log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Log->setFont(font());
  QPalette log_palette = Log->palette();
  log_palette.setColor(QPalette::Base, log_palette.color(QPalette::Light));
  Log->setPalette(log_palette);
  AddComponent(QStringLiteral("Log"), Log);

  Debug_CheckBox = new ui::TCheckBox(LogGroupBox);
  Debug_CheckBox->setText(QStringLiteral("Выводить в лог отладочную информацию"));
  Debug_CheckBox->setFont(font());
  AddComponent(QStringLiteral("Debug_CheckBox"), Debug_CheckBox);

  ClearLogBitBtn = new ui::TBitBtn(LogGroupBox);
  ClearLogBitBtn->setText(QStringLiteral("Очистить"));
  ClearLogBitBtn->setFont(font());
  AddComponent(QStringLiteral("ClearLogBitBtn"), ClearLogBitBtn);

  SaveLogBitBtn = new ui::TBitBtn(LogGroupBox);
  SaveLogBitBtn->setText(QStringLiteral("Сохранить"));
  SaveLogBitBtn->setFont(font());
  AddComponent(QStringLiteral("SaveLogBitBtn"), SaveLogBitBtn);

  UserAgentListBox = new ui::TListBox(LogGroupBox);
  UserAgentListBox->setFont(font());
  UserAgentListBox->hide();
  AddComponent(QStringLiteral("UserAgentListBox"), UserAgentListBox);

  Chart1 = new ui::TChart(this);
  AddComponent(QStringLiteral("Chart1"), Chart1);

  Series1 = new ui::TPointSeries;
  Series1->SetName(QStringLiteral("Series1"));
  AddComponent(QStringLiteral("Series1"), nullptr);

  Timer1 = new ui::TTimer(this);
  Timer1->setInterval(500);
  AddComponent(QStringLiteral("Timer1"), Timer1);

  // Tab goes round the button, the list and the spin box; the chart takes the focus by a click
  // only, since it has nothing to offer the keyboard.
  setTabOrder(Show_Btn, Numbers_Memo);
  setTabOrder(Numbers_Memo, DotsPerPage_SE);
}

void TmainForm::ConfigureChart() {
  Chart1->SetTitleText(QStringLiteral("График распределения номеров рулетки"));
  Chart1->SetColorPaletteIndex(13);
  Chart1->SetAllowPanning(ui::TPanningMode::pmHorizontal);
  Chart1->SetZoomAllow(false);
  Chart1->setFocusPolicy(Qt::ClickFocus);
  Chart1->BottomAxis().SetMinMax(0, 24);
  Chart1->OnAfterDraw = [this] { Chart1AfterDraw(); };
  Chart1->AddSeries(Series1);
}

void TmainForm::PlaceControls() {
  // The window's description: where each control stands at the design size, and how it follows
  // a resize. Docked and filling controls take what their neighbours leave.
  enum class Anchor {
    kDesign,       // stays where it was designed
    kTopRight,     // keeps its distance from the right edge of the settings box
    kDockBottom,   // the full width at the bottom edge, its design height
    kFillAbove,    // the client area above the bottom dock
    kFillMargins,  // its parent's client area less the memo's margins
  };
  struct Place {
    QWidget* control;
    QRect design;
    Anchor anchor;
  };
  const Place places[] = {
      {GroupBox1, {0, 431, 1021, 105}, Anchor::kDockBottom},
      {Chart1, {0, 0, 1021, 431}, Anchor::kFillAbove},
      {Numbers_Memo, {5, 18, 814, 82}, Anchor::kFillMargins},
      {Show_Btn, {835, 16, 179, 25}, Anchor::kTopRight},
      {Label1, {835, 52, 95, 13}, Anchor::kTopRight},
      {DotsPerPage_SE, {941, 47, 73, 22}, Anchor::kTopRight},
      {LogGroupBox, {1500, 24, 381, 154}, Anchor::kDesign},
      {Log, {2, 15, 377, 104}, Anchor::kDesign},
      {ClearLogBitBtn, {153, 124, 100, 25}, Anchor::kDesign},
      {SaveLogBitBtn, {276, 124, 100, 25}, Anchor::kDesign},
      {Debug_CheckBox, {8, 147, 233, 17}, Anchor::kDesign},
      {UserAgentListBox, {2000, 88, 128, 66}, Anchor::kDesign},
  };
  const int grown = width() - kDesignWidth;
  const int taller = height() - kDesignHeight;
  for (const Place& place : places) {
    QRect rect = place.design;
    switch (place.anchor) {
      case Anchor::kDesign:
        break;
      case Anchor::kTopRight:
        rect.translate(grown, 0);
        break;
      case Anchor::kDockBottom:
        rect.translate(0, taller);
        rect.setWidth(width());
        break;
      case Anchor::kFillAbove:
        rect.setSize({width(), height() - kSettingsHeight});
        break;
      case Anchor::kFillMargins:
        rect.setWidth(rect.width() + grown);
        break;
    }
    place.control->setGeometry(rect);
  }
  // The label sizes itself to its text, so a fallback font wider than Tahoma does not cut it.
  Label1->resize(std::max(Label1->width(), Label1->sizeHint().width()), Label1->height());
}

void TmainForm::resizeEvent(QResizeEvent* event) {
  ui::TForm::resizeEvent(event);
  PlaceControls();
}

void TmainForm::closeEvent(QCloseEvent* event) {
  if (ui::ProcessingMessages()) {
    // A close that arrives while a handler lets paints through waits, like typed input, until
    // the handler has finished, so the save sees the box as the handler leaves it.
    event->ignore();
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return;
  }
  bool may_close = false;
  ui::Guarded([&] { may_close = FormClose(); });
  if (may_close) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TmainForm::FormCreate() {
  setWindowTitle(QStringLiteral("Tarvelon ver. 0.1"));
  ui::ProcessMessages();
  // The user's own state, or until there is one the defaults shipped beside the program.
  const QString settings = SettingsToRestore(SettingsPath(), DefaultSettingsPath());
  if (FormsStateStored(settings))
    LoadFormsState(settings);
  Series1->Clear();
  Chart1->BottomAxis().SetMaximum(DotsPerPage_SE->Value());
  AddZeroLine();
  BuildWalk(true);
  ScrollMemoToEnd(Numbers_Memo);
}

bool TmainForm::FormClose() {
  SaveFormsState(SettingsPath());
  return true;
}

QString TmainForm::SettingsPath() {
  return QFile::decodeName(QByteArray::fromStdString(base::DataFolder())) +
         QStringLiteral("settings.dat");
}

QString TmainForm::DefaultSettingsPath() {
  return QFile::decodeName(QByteArray::fromStdString(base::ProgramFolder())) +
         QStringLiteral("settings.dat");
}

void TmainForm::Show_BtnClick() {
  BuildWalk(false);
}

void TmainForm::DotsPerPage_SEChange() {
  BuildWalk(false);
}

void TmainForm::Chart1AfterDraw() {}

void TmainForm::Numbers_MemoKeyDown(int& key, Qt::KeyboardModifiers /*shift*/) {
  if (key != ui::kEnterKeyCode)
    return;
  BuildWalk(false);
  const double x = Series1->Count() > 0 ? Series1->LastX() : 1;
  Chart1->BottomAxis().SetMinMax(x - kViewBefore, x + kViewAfter);
  AddZeroLine();
  Numbers_Memo->AppendText(QStringLiteral(" "));
  ScrollMemoToEnd(Numbers_Memo);
  Numbers_Memo->SetSelStart(Numbers_Memo->TextLength());
  Numbers_Memo->setFocus();
  key = 0;
}

void TmainForm::AddZeroLine() {
  auto* line = new ui::TLineSeries;
  line->AddXY(0, 0);
  line->AddXY(Chart1->BottomAxis().Maximum(), 0);
  Chart1->AddSeries(line);
  ui::ProcessMessages();
}

void TmainForm::ScrollMemoToEnd(ui::TMemo* memo) {
  int lines = memo->DisplayLineCount();
  if (memo->LastLineEmpty())
    --lines;
  memo->ScrollLines(lines);
}

void TmainForm::BuildWalk(bool silent) {
  Series1->Clear();
  ui::TChartAxis& axis = Chart1->BottomAxis();
  // A view dragged wholly left of 0 would refuse the lower end 0; start from 0 .. 0 instead.
  if (axis.Maximum() < 0)
    axis.SetMinMax(0, 0);
  axis.SetMinimum(0);
  try {
    axis.SetMaximum(DotsPerPage_SE->Value());
  } catch (const std::exception&) {
    // A negative points-per-page value: the view keeps its previous right end.
    ui::Beep();
  }

  const QString text = Numbers_Memo->Text();
  const WalkReading reading = ReadWalk(text);
  if (reading.report == WalkReport::kEmptyList) {
    ui::Beep();
    if (!silent)
      ui::ShowMessage(ReportMessage(reading.report, {}));
    return;
  }
  for (const WalkPoint& point : reading.points) {
    Series1->AddXY(point.x, point.y, QString(), point.color);
  }
  if (reading.report != WalkReport::kNone) {
    ui::ShowMessage(ReportMessage(reading.report, reading.bad_piece));
  }
  AddZeroLine();
  // Most rebuilds write back what they read; only a change needs the box's contents again.
  if (reading.written_back != text)
    Numbers_Memo->SetText(reading.written_back);
  ui::ProcessMessages();
}
