#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "base/program_folder.h"
#include "program_folder_fixture.h"
#include "test_files.h"
#include "test_main.h"
#include "uAccessory/control_state.h"
#include "uAccessory/profile.h"
#include "uAccessory/store_table.h"
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

namespace {

// A form holding one control of every kind the store knows, plus a hidden edit box.
struct KindsForm : ui::TForm {
  ui::TsMemo* Memo1 = Add<ui::TsMemo>("Memo1");
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
  ui::TEdit* HiddenEdit = Add<ui::TEdit>("HiddenEdit");

  explicit KindsForm(const QString& name = "KindsForm") {
    setObjectName(name);
    HiddenEdit->hide();
    Group1->SetItems({"x", "y", "z"});
    Spin1->SetMinValue(0);
    Spin1->SetMaxValue(1000);
  }

  template <typename Kind>
  Kind* Add(const char* name) {
    auto* control = new Kind(this);
    AddComponent(QString::fromLatin1(name), control);
    return control;
  }

  void Fill() {
    Memo1->SetText("line one\r\nline two");
    DateEdit1->SetText("01.02.2026");
    Picker1->SetTime(QTime(13, 14, 15));
    Edit1->SetText("plain");
    sEdit1->SetText("skinned");
    Currency1->SetText("12.50");
    Labeled1->SetText("labeled");
    Combo1->SetItems({"12", "5"});
    Combo1->SetText("5");
    sCombo1->SetItems({"a"});
    sCombo1->SetText("typed");
    Check1->SetChecked(true);
    Radio1->SetChecked(true);
    sCheck1->SetChecked(true);
    sRadio1->SetChecked(false);
    Group1->SetItemIndex(2);
    Spin1->SetValue(42);
    sSpin1->SetValue(0x100000005LL);
    Panel1->SetColor(0x0000FF);
    Adv1->SetFloatValue(2.5);
    List1->SetItems({"one", "two"});
    sList1->SetItems({"s1", "s2"});
    CheckList1->ClearItems();
    CheckList1->SetChecked(CheckList1->AddItem("a"), true);
    CheckList1->AddItem("b");
    HiddenEdit->SetText("hidden");
  }
};

QString Time(int h, int m, int s) {
  return QLocale::system().toString(QTime(h, m, s), LongTimeFormat());
}

}  // namespace

class TestStoreKinds : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void SaveWritesEveryKindInOrder();
  void RestoreTakesEveryKindBack();
  void SpinValueWinsOverText();
  void ListFallsBackToStoredItems();
  void HiddenEditRestoredFromHandAddedKey();
  void AboutFormUntouchedBySaveButRestored();
  void CheckListSkipsEmptyEntry();
  void PickerTimeWrittenBackNormalised();
  void MarkedSideFileKeepsItsMark();
  void ListRebuiltInOneBracket();
  void MissingValuesKeepControls();
  void SideFilesFoundByOwnNameWithoutSettings();
  void FailedRestoreKeepsWhatItDidNotReach();
  void SavedKeysAreDeclaredByTheirRows();
  void ControlStateGoesWithTheControl();

 private:
  QString Settings() const { return files_->Settings(); }
  std::unique_ptr<ProgramFolderFixture> files_;
};

void TestStoreKinds::init() {
  files_ = std::make_unique<ProgramFolderFixture>();
}

void TestStoreKinds::cleanup() {
  files_.reset();
}

void TestStoreKinds::SaveWritesEveryKindInOrder() {
  KindsForm form;
  form.Fill();
  SaveFormsState(Settings());

  const QString expected =
      "[KindsForm]\r\n"
      "Memo1.File=Memo1\r\n"
      "DateEdit1.Text=01.02.2026\r\n"
      "Picker1.Time=" +
      Time(13, 14, 15) +
      "\r\n"
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
      "sRadio1.Checked=0\r\n"
      "Group1.ItemIndex=2\r\n"
      "Spin1.Value=42\r\n"
      "sSpin1.Text=4294967301\r\n"
      "sSpin1.Value=5\r\n"
      "Panel1.Color=255\r\n"
      "Adv1.FloatValue=2.5\r\n"
      "List1.File=List1\r\n"
      "sList1.File=sList1\r\n"
      "sList1.Items=<*s1*><*s2*><*]]]\r\n"
      "CheckList1.Items=<*a--->[check+check]*><*b--->[check-check]*><*]]]\r\n";
  QCOMPARE(QString::fromUtf8(ReadBytes(Settings())), expected);
  QCOMPARE(ReadBytes(files_->folder.filePath("System/Memo1.txt")),
           QByteArray("line one\r\nline two"));
  QCOMPARE(ReadBytes(files_->folder.filePath("System/Settings/List1.txt")),
           QByteArray("one\r\ntwo\r\n"));
  QCOMPARE(ReadBytes(files_->folder.filePath("System/Settings/sList1.txt")),
           QByteArray("s1\r\ns2\r\n"));
}

