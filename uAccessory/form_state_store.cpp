#include "uAccessory/form_state_store.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <vector>

#include "uAccessory/profile.h"
#include "uAccessory/settings_format.h"
#include "uAccessory/side_files.h"
#include "ui/form.h"
#include "ui/kinds/check_radio.h"
#include "ui/kinds/combo_box.h"
#include "ui/kinds/date_time.h"
#include "ui/kinds/line_edit.h"
#include "ui/kinds/list_box.h"
#include "ui/kinds/memo.h"
#include "ui/kinds/panel.h"
#include "ui/kinds/spin_edit.h"
#include "ui/qt_text.h"
#include "ui/user_notice.h"

namespace {

// The encoding a control's side file had when it was loaded in this run, kept on the control so
// the next save writes the file back the same way.
constexpr char kSideFileEncoding[] = "tarvelonSideFileEncoding";

void RememberEncoding(QObject* control, SideFileEncoding encoding) {
  control->setProperty(kSideFileEncoding,
                       static_cast<int>(encoding.encoding) * 2 + (encoding.has_mark ? 1 : 0));
}

// Set on every component when a restore begins and cleared once the component is restored. A
// component still marked when the restore stopped at an error was never read back: the next save
// keeps its stored keys and side files instead of writing defaults over them.
constexpr char kNotRestored[] = "tarvelonNotRestored";

void MarkNotRestored(const std::vector<ui::TForm*>& forms) {
  for (const ui::TForm* form : forms) {
    for (int i = 0; i < form->ComponentCount(); ++i) {
      if (QObject* object = form->Component(i).Object)
        object->setProperty(kNotRestored, true);
    }
  }
}

bool IsNotRestored(const ui::TComponent& component) {
  return component.Object && component.Object->property(kNotRestored).toBool();
}

void MarkRestored(const ui::TComponent& component) {
  if (component.Object)
    component.Object->setProperty(kNotRestored, QVariant());
}

// Whether the settings key `key` is one of the keys the store writes for the component `name`.
bool IsKeyOf(QStringView key, const QString& name) {
  static const char* const kSuffixes[] = {".File",  ".Text",    ".Time",
                                          ".Items", ".Checked", ".ItemIndex",
                                          ".Value", ".Color",   ".FloatValue"};
  for (const char* suffix : kSuffixes) {
    if (SameProfileName(key, name + QLatin1String(suffix)))
      return true;
  }
  return false;
}

SideFileEncoding RememberedEncoding(const QObject* control) {
  const QVariant stored = control->property(kSideFileEncoding);
  if (!stored.isValid())
    return {};
  const int code = stored.toInt();
  return {static_cast<base::TextEncoding>(code / 2), code % 2 == 1};
}

// A ".File" value names a side file only when it is a plain base name: no folder, no way out of
// the program's own folders, no control characters, and short enough to be a file name at all.
bool IsPlainBaseName(const QString& value) {
  constexpr qsizetype kLongestFileName = 255;  // bytes, the limit of common file systems
  if ((value + QStringLiteral(".txt")).toUtf8().size() > kLongestFileName)
    return false;
  if (value.contains(u'/') || value.contains(u'\\') || value.contains(QStringLiteral(".."))) {
    return false;
  }
  for (QChar c : value) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      return false;
  }
  return true;
}

template <typename Kind>
Kind* As(const ui::TComponent& component) {
  return dynamic_cast<Kind*>(component.Object);
}

bool IsVisible(const QObject* object) {
  const auto* widget = qobject_cast<const QWidget*>(object);
  return widget && ui::IsVisibleFlag(widget);
}

QString JoinedWithCrLf(const QStringList& items) {
  QString joined;
  for (const QString& item : items)
    joined += item + QStringLiteral("\r\n");
  return joined;
}

// One form's section: keys are the component's name and a property suffix.
class Section {
 public:
  Section(TProfileFile& profile, const QString& name) : profile_(profile), name_(name) {}

  QString Key(const ui::TComponent& component, const char* suffix) const {
    return component.Name + QLatin1String(suffix);
  }
  QString Name() const { return name_; }
  TProfileFile& Profile() { return profile_; }

 private:
  TProfileFile& profile_;
  QString name_;
};

