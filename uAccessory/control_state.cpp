#include "uAccessory/control_state.h"

TControlStates& TControlStates::Instance() {
  // Made on first use and left for the process's end: destroying it with the other statics could
  // come before the last control's destruction, which still erases its record.
  static TControlStates* const states = new TControlStates;
  return *states;
}

TControlStates::Record& TControlStates::RecordOf(QObject* control) {
  const auto [it, added] = records_.try_emplace(control);
  if (added) {
    // `destroyed` is emitted while the pointer is still the one the record is keyed by.
    QObject::connect(control, &QObject::destroyed, [this](QObject* gone) { records_.erase(gone); });
  }
  return it->second;
}

const TControlStates::Record* TControlStates::FindRecord(const QObject* control) const {
  const auto it = records_.find(control);
  return it == records_.end() ? nullptr : &it->second;
}

void TControlStates::MarkNotRestored(QObject* control) {
  RecordOf(control).not_restored = true;
}

void TControlStates::MarkRestored(const QObject* control) {
  const auto it = records_.find(control);
  if (it != records_.end())
    it->second.not_restored = false;
}

bool TControlStates::IsNotRestored(const QObject* control) const {
  const Record* record = FindRecord(control);
  return record && record->not_restored;
}

void TControlStates::RememberEncoding(QObject* control, SideFileEncoding encoding) {
  RecordOf(control).side_file_encoding = encoding;
}

SideFileEncoding TControlStates::RememberedEncoding(const QObject* control) const {
  const Record* record = FindRecord(control);
  return record && record->side_file_encoding ? *record->side_file_encoding : SideFileEncoding{};
}
