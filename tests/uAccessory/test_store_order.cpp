#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include "base/program_folder.h"
#include "program_folder_fixture.h"
#include "test_files.h"
#include "test_main.h"
#include "uAccessory/profile.h"
#include "uAccessory/uAccessory.h"
#include "ui/form.h"
#include "ui/kinds/check_radio.h"
#include "ui/kinds/combo_box.h"
#include "ui/kinds/date_time.h"
#include "ui/kinds/line_edit.h"
#include "ui/kinds/list_box.h"
#include "ui/kinds/memo.h"
#include "ui/kinds/panel.h"
#include "ui/kinds/spin_edit.h"

// The order in which a save writes and a restore reads the keys of every control kind, the
// derived kinds among them: a control of several kinds runs the step of each, base kind first.

namespace {

QString Time(int h, int m, int s) {
  return QLocale::system().toString(QTime(h, m, s), LongTimeFormat());
}

// One control of every kind, in the order of the store's kinds.
struct OrderForm : ui::TForm {
  ui::TMemo* Memo1 = Add<ui::TMemo>("Memo1");
  ui::TsMemo* sMemo1 = Add<ui::TsMemo>("sMemo1");
  ui::TsDateEdit* DateEdit1 = Add<ui::TsDateEdit>("DateEdit1");
  ui::TDateTimePicker* Picker1 = Add<ui::TDateTimePicker>("Picker1");
  ui::TEdit* Edit1 = Add<ui::TEdit>("Edit1");
  ui::TsEdit* sEdit1 = Add<ui::TsEdit>("sEdit1");
  ui::TsCurrencyEdit* Currency1 = Add<ui::TsCurrencyEdit>("Currency1");
  ui::TLabeledEdit* Labeled1 = Add<ui::TLabeledEdit>("Labeled1");
  ui::TComboBox* Combo1 = Add<ui::TComboBox>("Combo1");
  ui::TsComboBox* sCombo1 = Add<ui::TsComboBox>("sCombo1");
  ui::TCheckBox* Check1 = Add<ui::TCheckBox>("Check1");
  ui::TRadioButton* Radio1 = Add<ui::TRadioButton>("Radio1");
  ui::TsCheckBox* sCheck1 = Add<ui::TsCheckBox>("sCheck1");
  ui::TsRadioButton* sRadio1 = Add<ui::TsRadioButton>("sRadio1");
  ui::TRadioGroup* Group1 = Add<ui::TRadioGroup>("Group1");
  ui::TSpinEdit* Spin1 = Add<ui::TSpinEdit>("Spin1");
  ui::TsSpinEdit* sSpin1 = Add<ui::TsSpinEdit>("sSpin1");
  ui::TPanel* Panel1 = Add<ui::TPanel>("Panel1");
  ui::TAdvSpinEdit* Adv1 = Add<ui::TAdvSpinEdit>("Adv1");
  ui::TListBox* List1 = Add<ui::TListBox>("List1");
  ui::TsListBox* sList1 = Add<ui::TsListBox>("sList1");
  ui::TCheckListBox* CheckList1 = Add<ui::TCheckListBox>("CheckList1");

  OrderForm() {
    setObjectName("OrderForm");
    Group1->SetItems({"x", "y", "z"});
    Spin1->SetMinValue(0);
    Spin1->SetMaxValue(1000);
    Picker1->SetTime(QTime(8, 0, 0));
  }