// Every visible control of a known kind writes its keys, kind by kind in a fixed order; a control
// of several kinds (through derivation) writes for each of them.
void SaveComponent(Section& s, const ui::TComponent& c) {
  if (!IsVisible(c.Object))
    return;
  TProfileFile& p = s.Profile();
  const QString section = s.Name();
  const auto write_text = [&](const QString& text) {
    p.WriteString(section, s.Key(c, ".Text"), text);
  };
  const auto write_checked = [&](bool checked) {
    p.WriteBool(section, s.Key(c, ".Checked"), checked);
  };

  if (auto* memo = As<ui::TMemo>(c)) {
    CreateSideFolderFor(MemoSideFilePath(c.Name));
    p.WriteString(section, s.Key(c, ".File"), c.Name);
    WriteMemoSideFile(MemoSideFilePath(c.Name), memo->Text(), RememberedEncoding(memo));
  }
  if (auto* edit = As<ui::TsDateEdit>(c))
    write_text(edit->Text());
  if (auto* picker = As<ui::TDateTimePicker>(c)) {
    p.WriteTime(section, s.Key(c, ".Time"), picker->Time());
  }
  if (auto* edit = As<ui::TEdit>(c))
    write_text(edit->Text());
  if (auto* edit = As<ui::TsEdit>(c))
    write_text(edit->Text());
  if (auto* edit = As<ui::TsCurrencyEdit>(c))
    write_text(edit->Text());
  if (auto* edit = As<ui::TLabeledEdit>(c))
    write_text(edit->Text());
  for (ui::EditableComboBox* combo : {static_cast<ui::EditableComboBox*>(As<ui::TComboBox>(c)),
                                      static_cast<ui::EditableComboBox*>(As<ui::TsComboBox>(c))}) {
    if (!combo)
      continue;
    p.WriteString(section, s.Key(c, ".Items"), WriteItemList(combo->Items()));
    write_text(combo->Text());
  }
  if (auto* box = As<ui::TCheckBox>(c))
    write_checked(box->Checked());
  if (auto* button = As<ui::TRadioButton>(c))
    write_checked(button->Checked());
  if (auto* box = As<ui::TsCheckBox>(c))
    write_checked(box->Checked());
  if (auto* button = As<ui::TsRadioButton>(c))
    write_checked(button->Checked());
  if (auto* group = As<ui::TRadioGroup>(c)) {
    p.WriteInteger(section, s.Key(c, ".ItemIndex"), group->ItemIndex());
  }
  if (auto* spin = As<ui::TSpinEdit>(c))
    p.WriteInteger(section, s.Key(c, ".Value"), spin->Value());
  if (auto* spin = As<ui::TsSpinEdit>(c)) {
    // The key holds 32 bits: the low half of the value, as a signed number.
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(spin->Value()));
    p.WriteInteger(section, s.Key(c, ".Value"), low);
  }
  if (auto* panel = As<ui::TPanel>(c))
    p.WriteInteger(section, s.Key(c, ".Color"), panel->Color());
  if (auto* spin = As<ui::TAdvSpinEdit>(c)) {
    p.WriteFloat(section, s.Key(c, ".FloatValue"), spin->FloatValue());
  }
  if (auto* list = As<ui::TListBox>(c)) {
    CreateSideFolderFor(ListSideFilePath(c.Name));
    p.WriteString(section, s.Key(c, ".File"), c.Name);
    WriteListSideFile(ListSideFilePath(c.Name), list->Items(), RememberedEncoding(list));
  }
  if (auto* list = As<ui::TsListBox>(c)) {
    p.WriteString(section, s.Key(c, ".Items"), WriteItemList(list->Items()));
  }
  if (auto* list = As<ui::TCheckListBox>(c)) {
    const QStringList texts = list->Items();
    QList<StoredListItem> items;
    for (int i = 0; i < texts.size(); ++i)
      items.append({texts[i], list->Checked(i)});
    p.WriteString(section, s.Key(c, ".Items"), WriteCheckList(items));
  }
}

