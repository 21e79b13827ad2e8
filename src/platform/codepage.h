// Windows-1250 <-> UTF-8. The core keeps single-byte Windows-1250 texts; these convert
// at the GUI and file-name boundary only.
#pragma once

#include <string>
#include <string_view>

namespace prenos {

// Every byte maps; the five bytes without a character become U+FFFD.
std::string Cp1250ToUtf8(std::string_view bytes);

// Characters outside Windows-1250 (and malformed UTF-8) become '?'.
std::string Utf8ToCp1250(std::string_view utf8);

// The Unicode code point of one Windows-1250 byte (0xFFFD when it has none).
char32_t Cp1250ToUnicode(unsigned char byte);

// The Windows-1250 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1250(char32_t cp);

}  // namespace prenos
