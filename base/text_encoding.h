#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// Text encodings chosen by a byte-order mark, and decoding that never fails.
//
// Written here rather than with QStringDecoder: every malformed UTF-8 subsequence and a dangling
// odd UTF-16 byte become exactly one U+FFFD each, a rule the settings file relies on to keep the
// lines after such a byte aligned and that the fuzz targets check; base/ also stays usable
// without Qt.

enum class TextEncoding { kUtf8, kUtf16Le, kUtf16Be };

// The encoding selected by a leading byte-order mark (UTF-8 EF BB BF, UTF-16LE FF FE, UTF-16BE
// FE FF); without one the bytes are UTF-8. `mark_size` is the number of mark bytes, 0 for none.
struct EncodingMark {
  TextEncoding encoding = TextEncoding::kUtf8;
  std::size_t mark_size = 0;
};
EncodingMark DetectEncoding(std::string_view bytes);

// The mark's bytes for `encoding`.
std::string_view ByteOrderMark(TextEncoding encoding);

// Bytes without a mark to text. Invalid UTF-8 and a dangling odd UTF-16 byte become U+FFFD, one
// per maximal invalid subsequence; nothing is ever refused. `undecodable`, when given, tells
// whether any byte was replaced so (a U+FFFD written in the bytes themselves is no replacement).
std::u16string DecodeText(std::string_view bytes, TextEncoding encoding,
                          bool* undecodable = nullptr);

// Text to bytes without a mark. In UTF-8 an unpaired surrogate becomes U+FFFD.
std::string EncodeText(std::u16string_view text, TextEncoding encoding);

// A whole file decoded, with the encoding and whether it began with a mark, so that it can be
// written back the way it was found, and whether it held bytes the encoding cannot decode,
// which writing the text back would not restore.
struct DecodedText {
  std::u16string text;
  TextEncoding encoding = TextEncoding::kUtf8;
  bool has_mark = false;
  bool undecodable = false;
};
DecodedText DecodeWithMark(std::string_view bytes);
// The text's bytes, the mark first when `with_mark`, and also when the text itself begins with
// U+FEFF: unmarked, that character would be taken for the mark when the bytes are read back.
std::string EncodeWithMark(std::u16string_view text, TextEncoding encoding, bool with_mark);

}  // namespace base
