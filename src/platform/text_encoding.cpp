// Encoding detection and conversion of text files to Windows-1250 lines.
#include "platform/text_encoding.h"

#include <cstdio>

#include "platform/codepage.h"

namespace prenos {
namespace {

// Splits Windows-1250 text at LF, dropping a CR before it.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text.substr(start, stop - start));
    start = next;
  }
  return lines;
}

std::string CodePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

// Where the conversion stands: the line and the column of the next character.
struct Position {
  int64_t line = 1, column = 1;
  void Advance(char32_t cp) {
    if (cp == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
};

// The conversions report what does not decode by value, so that a bad file costs no more
// than a good one.
bool Failed(TTextFault& fault, const Position& at, std::string detail) {
  fault = {at.line, at.column, std::move(detail)};
  return false;
}

bool AppendChecked(std::string& out, char32_t cp, const Position& at, TTextFault& fault) {
  const int b = UnicodeToCp1250(cp);
  if (b < 0) return Failed(fault, at, "znaka " + CodePoint(cp) + " ni v kodni tabeli Windows-1250");
  out += static_cast<char>(b);
  return true;
}

// Marked UTF-8: every sequence must decode and fit the code page.
bool FromUtf8(std::string_view s, std::string& out, TTextFault& fault) {
  out.reserve(s.size());
  Position at;
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    size_t length;
    if (!DecodeUtf8At(s, i, cp, length)) return Failed(fault, at, "zapis UTF-8 ni veljaven");
    if (!AppendChecked(out, cp, at, fault)) return false;
    at.Advance(cp);
    i += length;
  }
  return true;
}

bool FromUtf16(std::string_view s, bool bigEndian, std::string& out, TTextFault& fault) {
  out.reserve(s.size() / 2);
  Position at;
  auto unit = [&](size_t i) -> char32_t {
    const auto hi = static_cast<unsigned char>(s[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(s[bigEndian ? i + 1 : i]);
    return char32_t(hi << 8 | lo);
  };
  size_t i = 0;
  for (; i + 1 < s.size(); i += 2) {
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < s.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      return Failed(fault, at, "zapis UTF-16 ni veljaven");
    }
    if (!AppendChecked(out, cp, at, fault)) return false;
    at.Advance(cp);
  }
  if (i < s.size())
    return Failed(fault, at,
                  "datoteka UTF-16 se kon\xe8"
                  "a s polovico znaka");
  return true;
}

// Unmarked text as UTF-8, or false when it is not UTF-8 of the code page's characters or
// holds no multi-byte sequence (then it reads the same either way).
bool TryUnmarkedUtf8(std::string_view s, std::string& out) {
  bool multiByte = false;
  for (unsigned char c : s)
    if (c >= 0x80) {
      multiByte = true;
      break;
    }
  return multiByte && TryUtf8ToCp1250(s, out);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

ETextEncoding::ETextEncoding(int64_t line, int64_t column, const std::string& detail)
    : EConvertError("Napaka v vrstici " + std::to_string(line) + ", stolpec " +
                    std::to_string(column) + ":\n" + detail),
      line_(line),
      column_(column) {}

bool TryDecodeTextLines(std::string_view bytes, TDecodedText& result, TTextFault& fault) {
  result = TDecodedText();
  std::string text;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    result.Encoding = TTextEncoding::Utf8Bom;
    if (!FromUtf8(bytes.substr(3), text, fault)) return false;
  } else if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
    const bool bigEndian = bytes[0] == '\xFE';
    result.Encoding = bigEndian ? TTextEncoding::Utf16BE : TTextEncoding::Utf16LE;
    if (!FromUtf16(bytes.substr(2), bigEndian, text, fault)) return false;
  } else if (TryUnmarkedUtf8(bytes, text)) {
    result.Encoding = TTextEncoding::Utf8;
  } else {
    result.Lines = SplitLines(bytes);
    return true;
  }
  result.Lines = SplitLines(text);
  return true;
}

TDecodedText DecodeTextLines(std::string_view bytes) {
  TDecodedText result;
  TTextFault fault;
  if (!TryDecodeTextLines(bytes, result, fault))
    throw ETextEncoding(fault.Line, fault.Column, fault.Detail);
  return result;
}

}  // namespace prenos