void TestStoreKinds::RestoreTakesEveryKindBack() {
  {
    KindsForm saved;
    saved.Fill();
    SaveFormsState(Settings());
  }
  KindsForm form;
  LoadFormsState(Settings());
  QCOMPARE(form.Memo1->Text(), QString("line one\r\nline two"));
  QCOMPARE(form.DateEdit1->Text(), QString("01.02.2026"));
  QCOMPARE(form.Picker1->Time(), QTime(13, 14, 15));
  QCOMPARE(form.Edit1->Text(), QString("plain"));
  QCOMPARE(form.sEdit1->Text(), QString("skinned"));
  QCOMPARE(form.Currency1->Text(), QString("12.50"));
  QCOMPARE(form.Labeled1->Text(), QString("labeled"));
  QCOMPARE(form.Combo1->Items(), QStringList({"12", "5"}));
  QCOMPARE(form.Combo1->Text(), QString("5"));
  QCOMPARE(form.sCombo1->Items(), QStringList{"a"});
  QCOMPARE(form.sCombo1->Text(), QString("typed"));
  QVERIFY(form.Check1->Checked());
  QVERIFY(form.Radio1->Checked());
  QVERIFY(form.sCheck1->Checked());
  QVERIFY(!form.sRadio1->Checked());
  QCOMPARE(form.Group1->ItemIndex(), 2);
  QCOMPARE(form.Spin1->Value(), 42);
  // 32 bits are stored: the value comes back as its low half, after the text.
  QCOMPARE(form.sSpin1->Value(), qint64(5));
  QCOMPARE(form.Panel1->Color(), 0x0000FF);
  QCOMPARE(form.Adv1->FloatValue(), 2.5);
  QCOMPARE(form.List1->Items(), QStringList({"one", "two"}));
  QCOMPARE(form.sList1->Items(), QStringList({"s1", "s2"}));
  QCOMPARE(form.CheckList1->Items(), QStringList({"a", "b"}));
  QVERIFY(form.CheckList1->Checked(0));
  QVERIFY(!form.CheckList1->Checked(1));
  QCOMPARE(form.HiddenEdit->Text(), QString());
  QCOMPARE(files_->recorder.Events(), QStringList());
}

void TestStoreKinds::SpinValueWinsOverText() {
  QVERIFY(WriteBytes(Settings(), "[KindsForm]\r\nsSpin1.Text=5\r\nsSpin1.Value=7\r\n"));
  KindsForm form;
  LoadFormsState(Settings());
  QCOMPARE(form.sSpin1->Value(), qint64(7));
  QCOMPARE(form.sSpin1->Text(), QString("7"));
}

void TestStoreKinds::ListFallsBackToStoredItems() {
  {
    KindsForm saved;
    saved.Fill();
    SaveFormsState(Settings());
  }
  QVERIFY(QFile::remove(files_->folder.filePath("System/Settings/sList1.txt")));
  KindsForm form;
  LoadFormsState(Settings());
  QCOMPARE(form.sList1->Items(), QStringList({"s1", "s2"}));
  // The plain list box has no stored items to fall back on, and keeps its side file's items.
  QCOMPARE(form.List1->Items(), QStringList({"one", "two"}));
}

void TestStoreKinds::HiddenEditRestoredFromHandAddedKey() {
  QVERIFY(WriteBytes(Settings(), "[KindsForm]\r\nHiddenEdit.Text=by hand\r\n"));
  KindsForm form;
  LoadFormsState(Settings());
  QCOMPARE(form.HiddenEdit->Text(), QString("by hand"));
  SaveFormsState(Settings());
  QVERIFY(!ReadBytes(Settings()).contains("HiddenEdit"));
}

void TestStoreKinds::AboutFormUntouchedBySaveButRestored() {
  const QByteArray about = "[AboutForm]\r\nEdit1.Text=about text\r\n";
  QVERIFY(WriteBytes(Settings(), about));
  KindsForm about_form("AboutForm");
  LoadFormsState(Settings());
  QCOMPARE(about_form.Edit1->Text(), QString("about text"));
  // The restore writes the visible picker's time back; the save then leaves the section alone.
  const QByteArray restored = ReadBytes(Settings());
  QVERIFY(restored.startsWith(about));
  about_form.Edit1->SetText("changed");
  SaveFormsState(Settings());
  QCOMPARE(ReadBytes(Settings()), restored);
}

