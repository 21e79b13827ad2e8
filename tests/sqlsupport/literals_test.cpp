// SQL literals and the INSERT builder: quoting, numbers in the general format, fixed
// date-time separators, the per-kind writing of values, and independence of the locale.
#include "sqlsupport/literals.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/convert.h"
#include "platform/datetime.h"
#include "sqlsupport/insertsql.h"
#include "support/error_records.h"

using namespace prenos;
using prenos::testing::ErrorRecords;
using prenos::testing::TempPrefix;

namespace {

std::string Insert(const TNameValueList& list) {
  std::string batch;
  InsertSQL("T", list, batch);
  return batch;
}

// The value part of a one-column statement built for v.
std::string Value(const TVarRec& v) {
  const std::string s = Insert({"a", v});
  const std::string head = "INSERT INTO T(a) VALUES (";
  EXPECT_EQ(s.substr(0, head.size()), head);
  EXPECT_EQ(s.substr(s.size() - 3), "); ");
  return s.substr(head.size(), s.size() - head.size() - 3);
}

}  // namespace

TEST(QuoteSQL, DoublesSingleQuotesAndNothingElse) {
  EXPECT_EQ(QuoteSQL("a'b"), "a''b");
  EXPECT_EQ(QuoteSQL("''"), "''''");
  EXPECT_EQ(QuoteSQL(""), "");
  EXPECT_EQ(QuoteSQL("'"), "''");
  const std::string other = "\\\"%_;--\x8a\x9e\xe8 \t";  // backslash, Š, ž, č, blanks
  EXPECT_EQ(QuoteSQL(other), other);
  EXPECT_EQ(QuoteSQL(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(InsertSQL, BuildsOneStatementPerCallWithTheValuesByKind) {
  std::string batch;
  InsertSQL("Subjekt", {"Naziv", "a'b", "Valuta", "SIT"}, batch);
  EXPECT_EQ(batch, "INSERT INTO Subjekt(Naziv,Valuta) VALUES ('a''b','SIT'); ");
  InsertSQL("TemePoz", {"Pozicija", 7, "Znesek", TCurrency{12345600}}, batch);
  EXPECT_EQ(batch,
            "INSERT INTO Subjekt(Naziv,Valuta) VALUES ('a''b','SIT'); "
            "INSERT INTO TemePoz(Pozicija,Znesek) VALUES (7,1234.56); ");

  // Texts.
  EXPECT_EQ(Value("''"), "''''''");
  EXPECT_EQ(Value(""), "''");
  EXPECT_EQ(Value(std::string("\x8a") + "ola"),
            "'\x8a"
            "ola'");
  // Integers of both widths, with their sign.
  EXPECT_EQ(Value(0), "0");
  EXPECT_EQ(Value(-42), "-42");
  EXPECT_EQ(Value(std::numeric_limits<int32_t>::min()), "-2147483648");
  EXPECT_EQ(Value(TVarRec::SmallInt(-32768)), "-32768");
  EXPECT_EQ(Value(TVarRec::SmallInt(12)), "12");
  // Currency amounts.
  EXPECT_EQ(Value(TCurrency{12345600}), "1234.56");
  EXPECT_EQ(Value(TCurrency{-5000}), "-0.5");
  EXPECT_EQ(Value(TCurrency{0}), "0");
  EXPECT_EQ(Value(TCurrency{1000000}), "100");
  EXPECT_EQ(Value(TCurrency{1}), "0.0001");
  EXPECT_EQ(Value(TCurrency{-99999999999}), "-9999999.9999");
  // Floating point: a single is widened to double first.
  EXPECT_EQ(Value(2.5), "2.5");
  EXPECT_EQ(Value(TVarRec::Single(0.5f)), "0.5");
  EXPECT_EQ(Value(TVarRec::Single(0.1f)), FloatToStrSQL(static_cast<double>(0.1f)));
  EXPECT_NE(Value(TVarRec::Single(0.1f)), "0.1");
  // Date-times: zero is null.
  EXPECT_EQ(Value(TVarRec::DateTime(0)), "null");
  EXPECT_EQ(Value(TVarRec::DateTime(EncodeDate(2001, 5, 31) + EncodeTime(14, 5, 9, 0))),
            "'2001/05/31 14:05:09'");
  // Every other kind is null.
  EXPECT_EQ(Value(TVarRec::Boolean(true)), "null");
  EXPECT_EQ(Value(TVarRec::Boolean(false)), "null");
  EXPECT_EQ(Value(TVarRec::Null()), "null");
  EXPECT_EQ(Value(TVarRec::Empty()), "null");
  EXPECT_EQ(Value(TVarRec::Byte(200)), "null");
}

TEST(InsertSQL, ListsThatAreNotPairsLeaveTheBatchUnchanged) {
  std::string batch = "INSERT INTO A(x) VALUES (1); ";
  const std::string before = batch;
  InsertSQL("T", {"a", 1, "b", 2, "c"}, batch);
  EXPECT_EQ(batch, before);
  InsertSQL("T", {"a"}, batch);
  EXPECT_EQ(batch, before);

  // A name that is not a text is refused before the batch changes.
  EXPECT_THROW(InsertSQL("T", {"a", 1, 5, 2}, batch), Exception);
  EXPECT_EQ(batch, before);
  try {
    InsertSQL("Teme", {TVarRec::Null(), 1}, batch);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Teme"), std::string::npos) << e.what();
  }
  EXPECT_EQ(batch, before);
}

TEST(FloatToStrSQL, GeneralFormatWithFifteenSignificantDigits) {
  EXPECT_EQ(FloatToStrSQL(0), "0");
  EXPECT_EQ(FloatToStrSQL(-0.0), "0");
  EXPECT_EQ(FloatToStrSQL(100), "100");
  EXPECT_EQ(FloatToStrSQL(-1.5), "-1.5");
  EXPECT_EQ(FloatToStrSQL(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStrSQL(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStrSQL(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(FloatToStrSQL(-2.0 / 3), "-0.666666666666667");
  EXPECT_EQ(FloatToStrSQL(1234.56), "1234.56");
  EXPECT_EQ(FloatToStrSQL(12345.678901234567), "12345.6789012346");
  // Fixed notation for exponents -4 to 14.
  EXPECT_EQ(FloatToStrSQL(0.0001), "0.0001");
  EXPECT_EQ(FloatToStrSQL(0.00012345), "0.00012345");
  EXPECT_EQ(FloatToStrSQL(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStrSQL(1e14), "100000000000000");
  EXPECT_EQ(FloatToStrSQL(-99999999999999.9), "-99999999999999.9");
  // Scientific notation outside, exponent without "+" or leading zeros.
  EXPECT_EQ(FloatToStrSQL(0.00001), "1E-5");
  EXPECT_EQ(FloatToStrSQL(0.0000125), "1.25E-5");
  EXPECT_EQ(FloatToStrSQL(-0.0000125), "-1.25E-5");
  EXPECT_EQ(FloatToStrSQL(1e15), "1E15");
  EXPECT_EQ(FloatToStrSQL(1234567890123456.0), "1.23456789012346E15");
  EXPECT_EQ(FloatToStrSQL(1e100), "1E100");
  EXPECT_EQ(FloatToStrSQL(1.5e-300), "1.5E-300");
  EXPECT_EQ(FloatToStrSQL(std::numeric_limits<double>::max()), "1.79769313486232E308");
  EXPECT_EQ(FloatToStrSQL(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324");
  // Rounding to 15 digits decides the notation: this rounds up to ten to the 15th.
  EXPECT_EQ(FloatToStrSQL(999999999999999.9), "1E15");
  EXPECT_EQ(FloatToStrSQL(9.999999999999996e-5), "0.0001");
  EXPECT_EQ(FloatToStrSQL(9.99999999999994e-5), "9.99999999999994E-5");
}

TEST(FloatToStrSQL, AValueThatIsNoNumberIsRecordedAndGivesTheEmptyText) {
  TempPrefix prefix;
  EXPECT_EQ(FloatToStrSQL(std::nan("")), "");
  EXPECT_EQ(FloatToStrSQL(-std::numeric_limits<double>::infinity()), "");
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) {
    EXPECT_EQ(r.at("Operation"), "FloatToStrSQL");
    EXPECT_EQ(r.at("SenderName"), "TApplication");
    EXPECT_EQ(r.at("ExceptObject"), "EConvertError");
    EXPECT_TRUE(r.at("Error").has_value());
  }
  // A good value writes nothing.
  EXPECT_EQ(FloatToStrSQL(1), "1");
  EXPECT_EQ(ErrorRecords().size(), 2u);
}

TEST(DateTimeToStrSQL, NineteenCharactersWithFixedSeparators) {
  EXPECT_EQ(DateTimeToStrSQL(EncodeDate(2001, 5, 31) + EncodeTime(14, 5, 9, 0)),
            "2001/05/31 14:05:09");
  EXPECT_EQ(DateTimeToStrSQL(EncodeDate(2002, 1, 2)), "2002/01/02 00:00:00");
  EXPECT_EQ(DateTimeToStrSQL(EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 999)),
            "1999/12/31 23:59:59");
  EXPECT_EQ(DateTimeToStrSQL(EncodeDate(1, 1, 1)), "0001/01/01 00:00:00");
  EXPECT_EQ(DateTimeToStrSQL(EncodeDate(9999, 12, 31) + EncodeTime(12, 0, 0, 0)),
            "9999/12/31 12:00:00");
  // Before the origin the time of day still counts forward from midnight.
  EXPECT_EQ(DateTimeToStrSQL(-1.25), "1899/12/29 06:00:00");
  EXPECT_EQ(DateTimeToStrSQL(EncodeTime(8, 30, 0, 0)), "1899/12/30 08:30:00");
}

TEST(DateTimeToStrSQL, AValueOutsideTheCalendarIsRecordedAndGivesTheEmptyText) {
  TempPrefix prefix;
  EXPECT_EQ(DateTimeToStrSQL(EncodeDate(9999, 12, 31) + 1), "");
  EXPECT_EQ(DateTimeToStrSQL(std::nan("")), "");
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].at("Operation"), "DateTimeToStrSQL");
  EXPECT_EQ(records[0].at("SenderName"), "TApplication");
  EXPECT_EQ(records[1].at("Operation"), "DateTimeToStrSQL");
}

// The literals come out the same under a locale whose decimal separator is a comma and
// whose date separator is a full stop, both in the C library and in the program's own
// format settings.
TEST(Literals, ACommaLocaleChangesNothing) {
  const auto build = [] {
    std::string batch;
    InsertSQL("TemePoz",
              {"Znesek", TCurrency{12345600}, "Tecaj", 1.0 / 3, "Mali", 0.0000125, "Velik", 1e15,
               "DatZap", TVarRec::DateTime(EncodeDate(2001, 5, 31) + EncodeTime(14, 5, 9, 0))},
              batch);
    return batch + FloatToStrSQL(-0.5) + " " + FloatToStrSQL(1234567.25) + " " +
           DateTimeToStrSQL(EncodeDate(2024, 2, 29));
  };
  const std::string expected =
      "INSERT INTO TemePoz(Znesek,Tecaj,Mali,Velik,DatZap) VALUES "
      "(1234.56,0.333333333333333,1.25E-5,1E15,'2001/05/31 14:05:09'); "
      "-0.5 1234567.25 2024/02/29 00:00:00";
  ASSERT_EQ(build(), expected);

  const FormatSettings saved = CurrentFormatSettings();
  ASSERT_NE(std::setlocale(LC_ALL, "sl_SI.UTF-8"), nullptr)
      << "locale sl_SI.UTF-8 is not installed";
  SetFormatSettings(FormatSettingsFromLocale("sl_SI.UTF-8"));
  // The locale is really in force: the C library and the settings use a comma.
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.1f", 1.5);
  EXPECT_STREQ(buf, "1,5");
  EXPECT_EQ(CurrentFormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(CurrentFormatSettings().DateSeparator, '.');

  const std::string underSlovenian = build();
  std::setlocale(LC_ALL, "C");
  SetFormatSettings(saved);
  EXPECT_EQ(underSlovenian, expected);
}