// Keeps a list box's item collection in one update bracket, also when reading a file fails.
class UpdateBracket {
 public:
  explicit UpdateBracket(ui::TListBox* list) : list_(list) { list_->BeginUpdate(); }
  ~UpdateBracket() { list_->EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;

 private:
  ui::TListBox* list_;
};

// Whether the control's side file should be looked for under its own name, after `base_name`
// from the settings file named none that exists: the save always writes it there, so it holds the
// contents even when settings.dat is missing, damaged, or was not yet replaced when a save died.
bool TryOwnName(const QString& base_name, const ui::TComponent& c) {
  return base_name != c.Name && IsPlainBaseName(c.Name);
}

void RestoreMemo(Section& s, const ui::TComponent& c, ui::TMemo* memo) {
  const QString base_name = s.Profile().ReadString(s.Name(), s.Key(c, ".File"), memo->Text());
  std::optional<SideFileText> file;
  if (!base_name.isEmpty() && IsPlainBaseName(base_name))
    file = ReadMemoSideFile(MemoSideFilePath(base_name));
  if (!file && TryOwnName(base_name, c))
    file = ReadMemoSideFile(MemoSideFilePath(c.Name));
  if (file) {
    memo->SetText(file->text);
    RememberEncoding(memo, file->encoding);
  }
}

void RestoreListBox(Section& s, const QString& raw, const ui::TComponent& c, ui::TListBox* list) {
  const QString base_name =
      s.Profile().ReadString(s.Name(), s.Key(c, ".File"), JoinedWithCrLf(list->Items()));
  UpdateBracket bracket(list);
  std::optional<SideFileLines> file;
  if (IsPlainBaseName(base_name))
    file = ReadListSideFile(ListSideFilePath(base_name));
  if (!file && TryOwnName(base_name, c))
    file = ReadListSideFile(ListSideFilePath(c.Name));
  if (file) {
    list->SetItems(file->lines);
    RememberEncoding(list, file->encoding);
    return;
  }
  if (const auto stored = ReadStoredList(raw, s.Name(), c.Name, StoredListForm::kItemList)) {
    list->ClearItems();
    for (const StoredListItem& item : *stored)
      list->AddItem(item.text);
  }
}

void RestoreCombo(Section& s, const QString& raw, const ui::TComponent& c,
                  ui::EditableComboBox* combo) {
  if (const auto stored = ReadStoredList(raw, s.Name(), c.Name, StoredListForm::kItemList)) {
    combo->ClearItems();
    for (const StoredListItem& item : *stored)
      combo->AddItem(item.text);
  }
  combo->SetText(s.Profile().ReadString(s.Name(), s.Key(c, ".Text"), combo->Text()));
}

void RestoreCheckList(const Section& s, const QString& raw, const ui::TComponent& c,
                      ui::TCheckListBox* list) {
  const auto stored = ReadStoredList(raw, s.Name(), c.Name, StoredListForm::kCheckList);
  if (!stored)
    return;
  list->ClearItems();
  for (const StoredListItem& item : *stored)
    list->SetChecked(list->AddItem(item.text), item.checked);
}

// Every control of a known kind takes its values back, kind by kind in a fixed order. The
// default for a missing value is always the control's current one.
// Without a settings file nothing is written back into one, so a restore from side files alone
// creates no file.
void LoadComponent(Section& s, const QString& raw, bool settings_exist, const ui::TComponent& c) {
  if (!c.Object)
    return;
  TProfileFile& p = s.Profile();
  const QString section = s.Name();
  const bool visible = IsVisible(c.Object);
  const auto read_text = [&](const QString& current) {
    return p.ReadString(section, s.Key(c, ".Text"), current);
  };
  const auto read_checked = [&](bool current) {
    return p.ReadBool(section, s.Key(c, ".Checked"), current);
  };

  if (auto* memo = As<ui::TMemo>(c); memo && visible)
    RestoreMemo(s, c, memo);
  if (auto* memo = As<ui::TsMemo>(c); memo && visible)
    RestoreMemo(s, c, memo);
  if (auto* edit = As<ui::TsDateEdit>(c))
    edit->SetText(read_text(edit->Text()));
  if (auto* picker = As<ui::TDateTimePicker>(c)) {
    picker->SetTime(p.ReadTime(section, s.Key(c, ".Time"), picker->Time()));
    if (visible && settings_exist)
      p.WriteTime(section, s.Key(c, ".Time"), picker->Time());
  }
  if (auto* edit = As<ui::TEdit>(c))
    edit->SetText(read_text(edit->Text()));
  if (auto* edit = As<ui::TsEdit>(c))
    edit->SetText(read_text(edit->Text()));
  if (auto* edit = As<ui::TsCurrencyEdit>(c))
    edit->SetText(read_text(edit->Text()));
  if (auto* edit = As<ui::TLabeledEdit>(c))
    edit->SetText(read_text(edit->Text()));
  if (auto* combo = As<ui::TComboBox>(c))
    RestoreCombo(s, raw, c, combo);
  if (auto* combo = As<ui::TsComboBox>(c))
    RestoreCombo(s, raw, c, combo);
  if (auto* box = As<ui::TCheckBox>(c))
    box->SetChecked(read_checked(box->Checked()));
  if (auto* box = As<ui::TsCheckBox>(c))
    box->SetChecked(read_checked(box->Checked()));
  if (auto* button = As<ui::TRadioButton>(c))
    button->SetChecked(read_checked(button->Checked()));
  if (auto* button = As<ui::TsRadioButton>(c))
    button->SetChecked(read_checked(button->Checked()));
  if (auto* group = As<ui::TRadioGroup>(c)) {
    group->SetItemIndex(p.ReadInteger(section, s.Key(c, ".ItemIndex"), group->ItemIndex()));
  }
  if (auto* spin = As<ui::TSpinEdit>(c)) {
    spin->SetValue(p.ReadInteger(section, s.Key(c, ".Value"), spin->Value()));
  }
  if (auto* spin = As<ui::TsSpinEdit>(c)) {
    // Only a stored value is applied: falling back to the low 32 bits of the current value would
    // overwrite a value that needs more.
    const QString stored = p.ReadString(section, s.Key(c, ".Value"), QString());
    const auto value = ui::ParseInteger(stored);
    if (value)
      spin->SetValue(*value);
  }
  if (auto* panel = As<ui::TPanel>(c)) {
    panel->SetColor(p.ReadInteger(section, s.Key(c, ".Color"), panel->Color()));
  }
  if (auto* spin = As<ui::TAdvSpinEdit>(c)) {
    spin->SetFloatValue(p.ReadFloat(section, s.Key(c, ".FloatValue"), spin->FloatValue()));
  }
  if (auto* list = As<ui::TListBox>(c); list && visible)
    RestoreListBox(s, raw, c, list);
  if (auto* list = As<ui::TCheckListBox>(c))
    RestoreCheckList(s, raw, c, list);
}

}  // namespace

