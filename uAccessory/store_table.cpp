#include "uAccessory/store_table.h"

#include <QTime>

#include <cstdint>
#include <optional>
#include <utility>

#include "base/qt_text.h"
#include "uAccessory/control_state.h"
#include "uAccessory/settings_format.h"
#include "uAccessory/side_files.h"
#include "ui/kinds/check_radio.h"
#include "ui/kinds/combo_box.h"
#include "ui/kinds/date_time.h"
#include "ui/kinds/line_edit.h"
#include "ui/kinds/list_box.h"
#include "ui/kinds/memo.h"
#include "ui/kinds/panel.h"
#include "ui/kinds/spin_edit.h"

namespace {

// The key suffixes the rows write, each after the control's name.
constexpr char kFile[] = ".File";
constexpr char kText[] = ".Text";
constexpr char kTime[] = ".Time";
constexpr char kItems[] = ".Items";
constexpr char kChecked[] = ".Checked";
constexpr char kItemIndex[] = ".ItemIndex";
constexpr char kValue[] = ".Value";
constexpr char kColor[] = ".Color";
constexpr char kFloatValue[] = ".FloatValue";

// The side file's encoding, remembered for the control when it was loaded (see TControlStates).
void RememberEncoding(QObject* control, SideFileEncoding encoding) {
  TControlStates::Instance().RememberEncoding(control, encoding);
}

SideFileEncoding RememberedEncoding(const QObject* control) {
  return TControlStates::Instance().RememberedEncoding(control);
}

// Keeps a list box's item collection in one update bracket, also when reading a file fails.
class UpdateBracket {
 public:
  explicit UpdateBracket(ui::TListBox& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateBracket() { list_.EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;

 private:
  ui::TListBox& list_;
};

// Whether the control's side file should be looked for under its own name, after `base_name`
// from the settings file named none that exists: the save always writes it there, so it holds the
// contents even when settings.dat is missing, damaged, or was not yet replaced when a save died.
bool TryOwnName(const QString& base_name, const QString& name) {
  return base_name != name && IsPlainBaseName(name);
}

// The side file that `base_name` names when `use_base_name`, or else the one under the control's
// own name (see TryOwnName); `read` reads the side file of a base name.
template <typename Read>
auto ReadNamedSideFile(const QString& base_name, bool use_base_name, const QString& name,
                       Read read) {
  decltype(read(name)) file;
  if (use_base_name)
    file = read(base_name);
  if (!file && TryOwnName(base_name, name))
    file = read(name);
  return file;
}

// A step on a control of the kind `Kind`, which the walk has already tested.
template <typename Kind>
using KindStep = void (*)(StoreContext&, const QString& name, Kind&);

template <typename Kind>
struct Step {
  StoreWhen when = StoreWhen::kAlways;
  KindStep<Kind> run = nullptr;
};

template <typename Kind>
StoreStep Erased(Step<Kind> step) {
  if (!step.run)
    return {step.when, {}};
  return {step.when, [run = step.run](StoreContext& context, const ui::TComponent& c) {
            run(context, c.Name, *dynamic_cast<Kind*>(c.Object));
          }};
}

template <typename Kind>
StoreRow Row(const char* kind, std::vector<const char*> keys, Step<Kind> save, Step<Kind> restore,
             Step<Kind> restore_write_back = {}) {
  return {kind,
          [](const QObject* object) { return dynamic_cast<const Kind*>(object) != nullptr; },
          std::move(keys),
          Erased(save),
          Erased(restore),
          Erased(restore_write_back)};
}

// Controls whose state is one value under one key. The profile is written and read by the
// value's type, so one pair of steps serves every such control.

void WriteValue(StoreContext& s, const QString& key, const QString& value) {
  s.profile.WriteString(s.section, key, value);
}
void WriteValue(StoreContext& s, const QString& key, bool value) {
  s.profile.WriteBool(s.section, key, value);
}
void WriteValue(StoreContext& s, const QString& key, int value) {
  s.profile.WriteInteger(s.section, key, value);
}
void WriteValue(StoreContext& s, const QString& key, double value) {
  s.profile.WriteFloat(s.section, key, value);
}
void WriteValue(StoreContext& s, const QString& key, QTime value) {
  s.profile.WriteTime(s.section, key, value);
}

QString ReadValue(const StoreContext& s, const QString& key, const QString& fallback) {
  return s.profile.ReadString(s.section, key, fallback);
}
bool ReadValue(const StoreContext& s, const QString& key, bool fallback) {
  return s.profile.ReadBool(s.section, key, fallback);
}
int ReadValue(const StoreContext& s, const QString& key, int fallback) {
  return s.profile.ReadInteger(s.section, key, fallback);
}
double ReadValue(const StoreContext& s, const QString& key, double fallback) {
  return s.profile.ReadFloat(s.section, key, fallback);
}
QTime ReadValue(const StoreContext& s, const QString& key, QTime fallback) {
  return s.profile.ReadTime(s.section, key, fallback);
}

// The value under the key suffix `key`, which `get` takes from the control and `set` gives it
// back. The restore falls back on the control's current value when the key is missing.
template <const char* key, auto get, auto set>
struct OneValue {
  static constexpr const char* kKey = key;
  template <typename Kind>
  static void Save(StoreContext& s, const QString& name, Kind& control) {
    WriteValue(s, s.Key(name, key), get(control));
  }
  template <typename Kind>
  static void Restore(StoreContext& s, const QString& name, Kind& control) {
    set(control, ReadValue(s, s.Key(name, key), get(control)));
  }
};

using Text = OneValue<kText, [](const auto& c) { return c.Text(); },
                      [](auto& c, const QString& text) { c.SetText(text); }>;
using Checked = OneValue<kChecked, [](const auto& c) { return c.Checked(); },
                         [](auto& c, bool checked) { c.SetChecked(checked); }>;
using ItemIndex = OneValue<kItemIndex, [](const ui::TRadioGroup& c) { return c.ItemIndex(); },
                           [](ui::TRadioGroup& c, int index) { c.SetItemIndex(index); }>;
using SpinValue = OneValue<kValue, [](const ui::TSpinEdit& c) { return c.Value(); },
                           [](ui::TSpinEdit& c, int value) { c.SetValue(value); }>;
using Color = OneValue<kColor, [](const ui::TPanel& c) { return c.Color(); },
                       [](ui::TPanel& c, int color) { c.SetColor(color); }>;
using FloatValue = OneValue<kFloatValue, [](const ui::TAdvSpinEdit& c) { return c.FloatValue(); },
                            [](ui::TAdvSpinEdit& c, double value) { c.SetFloatValue(value); }>;
// Date and time picker: the time of day in the long time format.
using Time = OneValue<kTime, [](const ui::TDateTimePicker& c) { return c.Time(); },
                      [](ui::TDateTimePicker& c, QTime time) { c.SetTime(time); }>;

// Multi-line text boxes: the text in a memo side file named by ".File".

void SaveMemo(StoreContext& s, const QString& name, ui::TMemo& memo) {
  CreateSideFolderFor(MemoSideFilePath(s.folder, name));
  s.profile.WriteString(s.section, s.Key(name, kFile), name);
  WriteMemoSideFile(MemoSideFilePath(s.folder, name), memo.Text(), RememberedEncoding(&memo));
}

// For a TMemo and, again, for a TsMemo.
template <typename Kind>
void RestoreMemo(StoreContext& s, const QString& name, Kind& memo) {
  const QString base_name = s.profile.ReadString(s.section, s.Key(name, kFile), memo.Text());
  const std::optional<SideFileText> file = ReadNamedSideFile(
      base_name, !base_name.isEmpty() && IsPlainBaseName(base_name), name,
      [&](const QString& base) { return ReadMemoSideFile(MemoSideFilePath(s.folder, base)); });
  if (file) {
    memo.SetText(file->text);
    RememberEncoding(&memo, file->encoding);
  }
}

// Combo boxes: the items as an item list, then the text.

template <typename Kind>
void SaveCombo(StoreContext& s, const QString& name, Kind& combo) {
  s.profile.WriteString(s.section, s.Key(name, kItems), WriteItemList(combo.Items()));
  s.profile.WriteString(s.section, s.Key(name, kText), combo.Text());
}

template <typename Kind>
void RestoreCombo(StoreContext& s, const QString& name, Kind& combo) {
  if (const auto stored = ReadStoredList(s.raw, s.section, name, StoredListForm::kItemList)) {
    combo.ClearItems();
    for (const StoredListItem& item : *stored)
      combo.AddItem(item.text);
  }
  combo.SetText(s.profile.ReadString(s.section, s.Key(name, kText), combo.Text()));
}

// A 64-bit spin box.

void SaveLongSpin(StoreContext& s, const QString& name, ui::TsSpinEdit& spin) {
  // The key holds 32 bits: the low half of the value, as a signed number.
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(spin.Value()));
  s.profile.WriteInteger(s.section, s.Key(name, kValue), low);
}

void RestoreLongSpin(StoreContext& s, const QString& name, ui::TsSpinEdit& spin) {
  // Only a stored value is applied: falling back to the low 32 bits of the current value would
  // overwrite a value that needs more.
  const QString stored = s.profile.ReadString(s.section, s.Key(name, kValue), QString());
  if (const auto value = base::ParseInteger(stored))
    spin.SetValue(*value);
}

// List boxes: the items in a list side file named by ".File"; a skinned list box adds an item
// list, which the restore falls back on when the side file is missing.

void SaveList(StoreContext& s, const QString& name, ui::TListBox& list) {
  CreateSideFolderFor(ListSideFilePath(s.folder, name));
  s.profile.WriteString(s.section, s.Key(name, kFile), name);
  WriteListSideFile(ListSideFilePath(s.folder, name), list.Items(), RememberedEncoding(&list));
}

void RestoreList(StoreContext& s, const QString& name, ui::TListBox& list) {
  const QString base_name =
      s.profile.ReadString(s.section, s.Key(name, kFile), JoinLines(list.Items()));
  UpdateBracket bracket(list);
  const std::optional<SideFileLines> file = ReadNamedSideFile(
      base_name, IsPlainBaseName(base_name), name,
      [&](const QString& base) { return ReadListSideFile(ListSideFilePath(s.folder, base)); });
  if (file) {
    list.SetItems(file->lines);
    RememberEncoding(&list, file->encoding);
    return;
  }
  if (const auto stored = ReadStoredList(s.raw, s.section, name, StoredListForm::kItemList)) {
    list.ClearItems();
    for (const StoredListItem& item : *stored)
      list.AddItem(item.text);
  }
}

void SaveListItems(StoreContext& s, const QString& name, ui::TsListBox& list) {
  s.profile.WriteString(s.section, s.Key(name, kItems), WriteItemList(list.Items()));
}

void SaveCheckList(StoreContext& s, const QString& name, ui::TCheckListBox& list) {
  const QStringList texts = list.Items();
  QList<StoredListItem> items;
  for (int i = 0; i < texts.size(); ++i)
    items.append({texts[i], list.Checked(i)});
  s.profile.WriteString(s.section, s.Key(name, kItems), WriteCheckList(items));
}

void RestoreCheckList(StoreContext& s, const QString& name, ui::TCheckListBox& list) {
  const auto stored = ReadStoredList(s.raw, s.section, name, StoredListForm::kCheckList);
  if (!stored)
    return;
  list.ClearItems();
  for (const StoredListItem& item : *stored)
    list.SetChecked(list.AddItem(item.text), item.checked);
}

constexpr StoreWhen kAlways = StoreWhen::kAlways;
constexpr StoreWhen kVisible = StoreWhen::kVisible;
constexpr StoreWhen kVisibleWithSettings = StoreWhen::kVisibleWithSettings;

// The row of a kind stored as one value (a OneValue): saved when visible, restored always.
template <typename Kind, typename Value>
StoreRow ValueRow(const char* kind) {
  return Row<Kind>(kind, {Value::kKey}, {kVisible, Value::template Save<Kind>},
                   {kAlways, Value::template Restore<Kind>});
}

}  // namespace

// The rows in the order of the save. The restore takes TsCheckBox before TRadioButton; no
// control is of both kinds, so this one order serves both walks. Every save step needs a
// visible control; a restore step needs one only where a comment says so.
const std::vector<StoreRow>& StoreTable() {
  using namespace ui;
  static const std::vector<StoreRow> table = {
      // Restored only when visible, as it is saved: a hidden memo's side file is never read.
      Row<TMemo>("TMemo", {kFile}, {kVisible, SaveMemo}, {kVisible, RestoreMemo}),
      // A TMemo, saved by that row alone; its restore reads the side file a second time.
      Row<TsMemo>("TsMemo", {kFile}, {}, {kVisible, RestoreMemo}),
      ValueRow<TsDateEdit, Text>("TsDateEdit"),
      Row<TDateTimePicker>("TDateTimePicker", {kTime}, {kVisible, Time::Save},
                           {kAlways, Time::Restore},
                           // The one write of a restore: the time just set, in today's format.
                           {kVisibleWithSettings, Time::Save}),
      ValueRow<TEdit, Text>("TEdit"),
      ValueRow<TsEdit, Text>("TsEdit"),
      ValueRow<TsCurrencyEdit, Text>("TsCurrencyEdit"),
      ValueRow<TLabeledEdit, Text>("TLabeledEdit"),
      Row<TComboBox>("TComboBox", {kItems, kText}, {kVisible, SaveCombo}, {kAlways, RestoreCombo}),
      Row<TsComboBox>("TsComboBox", {kItems, kText}, {kVisible, SaveCombo},
                      {kAlways, RestoreCombo}),
      ValueRow<TCheckBox, Checked>("TCheckBox"),
      ValueRow<TRadioButton, Checked>("TRadioButton"),
      ValueRow<TsCheckBox, Checked>("TsCheckBox"),
      ValueRow<TsRadioButton, Checked>("TsRadioButton"),
      ValueRow<TRadioGroup, ItemIndex>("TRadioGroup"),
      ValueRow<TSpinEdit, SpinValue>("TSpinEdit"),
      Row<TsSpinEdit>("TsSpinEdit", {kValue}, {kVisible, SaveLongSpin}, {kAlways, RestoreLongSpin}),
      ValueRow<TPanel, Color>("TPanel"),
      ValueRow<TAdvSpinEdit, FloatValue>("TAdvSpinEdit"),
      // Restored only when visible, as it is saved: a hidden list's side file is never read.
      Row<TListBox>("TListBox", {kFile}, {kVisible, SaveList}, {kVisible, RestoreList}),
      // A TListBox, restored by that row alone: its ".Items" only backs up a missing side file.
      Row<TsListBox>("TsListBox", {kItems}, {kVisible, SaveListItems}, {}),
      Row<TCheckListBox>("TCheckListBox", {kItems}, {kVisible, SaveCheckList},
                         {kAlways, RestoreCheckList}),
  };
  return table;
}

bool IsVisibleControl(const QObject* object) {
  const auto* widget = qobject_cast<const QWidget*>(object);
  return widget && ui::IsVisibleFlag(widget);
}
