// Reading a stored list ends on every input, and ExtractBetween returns a part of its text that
// lies between its markers.
#include <cstdint>
#include <cstdlib>

#include "uAccessory/settings_format.h"
#include "uAccessory/uaccessory_internal.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString raw =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  for (StoredListForm form : {StoredListForm::kItemList, StoredListForm::kCheckList}) {
    const auto items = ReadStoredList(raw, QStringLiteral("F"), QStringLiteral("L"), form);
    if (items) {
      for (const StoredListItem& item : *items)
        Check(!item.text.isEmpty());
    }
  }
  const QString between = ExtractBetween(raw, QStringLiteral("<*"), QStringLiteral("*>"));
  if (!between.isEmpty()) {
    const qsizetype start = raw.indexOf(QStringLiteral("<*")) + 2;
    Check(raw.mid(start, between.size()) == between);
    Check(raw.mid(start + between.size(), 2) == QStringLiteral("*>"));
    Check(!between.contains(QStringLiteral("*>")));
  }
  // Whatever was read, writing a clean list and reading it back gives the same items.
  const QStringList clean = {QStringLiteral("a"), QString::number(size)};
  const QString stored =
      QStringLiteral("[F]\r\nL.Items=") + WriteItemList(clean) + QStringLiteral("\r\n");
  const auto back =
      ReadStoredList(stored, QStringLiteral("F"), QStringLiteral("L"), StoredListForm::kItemList);
  Check(back && back->size() == 2 && back->at(0).text == clean[0] && back->at(1).text == clean[1]);
  return 0;
}