void TestStoreKinds::CheckListSkipsEmptyEntry() {
  QVERIFY(WriteBytes(Settings(),
                     "[KindsForm]\r\nCheckList1.Items=<*a--->[check+check]*><*--->[check-check]*>"
                     "<*b--->[check-check]*><*]]]\r\n"));
  KindsForm form;
  form.CheckList1->AddItem("old");
  LoadFormsState(Settings());
  QCOMPARE(form.CheckList1->Items(), QStringList({"a", "b"}));
  QVERIFY(form.CheckList1->Checked(0));
  QVERIFY(!form.CheckList1->Checked(1));
}

void TestStoreKinds::PickerTimeWrittenBackNormalised() {
  const QString loose = QLocale::system().toString(QTime(1, 2, 3), LongTimeFormat());
  QVERIFY(WriteBytes(Settings(), ("[KindsForm]\r\nPicker1.Time=" + loose + "\r\n").toUtf8()));
  KindsForm form;
  LoadFormsState(Settings());
  QCOMPARE(form.Picker1->Time(), QTime(1, 2, 3));
  QVERIFY(ReadBytes(Settings()).contains(("Picker1.Time=" + Time(1, 2, 3)).toUtf8()));

  QVERIFY(WriteBytes(Settings(), "[KindsForm]\r\nPicker1.Time=quarter past\r\n"));
  try {
    LoadFormsState(Settings());
    QFAIL("a time that does not parse must raise");
  } catch (const std::exception& error) {
    QCOMPARE(QString::fromUtf8(error.what()), QString("'quarter past' is not a valid time"));
  }
  // Controls before the error kept what they took; the edit after it was not reached.
  QCOMPARE(form.Edit1->Text(), QString());
}

void TestStoreKinds::MarkedSideFileKeepsItsMark() {
  QVERIFY(WriteBytes(Settings(), "[KindsForm]\r\nMemo1.File=Memo1\r\n"));
  QVERIFY(WriteBytes(files_->folder.filePath("System/Memo1.txt"), "\xEF\xBB\xBFмарк"));
  KindsForm form;
  LoadFormsState(Settings());
  QCOMPARE(form.Memo1->Text(), QStringLiteral("марк"));
  form.Memo1->SetText(QStringLiteral("марк 2"));
  SaveFormsState(Settings());
  QCOMPARE(ReadBytes(files_->folder.filePath("System/Memo1.txt")),
           QByteArray("\xEF\xBB\xBFмарк 2"));
}

void TestStoreKinds::ListRebuiltInOneBracket() {
  QVERIFY(WriteBytes(Settings(), "[KindsForm]\r\nsList1.Items=<*p*><*q*><*r*><*]]]\r\n"));
  KindsForm form;
  form.sList1->SetItems({"old"});
  int changes = 0;
  form.sList1->OnChange = [&] { ++changes; };
  LoadFormsState(Settings());
  QCOMPARE(form.sList1->Items(), QStringList({"p", "q", "r"}));
  QCOMPARE(changes, 1);
}

void TestStoreKinds::MissingValuesKeepControls() {
  QVERIFY(WriteBytes(Settings(),
                     "[KindsForm]\r\nSpin1.Value=12abc\r\nAdv1.FloatValue=x\r\n"
                     "Group1.ItemIndex=\r\nCheck1.Checked=yes\r\n"));
  KindsForm form;
  form.Fill();
  form.sSpin1->SetValue(0x100000005LL);
  LoadFormsState(Settings());
  QCOMPARE(form.Spin1->Value(), 42);
  QCOMPARE(form.Adv1->FloatValue(), 2.5);
  QCOMPARE(form.Group1->ItemIndex(), 2);
  QVERIFY(form.Check1->Checked());
  // No stored value: the 64-bit value is not cut to its low 32 bits.
  QCOMPARE(form.sSpin1->Value(), 0x100000005LL);
  QCOMPARE(form.Combo1->Items(), QStringList({"12", "5"}));
}

// Without settings.dat the side files under the controls' own names still hold their contents;
// reading them writes no settings file.
void TestStoreKinds::SideFilesFoundByOwnNameWithoutSettings() {
  QVERIFY(WriteBytes(files_->folder.filePath("System/Memo1.txt"), "by name"));
  QVERIFY(WriteBytes(files_->folder.filePath("System/Settings/List1.txt"), "p\r\nq\r\n"));
  KindsForm form;
  form.sList1->SetItems({"kept"});
  LoadFormsState(Settings());
  QCOMPARE(form.Memo1->Text(), QString("by name"));
  QCOMPARE(form.List1->Items(), QStringList({"p", "q"}));
  QCOMPARE(form.sList1->Items(), QStringList{"kept"});
  QCOMPARE(files_->recorder.Events(), QStringList());
  QVERIFY(!QFileInfo::exists(Settings()));
}

