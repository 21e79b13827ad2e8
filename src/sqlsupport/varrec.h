// The tagged value of a name/value list, and the list itself: column names at even
// positions, their values at odd positions, as InsertSQL takes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"

namespace prenos {

// A fixed-point amount with four decimal places: a count of ten-thousandths.
struct TCurrency {
  int64_t Value = 0;
  double ToDouble() const { return static_cast<double>(Value) / 10000.0; }
};

// One value with its kind. Texts, 32-bit integers, doubles and currency amounts convert
// implicitly, so a list reads {"Naziv", naziv, "Znesek", TCurrency{z}}; the other kinds
// are made with the named constructors (a date-time is a double and must be named).
class TVarRec {
 public:
  enum class TKind {
    SmallInt,
    Integer,
    Single,
    Double,
    Currency,
    String,
    DateTime,
    Empty,
    Null,
    Boolean,
    Byte
  };

  TVarRec() = default;  // Empty
  TVarRec(const char* text) : kind_(TKind::String), text_(text ? text : "") {}
  TVarRec(std::string text) : kind_(TKind::String), text_(std::move(text)) {}
  TVarRec(int32_t value) : kind_(TKind::Integer), int_(value) {}
  TVarRec(double value) : kind_(TKind::Double), real_(value) {}
  TVarRec(TCurrency value) : kind_(TKind::Currency), int_(value.Value) {}
  TVarRec(bool) = delete;  // a boolean must be asked for by name: Boolean(b)

  static TVarRec SmallInt(int16_t value) { return TVarRec(TKind::SmallInt, value, 0); }
  static TVarRec Single(float value) { return TVarRec(TKind::Single, 0, value); }
  static TVarRec DateTime(TDateTime value) { return TVarRec(TKind::DateTime, 0, value); }
  static TVarRec Empty() { return TVarRec(); }
  static TVarRec Null() { return TVarRec(TKind::Null, 0, 0); }
  static TVarRec Boolean(bool value) { return TVarRec(TKind::Boolean, value ? 1 : 0, 0); }
  static TVarRec Byte(uint8_t value) { return TVarRec(TKind::Byte, value, 0); }

  TKind Kind() const { return kind_; }
  // SmallInt, Integer, Boolean, Byte: the number; Currency: the ten-thousandths.
  int64_t IntValue() const { return int_; }
  // Single, Double, DateTime: the number; Currency: the amount.
  double FloatValue() const {
    return kind_ == TKind::Currency ? TCurrency{int_}.ToDouble() : real_;
  }
  const std::string& Text() const { return text_; }

 private:
  TVarRec(TKind kind, int64_t i, double r) : kind_(kind), int_(i), real_(r) {}

  TKind kind_ = TKind::Empty;
  int64_t int_ = 0;
  double real_ = 0;
  std::string text_;
};

using TNameValueList = std::vector<TVarRec>;

}  // namespace prenos
