// A loosely typed value of the data-set framework: the key values handed to Locate and
// Lookup, the values Lookup answers, and a field's value read as one piece.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/datetime.h"

namespace prenos::db {

class TVariant {
 public:
  enum class TKind { Null, Boolean, Integer, Float, DateTime, Text, Array };

  TVariant() = default;  // NULL
  TVariant(bool v) : v_(v) {}
  TVariant(int v) : v_(static_cast<int64_t>(v)) {}
  TVariant(int64_t v) : v_(v) {}
  TVariant(double v) : v_(v) {}
  TVariant(const char* v) : v_(std::string(v)) {}
  TVariant(std::string v) : v_(std::move(v)) {}
  static TVariant FromDateTime(TDateTime v);
  // One value holding several (Locate's key values, Lookup's result for several fields).
  static TVariant Array(std::vector<TVariant> elements);

  TKind Kind() const { return static_cast<TKind>(v_.index()); }
  bool IsNull() const { return Kind() == TKind::Null; }
  bool IsArray() const { return Kind() == TKind::Array; }
  // The elements of an array; a value that is no array has none.
  const std::vector<TVariant>& Elements() const;

  // Conversions. NULL reads as the empty text, 0, false and 0.0. A text that is not a
  // value of the asked type, an array, or an integer out of 32-bit range raises
  // EConvertError.
  std::string AsString() const;
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;

  bool operator==(const TVariant& other) const { return v_ == other.v_; }

 private:
  struct DateTimeValue {
    TDateTime value;
    bool operator==(const DateTimeValue& o) const { return value == o.value; }
  };
  std::variant<std::monostate, bool, int64_t, double, DateTimeValue, std::string,
               std::vector<TVariant>>
      v_;
};

// Texts of numbers and date-times as the framework shows them: shortest round-trip form
// up to 15 significant digits with the locale's decimal separator; dates in the locale's
// order and separator (day and month in two digits, four-digit year), times as hh:mm:ss.
std::string FloatToText(double v);
std::string DateToText(TDateTime v);
std::string TimeToText(TDateTime v);
// Date and time; the time is left out at midnight.
std::string DateTimeToText(TDateTime v);
// Reads a date, a date with time, or an ISO date (yyyy-mm-dd[ hh:mm[:ss]]); false when the
// text is none of them.
bool TryTextToDateTime(const std::string& text, TDateTime& out);
bool TryTextToTime(const std::string& text, TDateTime& out);

}  // namespace prenos::db
