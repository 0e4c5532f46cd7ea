#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "recording_services.h"
#include "ui/controls.h"
#include "ui/kinds/check_radio.h"
#include "ui/kinds/combo_box.h"
#include "ui/kinds/date_time.h"
#include "ui/kinds/line_edit.h"
#include "ui/kinds/list_box.h"
#include "ui/kinds/memo.h"
#include "ui/kinds/panel.h"
#include "ui/kinds/spin_edit.h"

namespace {

// Every control kind the form-state store tests for, with a way to make one and to test an
// object for it.
struct Kind {
  QString name;
  std::function<QObject*()> make;
  std::function<bool(QObject*)> is;
};

template <typename T>
Kind KindOf(const char* name) {
  return {QString::fromLatin1(name), [] { return new T; },
          [](QObject* object) { return dynamic_cast<T*>(object) != nullptr; }};
}

const std::vector<Kind>& StoredKinds() {
  static const std::vector<Kind> kinds = {
      KindOf<ui::TMemo>("TMemo"),
      KindOf<ui::TsMemo>("TsMemo"),
      KindOf<ui::TsDateEdit>("TsDateEdit"),
      KindOf<ui::TDateTimePicker>("TDateTimePicker"),
      KindOf<ui::TEdit>("TEdit"),
      KindOf<ui::TsEdit>("TsEdit"),
      KindOf<ui::TsCurrencyEdit>("TsCurrencyEdit"),
      KindOf<ui::TLabeledEdit>("TLabeledEdit"),
      KindOf<ui::TComboBox>("TComboBox"),
      KindOf<ui::TsComboBox>("TsComboBox"),
      KindOf<ui::TCheckBox>("TCheckBox"),
      KindOf<ui::TsCheckBox>("TsCheckBox"),
      KindOf<ui::TRadioButton>("TRadioButton"),
      KindOf<ui::TsRadioButton>("TsRadioButton"),
      KindOf<ui::TRadioGroup>("TRadioGroup"),
      KindOf<ui::TSpinEdit>("TSpinEdit"),
      KindOf<ui::TsSpinEdit>("TsSpinEdit"),
      KindOf<ui::TPanel>("TPanel"),
      KindOf<ui::TAdvSpinEdit>("TAdvSpinEdit"),
      KindOf<ui::TListBox>("TListBox"),
      KindOf<ui::TsListBox>("TsListBox"),
      KindOf<ui::TCheckListBox>("TCheckListBox"),
  };
  return kinds;
}

// Classes the store must never take for any kind.
const std::vector<Kind>& OtherClasses() {
  static const std::vector<Kind> others = {
      KindOf<ui::TRichEdit>("TRichEdit"), KindOf<ui::TGroupBox>("TGroupBox"),
      KindOf<ui::TLabel>("TLabel"),       KindOf<ui::TButton>("TButton"),
      KindOf<ui::TBitBtn>("TBitBtn"),     KindOf<ui::TTimer>("TTimer"),
  };
  return others;
}

const Kind& ClassNamed(const QString& name) {
  for (const auto* list : {&StoredKinds(), &OtherClasses()}) {
    for (const Kind& kind : *list) {
      if (kind.name == name)
        return kind;
    }
  }
  throw std::invalid_argument("no class " + name.toStdString());
}

// One restorable property of one kind: a control in its starting state, a hook that counts the
// kind's change notifications, a setter call giving a value different from the start, and a
// check that the control holds that value.
struct SetterCase {
  std::function<QWidget*()> make;
  std::function<void(QWidget*, int*)> hook;
  std::function<void(QWidget*)> set;
  std::function<bool(QWidget*)> holds;
};

template <typename T>
std::function<void(QWidget*, int*)> HookOnChange() {
  return [](QWidget* widget, int* count) {
    static_cast<T*>(widget)->OnChange = [count] { ++*count; };
  };
}

template <typename T>
std::function<void(QWidget*, int*)> HookOnClick() {
  return
      [](QWidget* widget, int* count) { static_cast<T*>(widget)->OnClick = [count] { ++*count; }; };
}

template <typename T>
std::function<QWidget*()> Make() {
  return [] { return new T; };
}

template <typename T>
SetterCase TextCase(const QString& text) {
  return {Make<T>(), HookOnChange<T>(), [text](QWidget* w) { static_cast<T*>(w)->SetText(text); },
          [text](QWidget* w) { return static_cast<T*>(w)->Text() == text; }};
}

template <typename T>
SetterCase ItemsCase() {
  const QStringList items{"12", "5"};
  return {Make<T>(), HookOnChange<T>(),
          [items](QWidget* w) { static_cast<T*>(w)->SetItems(items); },
          [items](QWidget* w) { return static_cast<T*>(w)->Items() == items; }};
}

template <typename T>
SetterCase CheckedCase(bool start, bool wanted) {
  return {[start] {
            auto* control = new T;
            control->SetChecked(start);
            return control;
          },
          HookOnClick<T>(), [wanted](QWidget* w) { static_cast<T*>(w)->SetChecked(wanted); },
          [wanted](QWidget* w) { return static_cast<T*>(w)->Checked() == wanted; }};
}

ui::TRadioGroup* MakeRadioGroup(int selected) {
  auto* group = new ui::TRadioGroup;
  group->SetItems({"a", "b", "c"});
  group->SetItemIndex(selected);
  return group;
}

SetterCase RadioGroupCase(int start, int wanted) {
  return {[start] { return MakeRadioGroup(start); }, HookOnClick<ui::TRadioGroup>(),
          [wanted](QWidget* w) { static_cast<ui::TRadioGroup*>(w)->SetItemIndex(wanted); },
          [wanted](QWidget* w) { return static_cast<ui::TRadioGroup*>(w)->ItemIndex() == wanted; }};
}

SetterCase PanelCase(qint32 color) {
  return {Make<ui::TPanel>(), HookOnChange<ui::TPanel>(),
          [color](QWidget* w) { static_cast<ui::TPanel*>(w)->SetColor(color); },
          [color](QWidget* w) { return static_cast<ui::TPanel*>(w)->Color() == color; }};
}

const std::vector<std::pair<const char*, SetterCase>>& SetterCases() {
  using ui::TsSpinEdit;
  static const std::vector<std::pair<const char*, SetterCase>> cases = {
      {"TMemo Text", TextCase<ui::TMemo>("a\r\nb")},
      {"TsMemo Text", TextCase<ui::TsMemo>("a\r\nb")},
      {"TEdit Text", TextCase<ui::TEdit>("abc")},
      {"TsEdit Text", TextCase<ui::TsEdit>("abc")},
      {"TsSpinEdit Text", TextCase<TsSpinEdit>("77")},
      {"TsDateEdit Text", TextCase<ui::TsDateEdit>("01.02.2024")},
      {"TsCurrencyEdit Text", TextCase<ui::TsCurrencyEdit>("12.50")},
      {"TLabeledEdit Text", TextCase<ui::TLabeledEdit>("abc")},
      {"TComboBox Text", TextCase<ui::TComboBox>("abc")},
      {"TsComboBox Text", TextCase<ui::TsComboBox>("abc")},
      {"TComboBox Items", ItemsCase<ui::TComboBox>()},
      {"TsComboBox Items", ItemsCase<ui::TsComboBox>()},
      {"TListBox Items", ItemsCase<ui::TListBox>()},
      {"TsListBox Items", ItemsCase<ui::TsListBox>()},
      {"TCheckBox Checked", CheckedCase<ui::TCheckBox>(false, true)},
      {"TsCheckBox Checked", CheckedCase<ui::TsCheckBox>(false, true)},
      {"TsCheckBox cleared", CheckedCase<ui::TsCheckBox>(true, false)},
      {"TRadioButton Checked", CheckedCase<ui::TRadioButton>(false, true)},
      {"TRadioButton cleared", CheckedCase<ui::TRadioButton>(true, false)},
      {"TsRadioButton Checked", CheckedCase<ui::TsRadioButton>(false, true)},
      {"TRadioGroup ItemIndex", RadioGroupCase(-1, 1)},
      {"TRadioGroup ItemIndex to none", RadioGroupCase(2, -1)},
      {"TSpinEdit Value",
       {Make<ui::TSpinEdit>(), HookOnChange<ui::TSpinEdit>(),
        [](QWidget* w) { static_cast<ui::TSpinEdit*>(w)->SetValue(60); },
        [](QWidget* w) { return static_cast<ui::TSpinEdit*>(w)->Value() == 60; }}},
      {"TsSpinEdit Value",
       {Make<TsSpinEdit>(), HookOnChange<TsSpinEdit>(),
        [](QWidget* w) { static_cast<TsSpinEdit*>(w)->SetValue(5'000'000'000LL); },
        [](QWidget* w) { return static_cast<TsSpinEdit*>(w)->Value() == 5'000'000'000LL; }}},
      {"TPanel Color", PanelCase(0x0000FF)},
      {"TPanel system Color", PanelCase(static_cast<qint32>(0x80000005u))},
      {"TAdvSpinEdit FloatValue",
       {Make<ui::TAdvSpinEdit>(), HookOnChange<ui::TAdvSpinEdit>(),
        [](QWidget* w) { static_cast<ui::TAdvSpinEdit*>(w)->SetFloatValue(2.5); },
        [](QWidget* w) { return static_cast<ui::TAdvSpinEdit*>(w)->FloatValue() == 2.5; }}},
      {"TCheckListBox mark",
       {[] {
          auto* list = new ui::TCheckListBox;
          list->AddItem("a");
          return list;
        },
        HookOnChange<ui::TCheckListBox>(),
        [](QWidget* w) { static_cast<ui::TCheckListBox*>(w)->SetChecked(0, true); },
        [](QWidget* w) { return static_cast<ui::TCheckListBox*>(w)->Checked(0); }}},
      {"TDateTimePicker Time",
       {[] {
          auto* picker = new ui::TDateTimePicker;
          picker->SetTime(QTime(1, 2, 3));
          return picker;
        },
        HookOnChange<ui::TDateTimePicker>(),
        [](QWidget* w) { static_cast<ui::TDateTimePicker*>(w)->SetTime(QTime(13, 14, 15)); },
        [](QWidget* w) {
          return static_cast<ui::TDateTimePicker*>(w)->Time() == QTime(13, 14, 15);
        }}},
  };
  return cases;
}

}  // namespace

class TestKinds : public QObject {
  Q_OBJECT

 private slots:
  void KindsOfEachClass_data();
  void KindsOfEachClass();
  void SetterNotifiesOnlyOnChange_data();
  void SetterNotifiesOnlyOnChange();
  void HandlerErrorIsReportedAndValueStays();

  void SpinEditValueIsItsText_data();
  void SpinEditValueIsItsText();
  void SpinEditKeepsSpellingOfEqualValue();
  void SpinEditTypingRule_data();
  void SpinEditTypingRule();

  void DateEditShowsBlanksAndRoundTrips_data();
  void DateEditShowsBlanksAndRoundTrips();
  void CurrencyEditFiltersTypingOnly();

  void ComboItemEditsKeepText_data();
  void ComboItemEditsKeepText();
  void ComboUserEnterAddsNoItem();

  void CheckListMarks();
  void CheckListUserClickNotifies();
  void CheckListIndexOutOfRangeThrows();

  void RadioGroupIndex_data();
  void RadioGroupIndex();
  void RadioGroupClickSelects();
  void RadioGroupShorterItemsDropSelection();
  void RadioButtonsCanAllBeCleared();

  void ListBoxRebuildInOneBracket();
  void ListBoxNestedBracketsNotifyOnce();
  void ListBoxBracketWithoutChangeIsQuiet();
  void ListBoxUnmatchedEndUpdateIgnored();

  void PanelDrawsBlueGreenRed_data();
  void PanelDrawsBlueGreenRed();
  void PanelSystemColourKeepsValue();

  void AdvSpinEditKeepsExactValue();
  void AdvSpinEditStepsAndTyping();

  void DateTimePickerWholeSecondsKeepsDate();
};

// Every class against every kind: exactly the listed kinds match, so both the derivations the
// store relies on and the absence of all others are checked.
void TestKinds::KindsOfEachClass_data() {
  QTest::addColumn<QString>("cls");
  QTest::addColumn<QStringList>("kinds");
  auto row = [](const char* cls, QStringList kinds) { QTest::newRow(cls) << cls << kinds; };
  row("TMemo", {"TMemo"});
  row("TsMemo", {"TMemo", "TsMemo"});
  row("TsDateEdit", {"TsDateEdit"});
  row("TDateTimePicker", {"TDateTimePicker"});
  row("TEdit", {"TEdit"});
  row("TsEdit", {"TEdit", "TsEdit"});
  row("TsCurrencyEdit", {"TsCurrencyEdit"});
  row("TLabeledEdit", {"TLabeledEdit"});
  row("TComboBox", {"TComboBox"});
  row("TsComboBox", {"TsComboBox"});
  row("TCheckBox", {"TCheckBox"});
  row("TsCheckBox", {"TsCheckBox"});
  row("TRadioButton", {"TRadioButton"});
  row("TsRadioButton", {"TRadioButton", "TsRadioButton"});
  row("TRadioGroup", {"TRadioGroup"});
  row("TSpinEdit", {"TSpinEdit"});
  row("TsSpinEdit", {"TEdit", "TsEdit", "TsSpinEdit"});
  row("TPanel", {"TPanel"});
  row("TAdvSpinEdit", {"TAdvSpinEdit"});
  row("TListBox", {"TListBox"});
  row("TsListBox", {"TListBox", "TsListBox"});
  row("TCheckListBox", {"TCheckListBox"});
  row("TRichEdit", {});
  row("TGroupBox", {});
  row("TLabel", {});
  row("TButton", {});
  row("TBitBtn", {});
  row("TTimer", {});
}

void TestKinds::KindsOfEachClass() {
  QFETCH(QString, cls);
  QFETCH(QStringList, kinds);
  std::unique_ptr<QObject> object(ClassNamed(cls).make());
  QStringList matched;
  for (const Kind& kind : StoredKinds()) {
    if (kind.is(object.get()))
      matched.append(kind.name);
  }
  QCOMPARE(matched, kinds);
}

void TestKinds::SetterNotifiesOnlyOnChange_data() {
  QTest::addColumn<int>("index");
  for (int i = 0; i < static_cast<int>(SetterCases().size()); ++i)
    QTest::newRow(SetterCases()[i].first) << i;
}

void TestKinds::SetterNotifiesOnlyOnChange() {
  QFETCH(int, index);
  const SetterCase& setter = SetterCases()[index].second;
  std::unique_ptr<QWidget> control(setter.make());
  int notifications = 0;
  setter.hook(control.get(), &notifications);
  QVERIFY(!setter.holds(control.get()));

  setter.set(control.get());
  QVERIFY(setter.holds(control.get()));
  QCOMPARE(notifications, 1);

  setter.set(control.get());
  QVERIFY(setter.holds(control.get()));
  QCOMPARE(notifications, 1);
}

void TestKinds::HandlerErrorIsReportedAndValueStays() {
  ui::RecordingServices recorder;
  ui::TEdit edit;
  edit.OnChange = [] { throw std::runtime_error("Ошибка"); };
  edit.SetText("x");
  QCOMPARE(edit.Text(), QString("x"));
  QCOMPARE(recorder.Events(), QStringList{QStringLiteral("error: Ошибка.")});
}

void TestKinds::SpinEditTypingRule_data() {
  QTest::addColumn<QString>("typed_first");  // typed into "300" before the key under test
  QTest::addColumn<int>("key");
  QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
  QTest::addColumn<QString>("key_text");  // the text the key event carries
  QTest::addColumn<QString>("text");      // the box's text afterwards
  QTest::addColumn<int>("beeps");

  const Qt::KeyboardModifiers none = Qt::NoModifier;
  QTest::newRow("letter refused") << "" << int(Qt::Key_Z) << none << "z"
                                  << "300" << 1;
  QTest::newRow("Alt+letter refused")
      << "" << int(Qt::Key_Z) << Qt::KeyboardModifiers(Qt::AltModifier) << "z"
      << "300" << 1;
  QTest::newRow("Alt+Shift+letter refused")
      << "" << int(Qt::Key_Z) << (Qt::AltModifier | Qt::ShiftModifier) << "Z"
      << "300" << 1;
  QTest::newRow("Ctrl+Alt+letter refused")
      << "" << int(Qt::Key_Q) << (Qt::ControlModifier | Qt::AltModifier) << "@"
      << "300" << 1;
  QTest::newRow("digit typed") << "" << int(Qt::Key_7) << none << "7"
                               << "3007" << 0;
  QTest::newRow("minus typed") << "" << int(Qt::Key_Minus) << none << "-"
                               << "300-" << 0;
  QTest::newRow("Ctrl+Z undoes, its letter typed nowhere")
      << "5" << int(Qt::Key_Z) << Qt::KeyboardModifiers(Qt::ControlModifier) << "z"
      << "300" << 0;
  QTest::newRow("Ctrl+Shift+Z types nothing")
      << "" << int(Qt::Key_Z) << (Qt::ControlModifier | Qt::ShiftModifier) << "Z"
      << "300" << 0;
  QTest::newRow("Ctrl+Backspace deletes the word")
      << "" << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::ControlModifier) << "\b"
      << "" << 0;
  QTest::newRow("Alt+Left makes no character")
      << "" << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::AltModifier) << ""
      << "300" << 0;
}

// Digits, the signs, the decimal separator and control characters edit; any other character is
// refused with the beep and nothing is inserted, whatever modifier key is held. Shortcuts that
// make no character keep working.
void TestKinds::SpinEditTypingRule() {
  QFETCH(QString, typed_first);
  QFETCH(int, key);
  QFETCH(Qt::KeyboardModifiers, modifiers);
  QFETCH(QString, key_text);
  QFETCH(QString, text);
  QFETCH(int, beeps);

  ui::RecordingServices recorder;
  ui::TSpinEdit spin;
  spin.SetMinValue(50);
  spin.SetMaxValue(5000);
  spin.SetText("300");
  spin.end(false);
  QTest::keyClicks(&spin, typed_first);
  QKeyEvent press(QEvent::KeyPress, key, modifiers, key_text.replace("\\b", "\b"));
  QCoreApplication::sendEvent(&spin, &press);
  QCOMPARE(spin.Text(), text);
  QCOMPARE(recorder.Events(), QStringList(beeps, QStringLiteral("beep")));
}

void TestKinds::SpinEditValueIsItsText_data() {
  QTest::addColumn<qint64>("value");
  QTest::addColumn<QString>("text");
  QTest::newRow("zero") << qint64{0} << "0";
  QTest::newRow("beyond 32 bits") << qint64{1} * (qint64{1} << 40) << "1099511627776";
  QTest::newRow("negative beyond 32 bits") << -qint64{5'000'000'000} << "-5000000000";
  QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "9223372036854775807";
  QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "-9223372036854775808";
}

void TestKinds::SpinEditValueIsItsText() {
  QFETCH(qint64, value);
  QFETCH(QString, text);
  ui::TsSpinEdit from_value;
  from_value.SetText("1");
  from_value.SetValue(value);
  QCOMPARE(from_value.Text(), text);
  QCOMPARE(from_value.Value(), value);

  ui::TsSpinEdit from_text;
  from_text.SetText(text);
  QCOMPARE(from_text.Value(), value);
}

// An equal value leaves a differently spelt text alone; text holding no integer reports 0.
void TestKinds::SpinEditKeepsSpellingOfEqualValue() {
  ui::TsSpinEdit spin;
  int notifications = 0;
  spin.OnChange = [&] { ++notifications; };
  spin.SetText(" +05 ");
  QCOMPARE(spin.Value(), qint64{5});
  spin.SetValue(5);
  QCOMPARE(spin.Text(), QString(" +05 "));

  spin.SetText("abc");
  QCOMPARE(spin.Value(), qint64{0});
  spin.SetText("99999999999999999999");
  QCOMPARE(spin.Value(), qint64{0});
  QCOMPARE(notifications, 3);
  spin.SetValue(-1);
  QCOMPARE(spin.Text(), QString("-1"));
  QCOMPARE(notifications, 4);
}

void TestKinds::DateEditShowsBlanksAndRoundTrips_data() {
  QTest::addColumn<QString>("set");
  QTest::addColumn<QString>("shown");
  QTest::newRow("full date") << "01.02.2024"
                             << "01.02.2024";
  QTest::newRow("empty") << ""
                         << "__.__.____";
  QTest::newRow("digits only") << "0102"
                               << "01.02.____";
  QTest::newRow("partly typed") << "1_.02.2024"
                                << "1_.02.2024";
  QTest::newRow("letters dropped") << "ab"
                                   << "__.__.____";
}

// The text read is the text shown, and setting it back changes nothing.
void TestKinds::DateEditShowsBlanksAndRoundTrips() {
  QFETCH(QString, set);
  QFETCH(QString, shown);
  ui::TsDateEdit date;
  date.SetText("31.12.1999");
  int notifications = 0;
  date.OnChange = [&] { ++notifications; };
  date.SetText(set);
  QCOMPARE(date.Text(), shown);
  const int after_set = notifications;
  date.SetText(date.Text());
  QCOMPARE(date.Text(), shown);
  QCOMPARE(notifications, after_set);
}

// The user's keys are limited to an amount; a text the program sets (a stored one) is kept whole.
void TestKinds::CurrencyEditFiltersTypingOnly() {
  ui::TsCurrencyEdit amount;
  QTest::keyClicks(&amount, "-1a2.5x0");
  QCOMPARE(amount.Text(), QString("-12.50"));
  amount.SetText("12 EUR");
  QCOMPARE(amount.Text(), QString("12 EUR"));
}

void TestKinds::ComboItemEditsKeepText_data() {
  QTest::addColumn<bool>("skinned");
  QTest::newRow("TComboBox") << false;
  QTest::newRow("TsComboBox") << true;
}

// Adding the first item, replacing and clearing the items leave the text as it was; setting a
// text that names an item selects it. One notification per call.
void TestKinds::ComboItemEditsKeepText() {
  QFETCH(bool, skinned);
  std::unique_ptr<ui::EditableComboBox> combo(
      skinned ? static_cast<ui::EditableComboBox*>(new ui::TsComboBox) : new ui::TComboBox);
  int notifications = 0;
  combo->OnChange = [&] { ++notifications; };
  combo->SetText("typed");
  QCOMPARE(notifications, 1);

  QCOMPARE(combo->AddItem("first"), 0);
  QCOMPARE(combo->AddItem("second"), 1);
  QCOMPARE(combo->Text(), QString("typed"));
  QCOMPARE(notifications, 3);

  combo->SetItems({"x", "y", "z"});
  QCOMPARE(combo->Items(), QStringList({"x", "y", "z"}));
  QCOMPARE(combo->Text(), QString("typed"));
  QCOMPARE(notifications, 4);

  combo->SetText("y");
  QCOMPARE(combo->currentIndex(), 1);
  QCOMPARE(notifications, 5);

  combo->ClearItems();
  QCOMPARE(combo->Items(), QStringList());
  QCOMPARE(combo->Text(), QString("y"));
  QCOMPARE(notifications, 6);
  combo->ClearItems();
  QCOMPARE(notifications, 6);
}

void TestKinds::ComboUserEnterAddsNoItem() {
  ui::TComboBox combo;
  int notifications = 0;
  combo.OnChange = [&] { ++notifications; };
  QTest::keyClicks(combo.lineEdit(), "ab");
  QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
  QCOMPARE(combo.Text(), QString("ab"));
  QCOMPARE(combo.Items(), QStringList());
  QCOMPARE(notifications, 2);
}

void TestKinds::CheckListMarks() {
  ui::TCheckListBox list;
  int notifications = 0;
  list.OnChange = [&] { ++notifications; };
  QCOMPARE(list.AddItem("a"), 0);
  QCOMPARE(list.AddItem("b"), 1);
  QCOMPARE(list.AddItem("a"), 2);
  QCOMPARE(notifications, 3);
  QCOMPARE(list.Items(), QStringList({"a", "b", "a"}));

  list.SetChecked(2, true);
  QVERIFY(!list.Checked(0));
  QVERIFY(!list.Checked(1));
  QVERIFY(list.Checked(2));
  list.SetChecked(0, false);
  QCOMPARE(notifications, 4);

  list.ClearItems();
  QCOMPARE(list.Items(), QStringList());
  QCOMPARE(notifications, 5);
  list.ClearItems();
  QCOMPARE(notifications, 5);

  // A new item starts without a mark, whatever an earlier item of that text had.
  QCOMPARE(list.AddItem("a"), 0);
  QVERIFY(!list.Checked(0));
}

void TestKinds::CheckListUserClickNotifies() {
  ui::TCheckListBox list;
  list.AddItem("a");
  int notifications = 0;
  list.OnChange = [&] { ++notifications; };
  list.item(0)->setCheckState(Qt::Checked);  // what a click on the mark does
  QVERIFY(list.Checked(0));
  QCOMPARE(notifications, 1);
}

void TestKinds::CheckListIndexOutOfRangeThrows() {
  ui::TCheckListBox list;
  list.AddItem("a");
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.Checked(1));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.SetChecked(-1, true));
  QVERIFY(!list.Checked(0));
}

void TestKinds::RadioGroupIndex_data() {
  QTest::addColumn<int>("set");
  QTest::addColumn<int>("index");
  QTest::newRow("first") << 0 << 0;
  QTest::newRow("last") << 2 << 2;
  QTest::newRow("past the end is the last") << 3 << 2;
  QTest::newRow("none") << -1 << -1;
  QTest::newRow("below none is none") << -5 << -1;
}

void TestKinds::RadioGroupIndex() {
  QFETCH(int, set);
  QFETCH(int, index);
  for (int start : {-1, 1}) {
    std::unique_ptr<ui::TRadioGroup> group(MakeRadioGroup(start));
    int notifications = 0;
    group->OnClick = [&] { ++notifications; };
    group->SetItemIndex(set);
    QCOMPARE(group->ItemIndex(), index);
    QCOMPARE(notifications, index == start ? 0 : 1);
    const QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>();
    QCOMPARE(buttons.size(), 3);
    for (int i = 0; i < buttons.size(); ++i)
      QCOMPARE(buttons[i]->isChecked(), i == index);
  }
}

void TestKinds::RadioGroupClickSelects() {
  std::unique_ptr<ui::TRadioGroup> group(MakeRadioGroup(0));
  int notifications = 0;
  group->OnClick = [&] { ++notifications; };
  group->findChildren<QRadioButton*>().at(2)->click();
  QCOMPARE(group->ItemIndex(), 2);
  QCOMPARE(notifications, 1);
}

void TestKinds::RadioGroupShorterItemsDropSelection() {
  std::unique_ptr<ui::TRadioGroup> group(MakeRadioGroup(2));
  int notifications = 0;
  group->OnClick = [&] { ++notifications; };
  group->SetItems({"a", "b", "c", "d"});
  QCOMPARE(group->ItemIndex(), 2);
  QCOMPARE(notifications, 0);
  group->SetItems({"a", "b"});
  QCOMPARE(group->ItemIndex(), -1);
  QCOMPARE(group->findChildren<QRadioButton*>().size(), 2);
  QCOMPARE(notifications, 1);
}

// Sibling radio buttons stay exclusive, and the program can still clear the checked one.
void TestKinds::RadioButtonsCanAllBeCleared() {
  QWidget parent;
  auto* first = new ui::TRadioButton(&parent);
  auto* second = new ui::TsRadioButton(&parent);
  int first_clicks = 0;
  first->OnClick = [&] { ++first_clicks; };
  first->SetChecked(true);
  second->SetChecked(true);
  QVERIFY(!first->Checked());
  QCOMPARE(first_clicks, 2);
  second->SetChecked(false);
  QVERIFY(!first->Checked());
  QVERIFY(!second->Checked());
  QVERIFY(second->autoExclusive());
}

void TestKinds::ListBoxRebuildInOneBracket() {
  ui::TsListBox list;
  list.SetItems({"old"});
  int notifications = 0;
  list.OnChange = [&] { ++notifications; };
  list.BeginUpdate();
  QVERIFY(!list.updatesEnabled());
  QVERIFY(!list.viewport()->updatesEnabled());
  list.ClearItems();
  QCOMPARE(list.AddItem("a"), 0);
  QCOMPARE(list.AddItem("b"), 1);
  QCOMPARE(notifications, 0);
  QCOMPARE(list.UpdateDepth(), 1);
  list.EndUpdate();
  QCOMPARE(notifications, 1);
  QCOMPARE(list.UpdateDepth(), 0);
  QVERIFY(list.updatesEnabled());
  QCOMPARE(list.Items(), QStringList({"a", "b"}));

  // Outside a bracket every edit notifies.
  list.AddItem("c");
  list.ClearItems();
  QCOMPARE(notifications, 3);
}

void TestKinds::ListBoxNestedBracketsNotifyOnce() {
  ui::TListBox list;
  int notifications = 0;
  list.OnChange = [&] { ++notifications; };
  list.BeginUpdate();
  list.SetItems({"a", "b"});  // brackets itself inside
  list.BeginUpdate();
  list.AddItem("c");
  list.EndUpdate();
  QCOMPARE(notifications, 0);
  QVERIFY(!list.updatesEnabled());
  list.EndUpdate();
  QCOMPARE(notifications, 1);
  QVERIFY(list.updatesEnabled());
}

void TestKinds::ListBoxBracketWithoutChangeIsQuiet() {
  ui::TListBox list;
  list.SetItems({"a"});
  int notifications = 0;
  list.OnChange = [&] { ++notifications; };
  list.BeginUpdate();
  list.SetItems({"a"});
  list.EndUpdate();
  QCOMPARE(notifications, 0);
  // A box whose repaints were already off stays so after the bracket.
  list.setUpdatesEnabled(false);
  list.BeginUpdate();
  list.EndUpdate();
  QVERIFY(!list.updatesEnabled());
}

void TestKinds::ListBoxUnmatchedEndUpdateIgnored() {
  ui::TListBox list;
  int notifications = 0;
  list.OnChange = [&] { ++notifications; };
  list.EndUpdate();
  QCOMPARE(list.UpdateDepth(), 0);
  list.AddItem("a");
  QCOMPARE(notifications, 1);
}

void TestKinds::PanelDrawsBlueGreenRed_data() {
  QTest::addColumn<qint32>("color");
  QTest::addColumn<QColor>("drawn");
  QTest::newRow("red") << qint32{0x0000FF} << QColor(255, 0, 0);
  QTest::newRow("green") << qint32{0x00FF00} << QColor(0, 255, 0);
  QTest::newRow("blue") << qint32{0xFF0000} << QColor(0, 0, 255);
  QTest::newRow("mixed") << qint32{0x123456} << QColor(0x56, 0x34, 0x12);
}

void TestKinds::PanelDrawsBlueGreenRed() {
  QFETCH(qint32, color);
  QFETCH(QColor, drawn);
  ui::TPanel panel;
  panel.SetColor(color);
  QCOMPARE(panel.Color(), color);
  QCOMPARE(panel.palette().color(panel.backgroundRole()), drawn);
}

void TestKinds::PanelSystemColourKeepsValue() {
  ui::TPanel panel;
  QCOMPARE(panel.Color(), ui::TPanel::kButtonFace);
  QVERIFY(panel.Color() < 0);
  QCOMPARE(panel.palette().color(panel.backgroundRole()),
           QApplication::palette().color(QPalette::Button));
  const qint32 window_background = static_cast<qint32>(0x80000005u);
  panel.SetColor(window_background);
  QCOMPARE(panel.Color(), window_background);
  QCOMPARE(panel.palette().color(panel.backgroundRole()),
           QApplication::palette().color(QPalette::Base));
}

void TestKinds::AdvSpinEditKeepsExactValue() {
  ui::TAdvSpinEdit spin;
  const double third = 1.0 / 3.0;
  spin.SetFloatValue(third);
  // Exact, not rounded to the digits shown (QCOMPARE of doubles would forgive that).
  QVERIFY(spin.FloatValue() == third);
  QCOMPARE(spin.text(), QString("0.333333333333333"));
  spin.SetFloatValue(1.5e20);
  QCOMPARE(spin.FloatValue(), 1.5e20);
  QCOMPARE(spin.text(), QString("1.5e+20"));
}

void TestKinds::AdvSpinEditStepsAndTyping() {
  ui::TAdvSpinEdit spin;
  spin.SetFloatValue(2.25);
  int notifications = 0;
  spin.OnChange = [&] { ++notifications; };
  spin.stepBy(2);
  QCOMPARE(spin.FloatValue(), 4.25);
  QCOMPARE(notifications, 1);

  spin.selectAll();
  QTest::keyClicks(&spin, "-7.5");
  QCOMPARE(spin.FloatValue(), -7.5);
  QCOMPARE(spin.text(), QString("-7.5"));
  // "-" is no number yet, "-7." repeats -7: only "-7" and "-7.5" change the value.
  QCOMPARE(notifications, 3);

  spin.selectAll();
  QTest::keyClicks(&spin, "x");  // refused
  QCOMPARE(spin.text(), QString("-7.5"));
  QCOMPARE(spin.FloatValue(), -7.5);
}

void TestKinds::DateTimePickerWholeSecondsKeepsDate() {
  ui::TDateTimePicker picker;
  picker.setDate(QDate(2024, 2, 29));
  picker.SetTime(QTime(10, 20, 30, 999));
  QCOMPARE(picker.Time(), QTime(10, 20, 30));
  QCOMPARE(picker.time(), QTime(10, 20, 30));
  QCOMPARE(picker.date(), QDate(2024, 2, 29));
  int notifications = 0;
  picker.OnChange = [&] { ++notifications; };
  picker.SetTime(QTime(10, 20, 30, 5));
  picker.SetTime(QTime());
  QCOMPARE(notifications, 0);
  QCOMPARE(picker.Time(), QTime(10, 20, 30));
  picker.SetTime(QTime(10, 20, 31));
  QCOMPARE(notifications, 1);
}

QTEST_MAIN(TestKinds)
#include "test_kinds.moc"
