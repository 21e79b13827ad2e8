// The Windows-1250 table and the two conversions.
#include "platform/codepage.h"

#include <array>
#include <cstdint>
#include <utility>

namespace prenos {
namespace {

// Code points of bytes 0x80..0xFF; 0xFFFD marks the five bytes without a character.
constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// The way back, by code point: the byte of each character above 0x7F, -1 for a code point
// the code page lacks. Its highest character is U+2122; a direct table keeps the
// conversion of long texts to one look-up a character.
constexpr char32_t kReverseSize = 0x2123;
const std::array<int16_t, kReverseSize>& Reverse() {
  static const auto table = [] {
    std::array<int16_t, kReverseSize> t;
    t.fill(-1);
    for (size_t i = 0; i < 128; ++i)
      if (kHigh[i] != 0xFFFD) t[kHigh[i]] = static_cast<int16_t>(0x80 + i);
    return t;
  }();
  return table;
}

bool Undefined(unsigned char byte) { return byte >= 0x80 && kHigh[byte - 0x80] == 0xFFFD; }

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t Cp1250ToUnicode(unsigned char byte) {
  return byte < 0x80 ? char32_t(byte) : char32_t(kHigh[byte - 0x80]);
}

int UnicodeToCp1250(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp < 0x100 && Undefined(static_cast<unsigned char>(cp))) return static_cast<int>(cp);
  return cp < kReverseSize ? Reverse()[cp] : -1;
}

bool DecodeUtf8At(std::string_view s, size_t i, char32_t& cp, size_t& length) {
  const unsigned char c = s[i];
  char32_t min;
  if (c < 0x80) {
    cp = c;
    length = 1;
    return true;
  }
  if ((c & 0xE0) == 0xC0) {
    cp = c & 0x1F;
    length = 2;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    cp = c & 0x0F;
    length = 3;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    cp = c & 0x07;
    length = 4;
    min = 0x10000;
  } else
    return false;
  if (i + length > s.size()) return false;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char cc = s[i + k];
    if ((cc & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (cc & 0x3F);
  }
  return cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

std::string Cp1250ToUtf8Exact(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char b : bytes) AppendUtf8(out, Undefined(b) ? char32_t(b) : Cp1250ToUnicode(b));
  return out;
}

bool TryUtf8ToCp1250(std::string_view utf8, std::string& out) {
  out.clear();
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp;
    size_t length;
    if (!DecodeUtf8At(utf8, i, cp, length)) return false;
    const int b = UnicodeToCp1250(cp);
    if (b < 0) return false;
    out += static_cast<char>(b);
    i += length;
  }
  return true;
}

std::string Cp1250ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char b : bytes) AppendUtf8(out, Cp1250ToUnicode(b));
  return out;
}

std::string Utf8ToCp1250(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = s[i];
    char32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    if (i + len > s.size()) {
      out += '?';
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = s[i + k];
      if ((cc & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    i += len;
    int b = UnicodeToCp1250(cp);
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

}  // namespace prenos
