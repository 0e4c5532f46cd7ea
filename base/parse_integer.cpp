#include "base/parse_integer.h"

namespace base {
namespace {

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

bool IsDecimalDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Length of the hexadecimal prefix at the start of `rest`, or 0 when there is none.
std::size_t HexPrefixLength(std::u16string_view rest) {
  if (rest.empty())
    return 0;
  if (rest[0] == u'$' || rest[0] == u'x' || rest[0] == u'X')
    return 1;
  if (rest.size() >= 2 && rest[0] == u'0' && (rest[1] == u'x' || rest[1] == u'X'))
    return 2;
  return 0;
}

std::optional<std::uint32_t> ParseHexPattern(std::u16string_view digits) {
  if (digits.empty())
    return std::nullopt;
  std::uint32_t pattern = 0;
  int significant = 0;
  for (char16_t c : digits) {
    const int value = HexDigitValue(c);
    if (value < 0)
      return std::nullopt;
    if (significant == 0 && value == 0)
      continue;  // leading zeros do not count
    if (++significant > 8)
      return std::nullopt;
    pattern = (pattern << 4) | static_cast<std::uint32_t>(value);
  }
  return pattern;
}

// The magnitude of a decimal number, or nothing when it has a non-digit or exceeds `limit`.
std::optional<std::uint32_t> ParseDecimalMagnitude(std::u16string_view digits,
                                                   std::uint32_t limit) {
  if (digits.empty())
    return std::nullopt;
  std::uint64_t magnitude = 0;
  for (char16_t c : digits) {
    if (!IsDecimalDigit(c))
      return std::nullopt;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - u'0');
    if (magnitude > limit)
      return std::nullopt;
  }
  return static_cast<std::uint32_t>(magnitude);
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::u16string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == u' ')
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  const std::u16string_view rest = text.substr(pos);
  if (const std::size_t prefix = HexPrefixLength(rest); prefix > 0) {
    const auto pattern = ParseHexPattern(rest.substr(prefix));
    if (!pattern)
      return std::nullopt;
    // Two's complement: the pattern is a signed number, negated with wrap-around.
    const std::uint32_t bits = negative ? 0u - *pattern : *pattern;
    return static_cast<std::int32_t>(bits);
  }
  const std::uint32_t limit = negative ? 2147483648u : 2147483647u;
  const auto magnitude = ParseDecimalMagnitude(rest, limit);
  if (!magnitude)
    return std::nullopt;
  const std::uint32_t bits = negative ? 0u - *magnitude : *magnitude;
  return static_cast<std::int32_t>(bits);
}

}  // namespace base