bool FormsStateStored(const QString& file_name) {
  if (QFileInfo::exists(file_name))
    return true;
  for (const ui::TForm* form : ui::ApplicationForms()) {
    for (int i = 0; i < form->ComponentCount(); ++i) {
      const ui::TComponent& c = form->Component(i);
      if (!IsVisible(c.Object) || !IsPlainBaseName(c.Name))
        continue;
      if (As<ui::TMemo>(c) && QFileInfo::exists(MemoSideFilePath(c.Name)))
        return true;
      if (As<ui::TListBox>(c) && QFileInfo::exists(ListSideFilePath(c.Name)))
        return true;
    }
  }
  return false;
}

namespace {

// Whether the last restore stopped before it reached any component of the form; its section is
// then left exactly as it stands.
bool NothingRestored(const ui::TForm& form) {
  bool any = false;
  for (int i = 0; i < form.ComponentCount(); ++i) {
    const ui::TComponent& c = form.Component(i);
    if (!c.Object)
      continue;
    if (!IsNotRestored(c))
      return false;
    any = true;
  }
  return any;
}

void SaveForm(TProfileFile& profile, const ui::TForm& form) {
  QStringList kept;
  for (int i = 0; i < form.ComponentCount(); ++i) {
    if (IsNotRestored(form.Component(i)))
      kept << form.Component(i).Name;
  }
  profile.EraseSection(form.Name(), [&kept](QStringView key) {
    return std::any_of(kept.begin(), kept.end(),
                       [key](const QString& name) { return IsKeyOf(key, name); });
  });
  Section section(profile, form.Name());
  for (int i = 0; i < form.ComponentCount(); ++i) {
    if (!IsNotRestored(form.Component(i)))
      SaveComponent(section, form.Component(i));
  }
}

}  // namespace

void SaveFormsState(const QString& file_name) {
  std::vector<ui::TForm*> forms;
  for (ui::TForm* form : ui::ApplicationForms()) {
    if (form->Name() != QStringLiteral("AboutForm") && !NothingRestored(*form))
      forms.push_back(form);
  }
  if (forms.empty())
    return;
  // The whole save goes to the settings file in one replacement when the profile is closed: a
  // save that fails or dies half-way leaves the file as it was, never with a section erased.
  TProfileFile profile(file_name);
  profile.BeginBatch();
  for (ui::TForm* form : forms)
    SaveForm(profile, *form);
  profile.Close();
}

void LoadFormsState(const QString& file_name) {
  if (!FormsStateStored(file_name)) {
    ui::Beep();
    return;
  }
  const bool settings_exist = QFileInfo::exists(file_name);
  const std::vector<ui::TForm*> forms = ui::ApplicationForms();
  MarkNotRestored(forms);
  const QString raw = ReadRawSettingsText(file_name);
  TProfileFile profile(file_name);
  for (ui::TForm* form : forms) {
    Section section(profile, form->Name());
    for (int i = 0; i < form->ComponentCount(); ++i) {
      LoadComponent(section, raw, settings_exist, form->Component(i));
      MarkRestored(form->Component(i));
    }
  }
  profile.Close();
}