  template <typename Kind>
  Kind* Add(const char* name) {
    auto* control = new Kind(this);
    AddComponent(QString::fromLatin1(name), control);
    return control;
  }
};

// Records each stored value as it reaches its control during a restore, in the order the
// controls take them. A value set a second time by a second kind of the same control is seen
// because the first sighting puts the control back as it was.
class RestoreRecorder {
 public:
  RestoreRecorder(OrderForm& f, QString settings) : settings_(std::move(settings)) {
    const auto watch = [this](std::function<void()>& handler) { handler = [this] { Observe(); }; };
    Expect("Memo1.File", [&f] { return f.Memo1->Text() == "memo"; });
    Expect(
        "sMemo1.File", [&f] { return f.sMemo1->Text() == "skinned memo"; },
        [&f] { f.sMemo1->SetText(""); });
    Expect("DateEdit1.Text", [&f] { return f.DateEdit1->Text() == "01.02.2026"; });
    Expect("Picker1.Time", [&f] { return f.Picker1->Time() == QTime(13, 14, 15); });
    Expect("Edit1.Text", [&f] { return f.Edit1->Text() == "plain"; });
    Expect(
        "sEdit1.Text", [&f] { return f.sEdit1->Text() == "skinned"; },
        [&f] { f.sEdit1->SetText(""); });
    Expect("Currency1.Text", [&f] { return f.Currency1->Text() == "12.50"; });
    Expect("Labeled1.Text", [&f] { return f.Labeled1->Text() == "labeled"; });
    Expect("Combo1.Items", [&f] { return f.Combo1->Items() == QStringList({"12", "5"}); });
    Expect("Combo1.Text", [&f] { return f.Combo1->Text() == "5"; });
    Expect("sCombo1.Items", [&f] { return f.sCombo1->Items() == QStringList{"a"}; });
    Expect("sCombo1.Text", [&f] { return f.sCombo1->Text() == "typed"; });
    Expect("Check1.Checked", [&f] { return f.Check1->Checked(); });
    Expect("Radio1.Checked", [&f] { return f.Radio1->Checked(); });
    Expect("sCheck1.Checked", [&f] { return f.sCheck1->Checked(); });
    Expect(
        "sRadio1.Checked", [&f] { return f.sRadio1->Checked(); },
        [&f] { f.sRadio1->SetChecked(false); });
    Expect("Group1.ItemIndex", [&f] { return f.Group1->ItemIndex() == 2; });
    Expect("Spin1.Value", [&f] { return f.Spin1->Value() == 42; });
    Expect(
        "sSpin1.Text", [&f] { return f.sSpin1->Text() == "5"; }, [&f] { f.sSpin1->SetText(""); });
    Expect("sSpin1.Value", [&f] { return f.sSpin1->Value() == 7; });
    Expect("Panel1.Color", [&f] { return f.Panel1->Color() == 0x0000FF; });
    Expect("Adv1.FloatValue", [&f] { return f.Adv1->FloatValue() == 2.5; });
    Expect("List1.File", [&f] { return f.List1->Items() == QStringList({"one", "two"}); });
    Expect("sList1.File", [&f] { return f.sList1->Items() == QStringList({"s1", "s2"}); });
    Expect("CheckList1.Items", [&f] {
      return f.CheckList1->Items() == QStringList({"a", "b"}) && f.CheckList1->Checked(0);
    });
    for (ui::TMemo* memo : {f.Memo1, static_cast<ui::TMemo*>(f.sMemo1)})
      watch(memo->OnChange);
    for (ui::LineTextBox* edit : std::initializer_list<ui::LineTextBox*>{
             f.DateEdit1, f.Edit1, f.sEdit1, f.Currency1, f.sSpin1})
      watch(edit->OnChange);
    watch(f.Picker1->OnChange);
    watch(f.Labeled1->OnChange);
    watch(f.Combo1->OnChange);
    watch(f.sCombo1->OnChange);
    watch(f.Check1->OnClick);
    watch(f.Radio1->OnClick);
    watch(f.sCheck1->OnClick);
    watch(f.sRadio1->OnClick);
    watch(f.Group1->OnClick);
    watch(f.Spin1->OnChange);
    watch(f.Panel1->OnChange);
    watch(f.Adv1->OnChange);
    watch(f.List1->OnChange);
    watch(f.sList1->OnChange);
    watch(f.CheckList1->OnChange);
    written_ = PickerWritten();
  }

  // Also notes the one write of a restore, once the settings file holds it.
  void Observe() {
    if (!written_ && PickerWritten()) {
      written_ = true;
      seen_ << "written Picker1.Time";
    }
    for (Expected& expected : expected_) {
      const bool holds = expected.holds();
      const bool arrived = holds && !expected.held;
      expected.held = holds;
      if (!arrived)
        continue;
      seen_ << expected.key;
      if (expected.undo)
        expected.undo();
    }
  }

  QStringList Seen() const { return seen_; }

 private:
  struct Expected {
    QString key;
    std::function<bool()> holds;
    std::function<void()> undo;
    bool held = false;
  };

  void Expect(const QString& key, std::function<bool()> holds, std::function<void()> undo = {}) {
    expected_.push_back({key, std::move(holds), std::move(undo)});
  }

  bool PickerWritten() const {
    return ReadBytes(settings_).contains(
        ("\r\nPicker1.Time=" + Time(13, 14, 15) + "\r\n").toUtf8());
  }

  QString settings_;
  std::vector<Expected> expected_;
  QStringList seen_;
  bool written_ = false;
};

// The keys of the settings file's lines, in file order.
QStringList KeysOf(const QByteArray& bytes) {
  QStringList keys;
  for (const QString& line : QString::fromUtf8(bytes).split("\r\n", Qt::SkipEmptyParts)) {
    if (!line.startsWith('['))
      keys << line.section('=', 0, 0);
  }
  return keys;
}

}  // namespace

class TestStoreOrder : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void SaveWritesKeysInKindOrder();
  void RestoreSetsValuesInKindOrder();

 private:
  QString Settings() const { return files_->Settings(); }
  std::unique_ptr<ProgramFolderFixture> files_;
};

void TestStoreOrder::init() {
  files_ = std::make_unique<ProgramFolderFixture>();
}

void TestStoreOrder::cleanup() {
  files_.reset();
}

