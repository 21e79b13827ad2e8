// Text files in any common encoding read as Windows-1250 lines: the encoding told from a
// byte-order mark or from the bytes themselves, and the conversion to the code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exceptions.h"

namespace prenos {

enum class TTextEncoding { Windows1250, Utf8, Utf8Bom, Utf16LE, Utf16BE };

struct TDecodedText {
  TTextEncoding Encoding = TTextEncoding::Windows1250;
  // Windows-1250, without their line ends (LF or CR LF). A last line without a line end
  // is still a line; empty text (or a mark alone) has none.
  std::vector<std::string> Lines;
};

// A character the code page cannot hold, or bytes that are not the encoding they claim.
// Line and column count from 1, the column in characters of the decoded line. The
// message: "Napaka v vrstici L, stolpec C:" and, on the next line, what is wrong.
class ETextEncoding : public EConvertError {
 public:
  ETextEncoding(int64_t line, int64_t column, const std::string& detail);
  int64_t Line() const noexcept { return line_; }
  int64_t Column() const noexcept { return column_; }

 private:
  int64_t line_, column_;
};

// Pure: bytes in, lines out, no disk. A UTF-8 or UTF-16 (LE, BE) byte-order mark decides
// the encoding. Without one the text is UTF-8 when it is valid UTF-8, holds at least one
// multi-byte sequence, and every character it holds exists in Windows-1250; otherwise it
// is Windows-1250 and its bytes are kept exactly. Raises ETextEncoding for marked text
// that does not decode or holds a character outside Windows-1250.
TDecodedText DecodeTextLines(std::string_view bytes);

// Where and why marked text does not decode: what ETextEncoding would carry.
struct TTextFault {
  int64_t Line = 0, Column = 0;
  std::string Detail;
};

// DecodeTextLines without raising: false, with the fault, where it raises.
bool TryDecodeTextLines(std::string_view bytes, TDecodedText& out, TTextFault& fault);

}  // namespace prenos
