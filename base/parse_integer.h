#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace base {

// The program's one integer syntax: optional leading spaces, one optional sign, then either a
// decimal number in the signed 32-bit range or a hexadecimal one with the prefix "$", "x", "X",
// "0x" or "0X" and at most eight significant digits, read as a signed 32-bit pattern. Nothing may
// follow the digits. Returns nothing when the text is not such an integer.
std::optional<std::int32_t> ParseInteger(std::u16string_view text);

}  // namespace base
