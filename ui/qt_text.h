#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/parse_integer.h"

namespace ui {

// Qt's strings as the toolkit-free helpers take them: the same UTF-16 code units, not copied.
inline std::u16string_view U16View(QStringView text) {
  return {text.utf16(), static_cast<std::size_t>(text.size())};
}

// The program's integer syntax over a Qt string.
inline std::optional<std::int32_t> ParseInteger(QStringView text) {
  return base::ParseInteger(U16View(text));
}

}  // namespace ui