// A TsEdit writes ".Text" as a TEdit and again as itself, which leaves one line; a TsSpinEdit
// adds ".Value" after that; a TsListBox writes both a side file and ".Items".
void TestStoreOrder::SaveWritesKeysInKindOrder() {
  OrderForm form;
  form.sSpin1->SetValue(3);
  SaveFormsState(Settings());
  const QStringList expected = {
      "Memo1.File",      "sMemo1.File",      "DateEdit1.Text", "Picker1.Time",   "Edit1.Text",
      "sEdit1.Text",     "Currency1.Text",   "Labeled1.Text",  "Combo1.Items",   "Combo1.Text",
      "sCombo1.Items",   "sCombo1.Text",     "Check1.Checked", "Radio1.Checked", "sCheck1.Checked",
      "sRadio1.Checked", "Group1.ItemIndex", "Spin1.Value",    "sSpin1.Text",    "sSpin1.Value",
      "Panel1.Color",    "Adv1.FloatValue",  "List1.File",     "sList1.File",    "sList1.Items",
      "CheckList1.Items"};
  QCOMPARE(KeysOf(ReadBytes(Settings())), expected);
  QCOMPARE(ReadBytes(Settings()).count("sSpin1.Text=3\r\n"), 1);
}

// A TsMemo reads its side file as a TMemo and again as itself; a TsEdit and a TsSpinEdit set
// ".Text" twice, and the spin box then ".Value"; a TsRadioButton sets its mark twice; the picker
// writes its time back before the next control is restored; a TsListBox is restored as a TListBox
// alone, from its side file.
void TestStoreOrder::RestoreSetsValuesInKindOrder() {
  QVERIFY(WriteBytes(files_->folder.filePath("System/Memo1.txt"), "memo"));
  QVERIFY(WriteBytes(files_->folder.filePath("System/sMemo1.txt"), "skinned memo"));
  QVERIFY(WriteBytes(files_->folder.filePath("System/Settings/List1.txt"), "one\r\ntwo\r\n"));
  QVERIFY(WriteBytes(files_->folder.filePath("System/Settings/sList1.txt"), "s1\r\ns2\r\n"));
  const QString stored =
      "[OrderForm]\r\n"
      "Memo1.File=Memo1\r\n"
      "sMemo1.File=sMemo1\r\n"
      "DateEdit1.Text=01.02.2026\r\n"
      "Picker1.Time='" +
      Time(13, 14, 15) +
      "'\r\n"
      "Edit1.Text=plain\r\n"
      "sEdit1.Text=skinned\r\n"
      "Currency1.Text=12.50\r\n"
      "Labeled1.Text=labeled\r\n"
      "Combo1.Items=<*12*><*5*><*]]]\r\n"
      "Combo1.Text=5\r\n"
      "sCombo1.Items=<*a*><*]]]\r\n"
      "sCombo1.Text=typed\r\n"
      "Check1.Checked=1\r\n"
      "Radio1.Checked=1\r\n"
      "sCheck1.Checked=1\r\n"
      "sRadio1.Checked=1\r\n"
      "Group1.ItemIndex=2\r\n"
      "Spin1.Value=42\r\n"
      "sSpin1.Text=5\r\n"
      "sSpin1.Value=7\r\n"
      "Panel1.Color=255\r\n"
      "Adv1.FloatValue=2.5\r\n"
      "List1.File=List1\r\n"
      "sList1.File=sList1\r\n"
      "sList1.Items=<*never*><*]]]\r\n"
      "CheckList1.Items=<*a--->[check+check]*><*b--->[check-check]*><*]]]\r\n";
  QVERIFY(WriteBytes(Settings(), stored.toUtf8()));
  OrderForm form;
  RestoreRecorder recorder(form, Settings());
  LoadFormsState(Settings());
  recorder.Observe();
  const QStringList expected = {
      "Memo1.File",       "sMemo1.File",          "sMemo1.File",     "DateEdit1.Text",
      "Picker1.Time",     "written Picker1.Time", "Edit1.Text",      "sEdit1.Text",
      "sEdit1.Text",      "Currency1.Text",       "Labeled1.Text",   "Combo1.Items",
      "Combo1.Text",      "sCombo1.Items",        "sCombo1.Text",    "Check1.Checked",
      "Radio1.Checked",   "sCheck1.Checked",      "sRadio1.Checked", "sRadio1.Checked",
      "Group1.ItemIndex", "Spin1.Value",          "sSpin1.Text",     "sSpin1.Text",
      "sSpin1.Value",     "Panel1.Color",         "Adv1.FloatValue", "List1.File",
      "sList1.File",      "CheckList1.Items"};
  QCOMPARE(recorder.Seen(), expected);
  QCOMPARE(files_->recorder.Events(), QStringList());
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestStoreOrder)

#include "test_store_order.moc"
