// The Windows stand-ins: code page, prefix paths, locale conventions, conversions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/codepage.h"
#include "platform/convert.h"
#include "platform/datetime.h"
#include "platform/exceptions.h"
#include "platform/prefix.h"
#include "support/temp_prefix.h"

namespace fs = std::filesystem;
using namespace prenos;
using prenos::testing::MakeTempFolder;
using prenos::testing::TempPrefix;

namespace {

template <class F>
std::string MessageOf(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no exception)";
}

}  // namespace

TEST(CodePage, EveryByteRoundTripsAndSlovenianLettersMap) {
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    std::string utf8 = Cp1250ToUtf8(one);
    if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) {
      EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;
      EXPECT_EQ(Utf8ToCp1250(utf8), "?");
    } else {
      EXPECT_EQ(Utf8ToCp1250(utf8), one) << b;
    }
  }
  EXPECT_EQ(Utf8ToCp1250("Prenos knjižb zaključen !"),
            "Prenos knji\x9e"
            "b zaklju\xe8"
            "en !");
  EXPECT_EQ(Utf8ToCp1250("ŠšČčŽž"), "\x8a\x9a\xc8\xe8\x8e\x9e");
  EXPECT_EQ(Utf8ToCp1250("日本"), "??");
  EXPECT_EQ(Utf8ToCp1250("\xff\xfe"), "??");  // malformed input never crashes
  EXPECT_EQ(Utf8ToCp1250("ab\xe2\x82"), "ab?");
}

TEST(CodePage, Utf8OfEveryLengthIsWrittenAndReadBack) {
  const std::vector<std::pair<char32_t, std::string>> forms = {{U'a', "a"},
                                                               {U'\u017E', "\xC5\xBE"},
                                                               {U'\u20AC', "\xE2\x82\xAC"},
                                                               {U'\U0001F600', "\xF0\x9F\x98\x80"}};
  for (const auto& [cp, utf8] : forms) {
    std::string out = "x";
    AppendUtf8(out, cp);
    EXPECT_EQ(out, "x" + utf8);
    char32_t back = 0;
    size_t length = 0;
    ASSERT_TRUE(DecodeUtf8At(out, 1, back, length));
    EXPECT_EQ(back, cp);
    EXPECT_EQ(length, utf8.size());
  }
}

TEST(Prefix, WindowsPathsMapIntoThePrefixWithoutRegardToCase) {
  TempPrefix p;
  EXPECT_EQ(PrefixDir(), p.Dir());
  EXPECT_EQ(MapWindowsPath("c:\\TorvikError"), p.Dir() / "drive_c" / "TorvikError");
  fs::create_directories(p.Dir() / "drive_c" / "Temp");
  std::ofstream(p.Dir() / "drive_c" / "Temp" / "KNJIZBE.TXT") << "x";
  EXPECT_EQ(MapWindowsPath("c:\\temp\\knjizbe.txt"), p.Dir() / "drive_c" / "Temp" / "KNJIZBE.TXT");
  EXPECT_EQ(MapWindowsPath("C:/TEMP/new.txt"), p.Dir() / "drive_c" / "Temp" / "new.txt");
  EXPECT_EQ(MapWindowsPath("d:\\data\\a.txt"), p.Dir() / "drive_d" / "data" / "a.txt");
  EXPECT_EQ(MapWindowsPath("/home/user/knjizbe.txt"), fs::path("/home/user/knjizbe.txt"));
  EXPECT_EQ(MapWindowsPath("c:\\..\\..\\etc"), p.Dir() / "drive_c" / "etc");
  EXPECT_EQ(AliasDir("TorvikTemp"), p.Dir() / "aliases" / "TorvikTemp");
  EXPECT_TRUE(fs::is_directory(p.Dir() / "aliases" / "TorvikTemp"));
  // A name in Windows-1250 becomes a UTF-8 file name.
  EXPECT_EQ(MapWindowsPath("c:\\\x9e"
                           "aba.txt"),
            p.Dir() / "drive_c" / "žaba.txt");
}

TEST(Prefix, DefaultsToXdgDataHomeThenHome) {
  unsetenv("STELVAR_PREFIX");
  const fs::path xdg = MakeTempFolder("xdg");
  setenv("XDG_DATA_HOME", xdg.c_str(), 1);
  EXPECT_EQ(PrefixDir(), xdg / "stelvar");
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", xdg.c_str(), 1);
  EXPECT_EQ(PrefixDir(), xdg / ".local" / "share" / "stelvar");
  EXPECT_TRUE(fs::is_directory(xdg / ".local" / "share" / "stelvar"));
  fs::remove_all(xdg);
}

