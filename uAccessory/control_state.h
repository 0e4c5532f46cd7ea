#pragma once

#include <QObject>

#include <optional>
#include <unordered_map>

#include "uAccessory/side_files.h"

// What the form-state store remembers about each control between a restore and the next save,
// kept here rather than on the widgets so that the store's own facts live in one place. A control
// gets its record the first time the store remembers something about it; the record goes when the
// control is destroyed, so a later object at the same address starts with none.
//
// - Not restored: set on every control when a restore begins and cleared once the control is
//   restored. A control still marked when the restore stopped at an error was never read back:
//   the next save keeps its stored keys and side files instead of writing defaults over them.
// - Side file encoding: the encoding the control's side file had when it was loaded in this run,
//   so the next save writes the file back the same way. A control whose side file was never
//   loaded has none, and its file is written in the default encoding.
class TControlStates {
 public:
  // The one record set of the application. It is never destroyed, so a control that outlives
  // the end of main still finds it when it is destroyed.
  static TControlStates& Instance();

  void MarkNotRestored(QObject* control);
  void MarkRestored(const QObject* control);
  bool IsNotRestored(const QObject* control) const;

  void RememberEncoding(QObject* control, SideFileEncoding encoding);
  // The remembered encoding, or the default one when none is remembered.
  SideFileEncoding RememberedEncoding(const QObject* control) const;

 private:
  struct Record {
    bool not_restored = false;
    std::optional<SideFileEncoding> side_file_encoding;
  };

  TControlStates() = default;
  // The control's record, made (and set to go with the control) when it has none.
  Record& RecordOf(QObject* control);
  const Record* FindRecord(const QObject* control) const;

  std::unordered_map<const QObject*, Record> records_;
};
