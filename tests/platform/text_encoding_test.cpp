// Text files in any common encoding as Windows-1250 lines, and the exact code-page
// conversions the local tables store texts with.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"

namespace prenos {
namespace {

using Lines = std::vector<std::string>;

std::string Utf16(std::u16string_view text, bool bigEndian, bool mark = true) {
  std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char16_t u : text) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

// The message, line and column of the error decoding bytes raises.
std::string Failure(std::string_view bytes) {
  try {
    DecodeTextLines(bytes);
  } catch (const ETextEncoding& e) {
    return e.Message() + " @" + std::to_string(e.Line()) + ":" + std::to_string(e.Column());
  }
  return "(decoded)";
}

TEST(TextEncoding, EachEncodingGivesTheSameWindows1250Lines) {
  const Lines want = {"Pla\xe8ilo \x9a\x9e \x8a\xc8\x8e", "", "konec"};  // Plačilo šž ŠČŽ
  const std::string utf8 = "Plačilo šž ŠČŽ\r\n\r\nkonec";
  const struct {
    std::string bytes;
    TTextEncoding encoding;
  } cases[] = {
      {"Pla\xe8ilo \x9a\x9e \x8a\xc8\x8e\r\n\r\nkonec", TTextEncoding::Windows1250},
      {utf8, TTextEncoding::Utf8},
      {"\xEF\xBB\xBF" + utf8 + "\n", TTextEncoding::Utf8Bom},
      {Utf16(u"Plačilo šž ŠČŽ\r\n\r\nkonec\r\n", false), TTextEncoding::Utf16LE},
      {Utf16(u"Plačilo šž ŠČŽ\n\nkonec", true), TTextEncoding::Utf16BE},
  };
  for (const auto& c : cases) {
    const TDecodedText d = DecodeTextLines(c.bytes);
    EXPECT_EQ(d.Encoding, c.encoding) << c.bytes;
    EXPECT_EQ(d.Lines, want) << c.bytes;
  }
}

TEST(TextEncoding, UnmarkedTextIsWindows1250UnlessItIsUtf8OfTheCodePage) {
  // "čšž" in Windows-1250 is valid UTF-8 for one CJK character, which the code page lacks.
  TDecodedText d = DecodeTextLines("a\xe8\x9a\x9e\n");
  EXPECT_EQ(d.Encoding, TTextEncoding::Windows1250);
  EXPECT_EQ(d.Lines, Lines{"a\xe8\x9a\x9e"});
  // Valid UTF-8 holding a character outside the code page stays bytes as well.
  d = DecodeTextLines("č 中");
  EXPECT_EQ(d.Encoding, TTextEncoding::Windows1250);
  EXPECT_EQ(d.Lines, Lines{"č 中"});
  // Bytes without a character and invalid UTF-8 are kept as they are.
  d = DecodeTextLines("\x81\x83\xc3");
  EXPECT_EQ(d.Encoding, TTextEncoding::Windows1250);
  EXPECT_EQ(d.Lines, Lines{"\x81\x83\xc3"});
  // Plain ASCII reads the same either way.
  EXPECT_EQ(DecodeTextLines("abc\r\ndef").Encoding, TTextEncoding::Windows1250);
  // Lines: a last line without its end counts; an empty text or a mark alone has none.
  EXPECT_EQ(DecodeTextLines("").Lines, Lines{});
  EXPECT_EQ(DecodeTextLines("\xEF\xBB\xBF").Lines, Lines{});
  EXPECT_EQ(DecodeTextLines("\xFF\xFE").Lines, Lines{});
  EXPECT_EQ(DecodeTextLines("a\n\nb\r").Lines, (Lines{"a", "", "b"}));
  EXPECT_EQ(DecodeTextLines("a\rb\n").Lines, Lines{"a\rb"});
}

TEST(TextEncoding, MarkedTextThatDoesNotConvertNamesLineAndColumn) {
  EXPECT_EQ(Failure("\xEF\xBB\xBF"
                    "abc\r\nšž 中\n"),
            "Napaka v vrstici 2, stolpec 4:\nznaka U+4E2D ni v kodni tabeli Windows-1250 @2:4");
  EXPECT_EQ(Failure(Utf16(u"x\nyΩ", false)),
            "Napaka v vrstici 2, stolpec 2:\nznaka U+03A9 ni v kodni tabeli Windows-1250 @2:2");
  EXPECT_EQ(Failure(Utf16(u"ab\xD83D\xDE00", true)),  // a character beyond the 16-bit plane
            "Napaka v vrstici 1, stolpec 3:\nznaka U+1F600 ni v kodni tabeli Windows-1250 @1:3");
  EXPECT_EQ(Failure("\xEF\xBB\xBF"
                    "ab\xC3(\n"),
            "Napaka v vrstici 1, stolpec 3:\nzapis UTF-8 ni veljaven @1:3");
  EXPECT_EQ(Failure("\xEF\xBB\xBF\xC0\x80"),
            "Napaka v vrstici 1, stolpec 1:\nzapis UTF-8 ni veljaven @1:1");
  EXPECT_EQ(Failure(Utf16(u"a\xDC00", false)),
            "Napaka v vrstici 1, stolpec 2:\nzapis UTF-16 ni veljaven @1:2");
  EXPECT_EQ(Failure(Utf16(u"a\n", true) + "b"),
            "Napaka v vrstici 2, stolpec 1:\ndatoteka UTF-16 se kon\xe8"
            "a s polovico znaka @2:1");
}

TEST(CodePageExact, EveryByteComesBackAndOnlyCodePageTextConverts) {
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    std::string back;
    ASSERT_TRUE(TryUtf8ToCp1250(Cp1250ToUtf8Exact(one), back)) << b;
    EXPECT_EQ(back, one) << b;
  }
  EXPECT_EQ(Cp1250ToUtf8Exact("\x8a\x81"), "Š\xC2\x81");
  std::string out;
  EXPECT_TRUE(TryUtf8ToCp1250("Žabica €", out));
  EXPECT_EQ(out,
            "\x8e"
            "abica \x80");
  for (const char* bad : {"中", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\x80"})
    EXPECT_FALSE(TryUtf8ToCp1250(bad, out)) << bad;
}

}  // namespace
}  // namespace prenos