TEST(Convert, IntegersFollowTheStrictRule) {
  EXPECT_EQ(StrToInt("  -12"), -12);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(MessageOf([] { StrToInt("12 "); }), "'12 ' is not a valid integer value");
  EXPECT_EQ(MessageOf([] { StrToInt(""); }), "'' is not a valid integer value");
  EXPECT_EQ(MessageOf([] { StrToInt("  "); }), "'  ' is not a valid integer value");
  EXPECT_EQ(MessageOf([] { StrToInt("2147483648"); }), "'2147483648' is not a valid integer value");
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(Trim(" \t ab c \r"), "ab c");
}

TEST(Convert, FloatsUseTheUsersDecimalSeparator) {
  FormatSettings comma;
  comma.DecimalSeparator = ',';
  SetFormatSettings(comma);
  EXPECT_DOUBLE_EQ(StrToFloat("1234,56"), 1234.56);
  EXPECT_EQ(MessageOf([] { StrToFloat("1234.56"); }),
            "'1234.56' is not a valid floating point value");
  SetFormatSettings(FormatSettings{});
  EXPECT_DOUBLE_EQ(StrToFloat(" -3.5e2 "), -350);
  EXPECT_EQ(MessageOf([] { StrToFloat(""); }), "'' is not a valid floating point value");
  EXPECT_EQ(MessageOf([] { StrToFloat("1e"); }), "'1e' is not a valid floating point value");
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
}

TEST(DateTime, DayNumbersAndEncoding) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(2002, 3, 15), 37330.0);
  int y, m, d;
  DecodeDate(37330.75, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20020315);
  int h, n, s, ms;
  DecodeTime(EncodeDate(2001, 5, 31) + EncodeTime(14, 5, 9, 0), h, n, s, ms);
  EXPECT_EQ(h * 10000 + n * 100 + s, 140509);
  EXPECT_EQ(MessageOf([] { EncodeDate(2002, 2, 31); }), "Invalid argument to date encode");
  EXPECT_EQ(MessageOf([] { EncodeDate(2002, 13, 1); }), "Invalid argument to date encode");
  EXPECT_NO_THROW(EncodeDate(2004, 2, 29));
}

TEST(DateTime, ShortDatesFollowTheLocale) {
  SetFormatSettings(FormatSettingsFromLocale("C"));
  EXPECT_EQ(CurrentFormatSettings().DateSeparator, '.');
  EXPECT_EQ(StrToDate("15.03.2002"), EncodeDate(2002, 3, 15));
  EXPECT_EQ(StrToDate(" 5. 3.02"), EncodeDate(2002, 3, 5));
  EXPECT_EQ(MessageOf([] { StrToDate("  .  .  "); }), "'  .  .  ' is not a valid date");
  EXPECT_EQ(MessageOf([] { StrToDate("31.02.02"); }), "'31.02.02' is not a valid date");
  // A two-digit year lies within 50 years of the current one.
  int cy, cm, cd;
  DecodeDate(Date(), cy, cm, cd);
  int y, m, d;
  DecodeDate(StrToDate("1.1." + std::to_string((cy + 49) % 100)), y, m, d);
  EXPECT_EQ(y, cy + 49);
  DecodeDate(StrToDate("1.1." + std::to_string((cy + 51) % 100)), y, m, d);
  EXPECT_EQ(y, cy + 51 - 100);

  FormatSettings us = FormatSettingsFromLocale("en_US.UTF-8");
  EXPECT_EQ(us.Order, FormatSettings::DateOrder::MDY);
  EXPECT_EQ(us.DateSeparator, '/');
  SetFormatSettings(us);
  EXPECT_EQ(StrToDate("03/15/2002"), EncodeDate(2002, 3, 15));
  FormatSettings sl = FormatSettingsFromLocale("sl_SI.UTF-8");
  EXPECT_EQ(sl.Order, FormatSettings::DateOrder::DMY);
  EXPECT_EQ(sl.DateSeparator, '.');
  EXPECT_EQ(sl.DecimalSeparator, ',');
  SetFormatSettings(FormatSettings{});
}

TEST(Exceptions, ClassNamesAndTheExactAbortTest) {
  struct EMyAbort : EAbort {
    const char* ClassName() const noexcept override { return "EMyAbort"; }
  };
  EXPECT_TRUE(IsExactlyEAbort(EAbort()));
  EXPECT_FALSE(IsExactlyEAbort(EMyAbort()));
  EXPECT_EQ(ExceptionClassName(EConvertError("x")), "EConvertError");
  EXPECT_EQ(ExceptionClassName(std::runtime_error("x")), "std::runtime_error");
}
