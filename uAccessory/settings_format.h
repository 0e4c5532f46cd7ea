#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The text forms of lists stored in `settings.dat`.
//
// An item list is "<*", then per item its text, "*>", "<*", and finally "]]]": the items "12"
// and "5" give "<*12*><*5*><*]]]". A check list adds "--->[check+check]" or "--->[check-check]"
// after each item's text. Lists are read from the raw text of the whole file, not through the
// profile layer.

// The whole settings file as plain text, its lines joined again with CR LF after each, for
// looking up stored lists; empty when the file is missing. "Cannot open file ..." when it exists
// but cannot be read.
QString ReadRawSettingsText(const QString& settings_path);

// One stored entry; `checked` only means something in a check list.
struct StoredListItem {
  QString text;
  bool checked = false;
  bool operator==(const StoredListItem&) const = default;
};

enum class StoredListForm { kItemList, kCheckList };

QString WriteItemList(const QStringList& items);
QString WriteCheckList(const QList<StoredListItem>& items);

// The stored list of the control `name` in the form whose section is `section`, looked up in the
// raw settings text. Only the key "<name>.Items" of a key line in the first section of that name
// counts (names compared as the profile layer compares them), so another control whose name
// ends in `name` is never taken for it. Nothing when there is no such key or the stored list is
// empty ("<*]]]"); otherwise the items in order, empty texts (and check-list entries without a
// check marker) left out, so the sequence may be empty. Ends on every input: a pass that removes
// nothing stops the reading, which is what an item text holding "*>" leads to.
std::optional<QList<StoredListItem>> ReadStoredList(const QString& raw_settings_text,
                                                    const QString& section, const QString& name,
                                                    StoredListForm form);
