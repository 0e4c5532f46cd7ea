#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

#include "uAccessory/profile.h"
#include "ui/form.h"

// The control kinds the form-state store knows, one row per kind, each with its save step and
// its restore step side by side. A control runs every row whose kind it belongs to, through its
// class or a base class, in the table's order; a save and a restore walk the same rows.

// When a step of a row runs for a control.
enum class StoreWhen {
  kAlways,               // whatever the control's own Visible flag says
  kVisible,              // only when the control's own Visible flag is set
  kVisibleWithSettings,  // as kVisible, and only when the settings file exists
};

// What a step works on: one form's section of the settings file.
struct StoreContext {
  TProfileFile& profile;
  QString section;
  // The whole settings text, read once when a restore begins; stored lists are read from it.
  QString raw;
  // Whether the settings file existed when the restore began: without one, a restore from side
  // files alone writes nothing, so it creates no file.
  bool settings_exist = false;
  // The folder of the settings file, with a trailing '/': the side files lie in it.
  QString folder;

  // The key of the control `name` with a property suffix such as ".Text".
  QString Key(const QString& name, const char* suffix) const {
    return name + QLatin1String(suffix);
  }
};

// One step of a row; a row without `run` has no such step of its own.
struct StoreStep {
  StoreWhen when = StoreWhen::kAlways;
  std::function<void(StoreContext&, const ui::TComponent&)> run;

  bool RunsFor(bool visible, bool settings_exist) const {
    if (!run)
      return false;
    switch (when) {
      case StoreWhen::kAlways:
        return true;
      case StoreWhen::kVisible:
        return visible;
      case StoreWhen::kVisibleWithSettings:
        return visible && settings_exist;
    }
    return false;
  }
};

struct StoreRow {
  const char* kind;  // the class name, for readers
  std::function<bool(const QObject*)> is;
  // The key suffixes (".Text", ".Items", ...) whose keys, after the control's name, the row's
  // steps write or read; a save that keeps a control's stored state keeps these keys.
  std::vector<const char*> keys;
  StoreStep save;
  StoreStep restore;
  // A write into the settings file after the restore step, during the restore.
  StoreStep restore_write_back;
};

// The rows in the order a control of several kinds runs them.
const std::vector<StoreRow>& StoreTable();

// Whether the control's own Visible flag is set.
bool IsVisibleControl(const QObject* object);
