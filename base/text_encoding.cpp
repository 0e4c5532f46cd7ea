#include "base/text_encoding.h"

#include <cstdint>

namespace base {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kByteOrderMarkCharacter = 0xFEFF;

// Appends the code point as one or two UTF-16 units.
void AppendCodePoint(std::u16string& out, std::uint32_t code_point) {
  if (code_point < 0x10000) {
    out.push_back(static_cast<char16_t>(code_point));
    return;
  }
  code_point -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
}

// Decodes UTF-8; each maximal subpart of an ill-formed sequence becomes one U+FFFD, the way
// browsers and Qt do it, so the same bytes always give the same text.
std::u16string DecodeUtf8(std::string_view bytes, bool& undecodable) {
  std::u16string out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    int needed = 0;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    std::uint32_t code_point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      needed = 1;
      code_point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      needed = 2;
      code_point = lead & 0x0F;
      if (lead == 0xE0)
        lower = 0xA0;  // overlong
      if (lead == 0xED)
        upper = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      needed = 3;
      code_point = lead & 0x07;
      if (lead == 0xF0)
        lower = 0x90;  // overlong
      if (lead == 0xF4)
        upper = 0x8F;  // above U+10FFFF
    } else {
      out.push_back(kReplacement);
      undecodable = true;
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool complete = true;
    for (int k = 0; k < needed; ++k, ++j) {
      const auto next = j < n ? static_cast<unsigned char>(bytes[j]) : 0;
      if (j >= n || next < lower || next > upper) {
        complete = false;
        break;
      }
      code_point = (code_point << 6) | (next & 0x3F);
      lower = 0x80;
      upper = 0xBF;
    }
    if (complete) {
      AppendCodePoint(out, code_point);
    } else {
      out.push_back(kReplacement);
      undecodable = true;
    }
    i = j;
  }
  return out;
}

std::u16string DecodeUtf16(std::string_view bytes, bool little_endian, bool& undecodable) {
  std::u16string out;
  out.reserve(bytes.size() / 2 + 1);
  const std::size_t pairs = bytes.size() / 2;
  for (std::size_t k = 0; k < pairs; ++k) {
    const auto first = static_cast<unsigned char>(bytes[2 * k]);
    const auto second = static_cast<unsigned char>(bytes[2 * k + 1]);
    out.push_back(little_endian ? static_cast<char16_t>(first | (second << 8))
                                : static_cast<char16_t>((first << 8) | second));
  }
  if (bytes.size() % 2 != 0) {
    out.push_back(kReplacement);
    undecodable = true;
  }
  return out;
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t code_point = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      code_point = kReplacement;
    }
    if (code_point < 0x80) {
      out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
  }
  return out;
}

std::string EncodeUtf16(std::u16string_view text, bool little_endian) {
  std::string out;
  out.resize(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto low = static_cast<char>(text[i] & 0xFF);
    const auto high = static_cast<char>(text[i] >> 8);
    out[2 * i] = little_endian ? low : high;
    out[2 * i + 1] = little_endian ? high : low;
  }
  return out;
}

}  // namespace

EncodingMark DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
    return {TextEncoding::kUtf8, 3};
  if (bytes.substr(0, 2) == "\xFF\xFE")
    return {TextEncoding::kUtf16Le, 2};
  if (bytes.substr(0, 2) == "\xFE\xFF")
    return {TextEncoding::kUtf16Be, 2};
  return {TextEncoding::kUtf8, 0};
}

std::string_view ByteOrderMark(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      return "\xFF\xFE";
    case TextEncoding::kUtf16Be:
      return "\xFE\xFF";
    case TextEncoding::kUtf8:
      break;
  }
  return "\xEF\xBB\xBF";
}

std::u16string DecodeText(std::string_view bytes, TextEncoding encoding, bool* undecodable) {
  bool replaced = false;
  std::u16string text;
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      text = DecodeUtf16(bytes, true, replaced);
      break;
    case TextEncoding::kUtf16Be:
      text = DecodeUtf16(bytes, false, replaced);
      break;
    case TextEncoding::kUtf8:
      text = DecodeUtf8(bytes, replaced);
      break;
  }
  if (undecodable)
    *undecodable = replaced;
  return text;
}

std::string EncodeText(std::u16string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf16Le:
      return EncodeUtf16(text, true);
    case TextEncoding::kUtf16Be:
      return EncodeUtf16(text, false);
    case TextEncoding::kUtf8:
      break;
  }
  return EncodeUtf8(text);
}

DecodedText DecodeWithMark(std::string_view bytes) {
  const EncodingMark mark = DetectEncoding(bytes);
  DecodedText decoded;
  decoded.text = DecodeText(bytes.substr(mark.mark_size), mark.encoding, &decoded.undecodable);
  decoded.encoding = mark.encoding;
  decoded.has_mark = mark.mark_size > 0;
  return decoded;
}

std::string EncodeWithMark(std::u16string_view text, TextEncoding encoding, bool with_mark) {
  std::string body = EncodeText(text, encoding);
  // A text that begins with U+FEFF would begin with the mark's own bytes, and be read back as a
  // marked text without that character: the mark goes first, so the character stays.
  if (!with_mark && (text.empty() || text.front() != kByteOrderMarkCharacter))
    return body;
  std::string out(ByteOrderMark(encoding));
  out += body;
  return out;
}

}  // namespace base
