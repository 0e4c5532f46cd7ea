#include "uAccessory/form_state_store.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

#include "base/file_replacement.h"
#include "uAccessory/control_state.h"
#include "uAccessory/file_errors.h"
#include "uAccessory/profile.h"
#include "uAccessory/settings_format.h"
#include "uAccessory/side_files.h"
#include "uAccessory/store_table.h"
#include "ui/form.h"
#include "ui/kinds/list_box.h"
#include "ui/kinds/memo.h"
#include "ui/user_notice.h"

namespace {

// Every component is marked not restored when a restore begins and cleared once it is restored
// (see TControlStates): what a stopped restore never read back, the next save leaves as stored.
void MarkNotRestored(const std::vector<ui::TForm*>& forms) {
  for (const ui::TForm* form : forms) {
    for (int i = 0; i < form->ComponentCount(); ++i) {
      if (QObject* object = form->Component(i).Object)
        TControlStates::Instance().MarkNotRestored(object);
    }
  }
}

bool IsNotRestored(const ui::TComponent& component) {
  return component.Object && TControlStates::Instance().IsNotRestored(component.Object);
}

void MarkRestored(const ui::TComponent& component) {
  if (component.Object)
    TControlStates::Instance().MarkRestored(component.Object);
}

// Whether the settings key `key` is one of the keys the store writes for the component `name`:
// any key a row of the store's table declares, whatever the component's kind.
bool IsKeyOf(QStringView key, const QString& name) {
  for (const StoreRow& row : StoreTable()) {
    for (const char* suffix : row.keys) {
      if (SameProfileName(key, name + QLatin1String(suffix)))
        return true;
    }
  }
  return false;
}

template <typename Kind>
Kind* As(const ui::TComponent& component) {
  return dynamic_cast<Kind*>(component.Object);
}

// Every visible control of a known kind writes its keys, row by row of the store's table; a
// control of several kinds (through derivation) writes for each of them.
void SaveComponent(StoreContext& context, const ui::TComponent& c) {
  const bool visible = IsVisibleControl(c.Object);
  for (const StoreRow& row : StoreTable()) {
    if (row.is(c.Object) && row.save.RunsFor(visible, context.settings_exist))
      row.save.run(context, c);
  }
}

// Every control of a known kind takes its values back, row by row of the same table. The default
// for a missing value is always the control's current one.
void LoadComponent(StoreContext& context, const ui::TComponent& c) {
  if (!c.Object)
    return;
  const bool visible = IsVisibleControl(c.Object);
  for (const StoreRow& row : StoreTable()) {
    if (!row.is(c.Object))
      continue;
    if (row.restore.RunsFor(visible, context.settings_exist))
      row.restore.run(context, c);
    if (row.restore_write_back.RunsFor(visible, context.settings_exist))
      row.restore_write_back.run(context, c);
  }
}

// The folder of the settings file `file_name`, with a trailing '/'.
QString FolderOf(const QString& file_name) {
  return QFileInfo(file_name).absolutePath() + u'/';
}

}  // namespace

bool FormsStateStored(const QString& file_name) {
  // Asked of the file system through the folder, so that a path past the system's limit on a
  // path is found as any other.
  if (base::FileExists(LocalPath(file_name)))
    return true;
  const QString folder = FolderOf(file_name);
  for (const ui::TForm* form : ui::ApplicationForms()) {
    for (int i = 0; i < form->ComponentCount(); ++i) {
      const ui::TComponent& c = form->Component(i);
      if (!IsVisibleControl(c.Object) || !IsPlainBaseName(c.Name))
        continue;
      if (As<ui::TMemo>(c) && base::FileExists(LocalPath(MemoSideFilePath(folder, c.Name))))
        return true;
      if (As<ui::TListBox>(c) && base::FileExists(LocalPath(ListSideFilePath(folder, c.Name))))
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
  // A save writes whether or not a settings file exists yet.
  StoreContext context{profile, form.Name(), QString(), true, FolderOf(profile.Path())};
  for (int i = 0; i < form.ComponentCount(); ++i) {
    if (!IsNotRestored(form.Component(i)))
      SaveComponent(context, form.Component(i));
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

QString SettingsToRestore(const QString& file_name, const QString& defaults_file_name) {
  return FormsStateStored(file_name) ? file_name : defaults_file_name;
}

void LoadFormsState(const QString& file_name) {
  if (!FormsStateStored(file_name)) {
    ui::Beep();
    return;
  }
  const bool settings_exist = base::FileExists(LocalPath(file_name));
  const std::vector<ui::TForm*> forms = ui::ApplicationForms();
  MarkNotRestored(forms);
  const QString raw = ReadRawSettingsText(file_name);
  TProfileFile profile(file_name);
  for (ui::TForm* form : forms) {
    StoreContext context{profile, form->Name(), raw, settings_exist, FolderOf(file_name)};
    for (int i = 0; i < form->ComponentCount(); ++i) {
      LoadComponent(context, form->Component(i));
      MarkRestored(form->Component(i));
    }
  }
  profile.Close();
}
