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

// Every byte kept: the five bytes without a character become the control characters of
// the same number (U+0081 ...), so that TryUtf8ToCp1250 gives the bytes back unchanged.
std::string Cp1250ToUtf8Exact(std::string_view bytes);

// Strict: false for malformed UTF-8 or a character the code page cannot hold (out is then
// unspecified). The five control characters Cp1250ToUtf8Exact writes come back as bytes.
bool TryUtf8ToCp1250(std::string_view utf8, std::string& out);

// One UTF-8 sequence at s[i]: its code point and length, or false when malformed
// (overlong forms, surrogates and values past U+10FFFF included).
bool DecodeUtf8At(std::string_view s, size_t i, char32_t& cp, size_t& length);

// Appends the UTF-8 form of a code point (up to U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// The Unicode code point of one Windows-1250 byte (0xFFFD when it has none).
char32_t Cp1250ToUnicode(unsigned char byte);

// The Windows-1250 byte of a code point, or -1 when the code page has none. The five
// bytes without a character answer only to the control characters of their number.
int UnicodeToCp1250(char32_t cp);

}  // namespace prenos
