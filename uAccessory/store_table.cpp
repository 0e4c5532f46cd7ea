#include "uAccessory/store_table.h"

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

// Steps shared by several kinds.

template <typename Kind>
void SaveText(StoreContext& s, const QString& name, Kind& control) {
  s.profile.WriteString(s.section, s.Key(name, kText), control.Text());
}

template <typename Kind>
void RestoreText(StoreContext& s, const QString& name, Kind& control) {
  control.SetText(s.profile.ReadString(s.section, s.Key(name, kText), control.Text()));
}

template <typename Kind>
void SaveChecked(StoreContext& s, const QString& name, Kind& control) {
  s.profile.WriteBool(s.section, s.Key(name, kChecked), control.Checked());
}

template <typename Kind>
void RestoreChecked(StoreContext& s, const QString& name, Kind& control) {
  control.SetChecked(s.profile.ReadBool(s.section, s.Key(name, kChecked), control.Checked()));
}

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
  std::optional<SideFileText> file;
  if (!base_name.isEmpty() && IsPlainBaseName(base_name))
    file = ReadMemoSideFile(MemoSideFilePath(s.folder, base_name));
  if (!file && TryOwnName(base_name, name))
    file = ReadMemoSideFile(MemoSideFilePath(s.folder, name));
  if (file) {
    memo.SetText(file->text);
    RememberEncoding(&memo, file->encoding);
  }
}

// Date and time picker: the time of day in the long time format.

void SaveTime(StoreContext& s, const QString& name, ui::TDateTimePicker& picker) {
  s.profile.WriteTime(s.section, s.Key(name, kTime), picker.Time());
}

void RestoreTime(StoreContext& s, const QString& name, ui::TDateTimePicker& picker) {
  picker.SetTime(s.profile.ReadTime(s.section, s.Key(name, kTime), picker.Time()));
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

// Single-value controls.

void SaveItemIndex(StoreContext& s, const QString& name, ui::TRadioGroup& group) {
  s.profile.WriteInteger(s.section, s.Key(name, kItemIndex), group.ItemIndex());
}

void RestoreItemIndex(StoreContext& s, const QString& name, ui::TRadioGroup& group) {
  group.SetItemIndex(s.profile.ReadInteger(s.section, s.Key(name, kItemIndex), group.ItemIndex()));
}

void SaveSpin(StoreContext& s, const QString& name, ui::TSpinEdit& spin) {
  s.profile.WriteInteger(s.section, s.Key(name, kValue), spin.Value());
}

void RestoreSpin(StoreContext& s, const QString& name, ui::TSpinEdit& spin) {
  spin.SetValue(s.profile.ReadInteger(s.section, s.Key(name, kValue), spin.Value()));
}

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

void SaveColor(StoreContext& s, const QString& name, ui::TPanel& panel) {
  s.profile.WriteInteger(s.section, s.Key(name, kColor), panel.Color());
}

void RestoreColor(StoreContext& s, const QString& name, ui::TPanel& panel) {
  panel.SetColor(s.profile.ReadInteger(s.section, s.Key(name, kColor), panel.Color()));
}

void SaveFloat(StoreContext& s, const QString& name, ui::TAdvSpinEdit& spin) {
  s.profile.WriteFloat(s.section, s.Key(name, kFloatValue), spin.FloatValue());
}

void RestoreFloat(StoreContext& s, const QString& name, ui::TAdvSpinEdit& spin) {
  spin.SetFloatValue(s.profile.ReadFloat(s.section, s.Key(name, kFloatValue), spin.FloatValue()));
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
  std::optional<SideFileLines> file;
  if (IsPlainBaseName(base_name))
    file = ReadListSideFile(ListSideFilePath(s.folder, base_name));
  if (!file && TryOwnName(base_name, name))
    file = ReadListSideFile(ListSideFilePath(s.folder, name));
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
      Row<TsDateEdit>("TsDateEdit", {kText}, {kVisible, SaveText}, {kAlways, RestoreText}),
      Row<TDateTimePicker>("TDateTimePicker", {kTime}, {kVisible, SaveTime}, {kAlways, RestoreTime},
                           // The one write of a restore: the time just set, in today's format.
                           {kVisibleWithSettings, SaveTime}),
      Row<TEdit>("TEdit", {kText}, {kVisible, SaveText}, {kAlways, RestoreText}),
      Row<TsEdit>("TsEdit", {kText}, {kVisible, SaveText}, {kAlways, RestoreText}),
      Row<TsCurrencyEdit>("TsCurrencyEdit", {kText}, {kVisible, SaveText}, {kAlways, RestoreText}),
      Row<TLabeledEdit>("TLabeledEdit", {kText}, {kVisible, SaveText}, {kAlways, RestoreText}),
      Row<TComboBox>("TComboBox", {kItems, kText}, {kVisible, SaveCombo}, {kAlways, RestoreCombo}),
      Row<TsComboBox>("TsComboBox", {kItems, kText}, {kVisible, SaveCombo},
                      {kAlways, RestoreCombo}),
      Row<TCheckBox>("TCheckBox", {kChecked}, {kVisible, SaveChecked}, {kAlways, RestoreChecked}),
      Row<TRadioButton>("TRadioButton", {kChecked}, {kVisible, SaveChecked},
                        {kAlways, RestoreChecked}),
      Row<TsCheckBox>("TsCheckBox", {kChecked}, {kVisible, SaveChecked}, {kAlways, RestoreChecked}),
      Row<TsRadioButton>("TsRadioButton", {kChecked}, {kVisible, SaveChecked},
                         {kAlways, RestoreChecked}),
      Row<TRadioGroup>("TRadioGroup", {kItemIndex}, {kVisible, SaveItemIndex},
                       {kAlways, RestoreItemIndex}),
      Row<TSpinEdit>("TSpinEdit", {kValue}, {kVisible, SaveSpin}, {kAlways, RestoreSpin}),
      Row<TsSpinEdit>("TsSpinEdit", {kValue}, {kVisible, SaveLongSpin}, {kAlways, RestoreLongSpin}),
      Row<TPanel>("TPanel", {kColor}, {kVisible, SaveColor}, {kAlways, RestoreColor}),
      Row<TAdvSpinEdit>("TAdvSpinEdit", {kFloatValue}, {kVisible, SaveFloat},
                        {kAlways, RestoreFloat}),
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