// A restore that stops at a value it cannot read leaves that control and every later one
// unrestored; the next save writes the controls restored before the error and keeps the stored
// lines and side files of the others byte for byte.
void TestStoreKinds::FailedRestoreKeepsWhatItDidNotReach() {
  const QByteArray kept_lines =
      "Picker1.Time=quarter past\r\n"
      " Edit1.Text = 'quoted' \r\n"
      "List1.File=List1\r\n";
  QVERIFY(WriteBytes(
      Settings(), "[KindsForm]\r\nMemo1.File=Memo1\r\nDateEdit1.Text=01.02.2026\r\n" + kept_lines));
  QVERIFY(WriteBytes(files_->folder.filePath("System/Memo1.txt"), "old memo"));
  QVERIFY(WriteBytes(files_->folder.filePath("System/Settings/List1.txt"), "a\r\nb\r\n"));
  KindsForm form;
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, LoadFormsState(Settings()));
  QCOMPARE(form.DateEdit1->Text(), QString("01.02.2026"));

  form.Memo1->SetText("new memo");
  form.DateEdit1->SetText("02.03.2027");
  form.Edit1->SetText("typed");
  form.List1->SetItems({"z"});
  SaveFormsState(Settings());
  QCOMPARE(ReadBytes(Settings()),
           "[KindsForm]\r\n" + kept_lines + "Memo1.File=Memo1\r\nDateEdit1.Text=02.03.2027\r\n");
  QCOMPARE(ReadBytes(files_->folder.filePath("System/Memo1.txt")), QByteArray("new memo"));
  QCOMPARE(ReadBytes(files_->folder.filePath("System/Settings/List1.txt")),
           QByteArray("a\r\nb\r\n"));

  // A restore that runs through makes every control count again.
  QVERIFY(WriteBytes(Settings(), "[KindsForm]\r\nEdit1.Text=restored\r\n"));
  LoadFormsState(Settings());
  form.List1->SetItems({"z"});
  SaveFormsState(Settings());
  const QByteArray saved = ReadBytes(Settings());
  QVERIFY2(saved.contains("\r\nEdit1.Text=restored\r\n"), saved.constData());
  QVERIFY2(saved.contains("\r\nCheckList1.Items="), saved.constData());
  QCOMPARE(ReadBytes(files_->folder.filePath("System/Settings/List1.txt")), QByteArray("z\r\n"));
}

// A save after a stopped restore keeps a control's stored keys by the suffixes the table's rows
// declare: every key a row writes must be among the declared suffixes of a row the control runs.
void TestStoreKinds::SavedKeysAreDeclaredByTheirRows() {
  KindsForm form;
  form.Fill();
  SaveFormsState(Settings());
  const QStringList lines =
      QString::fromUtf8(ReadBytes(Settings())).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  QVERIFY(lines.size() > 1);
  for (const QString& line : lines.mid(1)) {
    const QString key = line.left(line.indexOf(u'='));
    const qsizetype dot = key.indexOf(u'.');
    QVERIFY2(dot > 0, qPrintable(line));
    const QString name = key.left(dot);
    const QString suffix = key.mid(dot);
    const QObject* control = nullptr;
    for (int i = 0; i < form.ComponentCount(); ++i) {
      if (form.Component(i).Name == name)
        control = form.Component(i).Object;
    }
    QVERIFY2(control, qPrintable(line));
    bool declared = false;
    for (const StoreRow& row : StoreTable()) {
      if (!row.is(control))
        continue;
      for (const char* row_suffix : row.keys)
        declared = declared || suffix == QLatin1String(row_suffix);
    }
    QVERIFY2(declared, qPrintable(line));
  }
}

// What the store remembers about a control lasts as long as the control: a control destroyed
// after a stopped restore leaves nothing behind for an object that takes its place.
void TestStoreKinds::ControlStateGoesWithTheControl() {
  TControlStates& states = TControlStates::Instance();
  auto control = std::make_unique<QObject>();
  const QObject* address = control.get();
  QVERIFY(!states.IsNotRestored(address));
  states.MarkNotRestored(control.get());
  states.RememberEncoding(control.get(), {base::TextEncoding::kUtf16Le, true, false});
  QVERIFY(states.IsNotRestored(address));
  QCOMPARE(states.RememberedEncoding(address),
           (SideFileEncoding{base::TextEncoding::kUtf16Le, true, false}));
  states.MarkRestored(address);
  QVERIFY(!states.IsNotRestored(address));
  states.MarkNotRestored(control.get());

  control.reset();
  QVERIFY(!states.IsNotRestored(address));
  QCOMPARE(states.RememberedEncoding(address), SideFileEncoding{});
}

TARVELON_TEST_MAIN_WITH_OUR_APP(TestStoreKinds)

#include "test_store_kinds.moc"
