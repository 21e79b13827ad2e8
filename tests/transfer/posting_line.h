// Builds lines of the fixed-width posting file from field values, for the transfer tests.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/text_encoding.h"

namespace prenos::testing {

// The pieces of one posting line; each is placed as given at its position and padded
// with blanks to its length (a longer value is a mistake in the test and throws).
struct PostingFields {
  std::string DsKupKnj = "123";       // 27, 6
  std::string KzRacuna = "1200";      // 75, 10
  std::string KNaRacun = "7600";      // 85, 10
  std::string KStrM = "100";          // 95, 10
  std::string KKupDob = "P001";       // 105, 10
  std::string KDokm = "IR1";          // 125, 7
  std::string DatZap = "20020310";    // 138, 8 (the 10-character piece overlaps Vsebina)
  std::string Vsebina = "Racun 123";  // 146, 22
  std::string Znesek = "1234,56";     // 169, 17
  std::string DatVal = "20020325";    // 215, 8
};

// A line of width characters; positions that the import does not read hold filler so
// that a test notices when they are read. width below 224 cuts the line short.
inline std::string PostingLine(const PostingFields& f, size_t width = 224, char filler = '#') {
  std::string line(224, filler);
  auto put = [&](size_t start, size_t length, const std::string& value) {
    if (value.size() > length) throw std::invalid_argument("piece too long: " + value);
    line.replace(start - 1, length, value + std::string(length - value.size(), ' '));
  };
  put(27, 6, f.DsKupKnj);
  put(75, 10, f.KzRacuna);
  put(85, 10, f.KNaRacun);
  put(95, 10, f.KStrM);
  put(105, 10, f.KKupDob);
  put(125, 7, f.KDokm);
  put(138, 8, f.DatZap);
  put(146, 22, f.Vsebina);
  put(169, 17, f.Znesek);
  put(215, 8, f.DatVal);
  line.resize(width, filler);
  return line;
}

// The bytes of a posting file of these Windows-1250 lines (CR LF ends) in an encoding;
// the UTF-8 and UTF-16 forms carry a byte-order mark where the encoding says so.
inline std::string EncodedFile(const std::vector<std::string>& lines, TTextEncoding encoding) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  if (encoding == TTextEncoding::Windows1250) return text;
  const std::string utf8 = Cp1250ToUtf8(text);
  if (encoding == TTextEncoding::Utf8) return utf8;
  if (encoding == TTextEncoding::Utf8Bom) return "\xEF\xBB\xBF" + utf8;
  const bool bigEndian = encoding == TTextEncoding::Utf16BE;
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp;
    size_t length;
    if (!DecodeUtf8At(utf8, i, cp, length)) throw std::invalid_argument("not UTF-8");
    i += length;
    const char hi = static_cast<char>(cp >> 8), lo = static_cast<char>(cp & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

inline constexpr TTextEncoding kEveryEncoding[] = {TTextEncoding::Windows1250, TTextEncoding::Utf8,
                                                   TTextEncoding::Utf8Bom, TTextEncoding::Utf16LE,
                                                   TTextEncoding::Utf16BE};

}  // namespace prenos::testing
