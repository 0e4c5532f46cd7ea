#include "uAccessory/settings_format.h"

#include "base/qt_text.h"
#include "uAccessory/profile.h"
#include "uAccessory/side_files.h"
#include "uAccessory/uaccessory_internal.h"

namespace {

const QString kItemStart = QStringLiteral("<*");
const QString kItemEnd = QStringLiteral("*>");
const QString kListEnd = QStringLiteral("]]]");
const QString kChecked = QStringLiteral("--->[check+check]");
const QString kUnchecked = QStringLiteral("--->[check-check]");
const QString kCheckMarker = QStringLiteral("--->[");

// The value of "<name>.Items" in the first section named `section`, up to the end of its line.
std::optional<QStringView> FindItemsValue(const QString& text, const QString& section,
                                          const QString& name) {
  const QString key = name + QStringLiteral(".Items");
  bool in_section = false;
  bool section_passed = false;
  std::optional<QStringView> found;
  base::ForEachLine(text, [&](QStringView text_line, bool /*ends_with_break*/) {
    if (found || section_passed)
      return;
    const ProfileLine line = ClassifyProfileLine(text_line);
    if (line.kind == ProfileLineKind::kSection) {
      section_passed = in_section;
      in_section = SameProfileName(line.name, section);
    } else if (in_section && line.kind == ProfileLineKind::kKey &&
               SameProfileName(line.name, key)) {
      found = line.value;
    }
  });
  return found;
}

}  // namespace

QString ReadRawSettingsText(const QString& settings_path) {
  const std::optional<SideFileText> file = ReadSideFile(settings_path);
  return file ? JoinLines(SplitTextIntoLines(file->text)) : QString();
}

QString ExtractBetween(const QString& text, const QString& start_marker,
                       const QString& end_marker) {
  const qsizetype start = text.indexOf(start_marker);
  if (start < 0 || !text.contains(end_marker))
    return QString();
  const qsizetype from = start + start_marker.size();
  const qsizetype end = text.indexOf(end_marker, from);
  if (end < 0)
    return QString();
  return text.sliced(from, end - from);
}

QString WriteItemList(const QStringList& items) {
  QString out = kItemStart;
  for (const QString& item : items)
    out += item + kItemEnd + kItemStart;
  return out + kListEnd;
}

QString WriteCheckList(const QList<StoredListItem>& items) {
  QString out = kItemStart;
  for (const StoredListItem& item : items)
    out += item.text + (item.checked ? kChecked : kUnchecked) + kItemEnd + kItemStart;
  return out + kListEnd;
}

std::optional<QList<StoredListItem>> ReadStoredList(const QString& raw_settings_text,
                                                    const QString& section, const QString& name,
                                                    StoredListForm form) {
  const std::optional<QStringView> value = FindItemsValue(raw_settings_text, section, name);
  if (!value)
    return std::nullopt;
  // The body starts with the "=" of its key line and runs to the list's end mark, which must
  // stand on the same line; "=<*" alone is a stored empty list.
  QString body = u'=' + value->toString();
  const qsizetype list_end = body.indexOf(kListEnd);
  if (list_end < 0)
    return std::nullopt;
  body.truncate(list_end);
  if (body.size() <= 3)
    return std::nullopt;

  QList<StoredListItem> items;
  do {
    const QString entry = ExtractBetween(body, kItemStart, kItemEnd);
    const QString pattern = kItemStart + entry + kItemEnd;
    const qsizetype at = body.indexOf(pattern, 0, Qt::CaseInsensitive);
    if (at < 0)
      break;  // nothing would be removed: an item text held "*>"
    body.remove(at, pattern.size());
    StoredListItem item;
    if (form == StoredListForm::kItemList) {
      item.text = entry;
    } else {
      item.checked = entry.contains(kChecked);
      item.text =
          ExtractBetween(QStringLiteral("!!!") + entry, QStringLiteral("!!!"), kCheckMarker);
    }
    if (!item.text.isEmpty())
      items.append(item);
  } while (body.contains(kItemStart) && body.contains(kItemEnd));
  return items;
}
