// ParseInteger agrees with a plain reference reading on every input.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/parse_integer.h"

namespace {

// A deliberately simple second reading of the same syntax: strip spaces, sign and prefix, then
// read the digits into a wide integer.
std::optional<std::int32_t> Reference(const std::u16string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
    negative = text[i++] == u'-';
  std::u16string rest = text.substr(i);
  int base = 10;
  for (std::u16string prefix : {u"0x", u"0X", u"$", u"x", u"X"}) {
    if (rest.rfind(prefix, 0) == 0) {
      base = 16;
      rest = rest.substr(prefix.size());
      break;
    }
  }
  if (rest.empty())
    return std::nullopt;
  std::string ascii;
  for (char16_t c : rest) {
    const bool digit = c >= u'0' && c <= u'9';
    const bool hex = (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    if (!digit && !(base == 16 && hex))
      return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  const std::size_t first = ascii.find_first_not_of('0');
  const std::string significant = first == std::string::npos ? "0" : ascii.substr(first);
  if (base == 16) {
    if (significant.size() > 8)
      return std::nullopt;
    const auto pattern =
        static_cast<std::uint32_t>(std::strtoull(significant.c_str(), nullptr, 16));
    const std::uint32_t bits = negative ? 0u - pattern : pattern;
    return static_cast<std::int32_t>(bits);
  }
  if (significant.size() > 10)
    return std::nullopt;
  const long long magnitude = std::strtoll(significant.c_str(), nullptr, 10);
  const long long value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX)
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Bytes below 0x80 map to themselves, others to a few characters worth confusing the parser.
  std::u16string text;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    text.push_back(b < 0x80 ? static_cast<char16_t>(b) : u"\uFF10\u00A0\u0660\t"[b % 4]);
  }
  const auto parsed = base::ParseInteger(text);
  const auto expected = Reference(text);
  if (parsed != expected)
    std::abort();
  return 0;
}
