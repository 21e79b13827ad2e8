// Field definitions and the typed access of fields to their data set's records.
#include "odbc/dataset/fields.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>

#include "odbc/dataset/dataset.h"
#include "platform/convert.h"
#include "platform/exceptions.h"
#include "platform/text_case.h"

namespace prenos::db {
namespace {

constexpr double kMSecsPerDay = 86400000.0;

int DefaultWidth(TFieldType type, int size) {
  switch (type) {
    case TFieldType::ftString: return size;
    case TFieldType::ftSmallint: return 6;
    case TFieldType::ftWord: return 5;
    case TFieldType::ftInteger: return 11;
    case TFieldType::ftLargeint: return 15;
    case TFieldType::ftBoolean: return 5;
    case TFieldType::ftDate: return 10;
    case TFieldType::ftTime: return 8;
    case TFieldType::ftDateTime: return 19;
    default: return 10;
  }
}

template <typename T>
T Load(const std::vector<char>& raw) {
  T v{};
  std::memcpy(&v, raw.data(), sizeof v);
  return v;
}

[[noreturn]] void Mismatch(const TField& f, const char* to) {
  throw EConvertError("Field '" + f.FieldName() + "' cannot be read as " + to);
}

}  // namespace

int FieldDataSize(TFieldType type, int size) {
  switch (type) {
    case TFieldType::ftString: return size + 1;
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean: return 2;
    case TFieldType::ftInteger:
    case TFieldType::ftDate:
    case TFieldType::ftTime: return 4;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftDateTime:
    case TFieldType::ftLargeint: return 8;
    case TFieldType::ftBytes: return size;
    default: return 0;
  }
}

bool IsBlobType(TFieldType type) {
  return type == TFieldType::ftBlob || type == TFieldType::ftMemo;
}

int32_t DateTimeToDays(TDateTime v) { return static_cast<int32_t>(std::trunc(v)) + kDateDelta; }
TDateTime DaysToDateTime(int32_t days) { return static_cast<double>(days - kDateDelta); }

int32_t DateTimeToMSecs(TDateTime v) {
  return static_cast<int32_t>(std::llround(std::fabs(v - std::trunc(v)) * kMSecsPerDay));
}
TDateTime MSecsToTime(int32_t msecs) { return msecs / kMSecsPerDay; }

double DateTimeToStamp(TDateTime v) {
  return static_cast<double>(DateTimeToDays(v)) * kMSecsPerDay + DateTimeToMSecs(v);
}

TDateTime StampToDateTime(double stamp) {
  const double days = std::floor(stamp / kMSecsPerDay);
  const double msecs = stamp - days * kMSecsPerDay;
  const double date = days - kDateDelta;
  // Before 1899-12-30 the time of day counts away from zero, as the date-time value does.
  return date < 0 ? date - msecs / kMSecsPerDay : date + msecs / kMSecsPerDay;
}

// --- TFieldDefs ---------------------------------------------------------------------

TFieldDef& TFieldDefs::Add(std::string name, TFieldType type, int size, int precision) {
  TFieldDef def;
  def.Name = std::move(name);
  def.DataType = type;
  def.Size = size;
  def.Precision = precision;
  def.FieldNo = Count() + 1;
  defs_.push_back(std::move(def));
  return defs_.back();
}

const TFieldDef* TFieldDefs::Find(const std::string& name) const {
  for (const TFieldDef& d : defs_)
    if (SameText(d.Name, name)) return &d;
  return nullptr;
}

// --- TField -------------------------------------------------------------------------

TField::TField(TDataSet& dataSet, std::string name, TFieldType type, int size, TFieldKind kind)
    : dataSet_(&dataSet),
      name_(std::move(name)),
      type_(type),
      size_(size),
      kind_(kind),
      width_(DefaultWidth(type, size)) {}

bool TField::GetData(void* buffer) const { return dataSet_->GetFieldData(*this, buffer); }

void TField::SetData(const void* buffer) {
  if (OnValidate) OnValidate(*this);
  dataSet_->SetFieldData(*this, buffer);
  if (OnChange) OnChange(*this);
}

std::vector<char> TField::Raw(bool& present) const {
  std::vector<char> raw(static_cast<size_t>(DataSize()) + 1, '\0');
  present = GetData(raw.data());
  return raw;
}

bool TField::IsNull() const { return !GetData(nullptr); }

std::string TField::AsString() const {
  if (IsBlob())
    return dataSet_->CreateBlobStream(const_cast<TField&>(*this), TBlobStreamMode::bmRead)
        ->ReadAll();
  bool present = false;
  const std::vector<char> raw = Raw(present);
  if (!present) return {};
  switch (type_) {
    case TFieldType::ftString: return std::string(raw.data());
    case TFieldType::ftBytes: return std::string(raw.data(), static_cast<size_t>(size_));
    case TFieldType::ftSmallint: return std::to_string(Load<int16_t>(raw));
    case TFieldType::ftWord: return std::to_string(Load<uint16_t>(raw));
    case TFieldType::ftBoolean: return Load<uint16_t>(raw) ? "True" : "False";
    case TFieldType::ftInteger: return std::to_string(Load<int32_t>(raw));
    case TFieldType::ftLargeint: return std::to_string(Load<int64_t>(raw));
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: return FloatToText(Load<double>(raw));
    case TFieldType::ftDate: return DateToText(DaysToDateTime(Load<int32_t>(raw)));
    case TFieldType::ftTime: return TimeToText(MSecsToTime(Load<int32_t>(raw)));
    case TFieldType::ftDateTime: return DateTimeToText(StampToDateTime(Load<double>(raw)));
    default: return {};
  }
}

TVariant TField::AsVariant() const {
  if (IsBlob()) return IsNull() ? TVariant() : TVariant(AsString());
  bool present = false;
  const std::vector<char> raw = Raw(present);
  if (!present) return {};
  switch (type_) {
    case TFieldType::ftString: return TVariant(std::string(raw.data()));
    case TFieldType::ftBytes: return TVariant(std::string(raw.data(), static_cast<size_t>(size_)));
    case TFieldType::ftSmallint: return TVariant(static_cast<int64_t>(Load<int16_t>(raw)));
    case TFieldType::ftWord: return TVariant(static_cast<int64_t>(Load<uint16_t>(raw)));
    case TFieldType::ftBoolean: return TVariant(Load<uint16_t>(raw) != 0);
    case TFieldType::ftInteger: return TVariant(static_cast<int64_t>(Load<int32_t>(raw)));
    case TFieldType::ftLargeint: return TVariant(Load<int64_t>(raw));
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: return TVariant(Load<double>(raw));
    case TFieldType::ftDate: return TVariant::FromDateTime(DaysToDateTime(Load<int32_t>(raw)));
    case TFieldType::ftTime: return TVariant::FromDateTime(MSecsToTime(Load<int32_t>(raw)));
    case TFieldType::ftDateTime: return TVariant::FromDateTime(StampToDateTime(Load<double>(raw)));
    default: return {};
  }
}

int64_t TField::AsLargeInt() const {
  switch (type_) {
    case TFieldType::ftString:
    case TFieldType::ftMemo: {
      const std::string s = Trim(AsString());
      if (s.empty()) return 0;
      return StrToInt64(s);
    }
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: return AsVariant().AsInt64();
    default: Mismatch(*this, "Integer");
  }
}

int32_t TField::AsInteger() const {
  const int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX)
    throw EConvertError("Field '" + name_ + "' is out of Integer range");
  return static_cast<int32_t>(v);
}

bool TField::AsBoolean() const {
  switch (type_) {
    case TFieldType::ftString:
    case TFieldType::ftMemo: {
      const std::string s = Trim(AsString());
      return s.empty() ? false : TVariant(s).AsBoolean();
    }
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
    case TFieldType::ftBytes:
    case TFieldType::ftBlob:
    case TFieldType::ftUnknown: Mismatch(*this, "Boolean");
    default: return AsVariant().AsBoolean();
  }
}

double TField::AsFloat() const {
  switch (type_) {
    case TFieldType::ftString:
    case TFieldType::ftMemo: {
      const std::string s = AsString();
      return Trim(s).empty() ? 0.0 : StrToFloat(s);
    }
    case TFieldType::ftBytes:
    case TFieldType::ftBlob:
    case TFieldType::ftUnknown: Mismatch(*this, "Float");
    default: return AsVariant().AsFloat();
  }
}

TDateTime TField::AsDateTime() const {
  switch (type_) {
    case TFieldType::ftString:
    case TFieldType::ftMemo: {
      const std::string s = AsString();
      if (Trim(s).empty()) return 0;
      return TVariant(s).AsDateTime();
    }
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: return AsVariant().AsFloat();
    default: Mismatch(*this, "DateTime");
  }
}

void TField::Clear() { SetData(nullptr); }

void TField::SetAsString(const std::string& value) {
  switch (type_) {
    case TFieldType::ftString: {
      std::vector<char> raw(static_cast<size_t>(size_) + 1, '\0');
      std::memcpy(raw.data(), value.data(), std::min(value.size(), static_cast<size_t>(size_)));
      return SetData(raw.data());
    }
    case TFieldType::ftBytes: {
      std::vector<char> raw(static_cast<size_t>(size_), '\0');
      std::memcpy(raw.data(), value.data(), std::min(value.size(), raw.size()));
      return SetData(raw.data());
    }
    case TFieldType::ftMemo:
    case TFieldType::ftBlob: {
      auto stream = dataSet_->CreateBlobStream(*this, TBlobStreamMode::bmWrite);
      stream->WriteText(value);
      return;
    }
    default: break;
  }
  if (Trim(value).empty()) return Clear();
  switch (type_) {
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint: return SetAsLargeInt(StrToInt64(Trim(value)));
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: return SetAsFloat(StrToFloat(value));
    case TFieldType::ftBoolean: return SetAsBoolean(TVariant(value).AsBoolean());
    case TFieldType::ftTime: {
      TDateTime t = 0;
      if (!TryTextToTime(value, t)) throw EConvertError("'" + value + "' is not a valid time");
      return SetAsDateTime(t);
    }
    case TFieldType::ftDate:
    case TFieldType::ftDateTime: {
      TDateTime d = 0;
      if (!TryTextToDateTime(value, d))
        throw EConvertError("'" + value + "' is not a valid date and time");
      return SetAsDateTime(d);
    }
    default: throw EConvertError("Field '" + name_ + "' cannot be set from a text");
  }
}

void TField::SetFromNumber(double v, int64_t i, bool integral) {
  auto range = [&](int64_t lo, int64_t hi) {
    if (i < lo || i > hi)
      throw EConvertError(std::to_string(i) + " is not a valid value for field '" + name_ + "'");
  };
  if (!integral) i = RoundHalfEven(v);
  switch (type_) {
    case TFieldType::ftSmallint: {
      range(INT16_MIN, INT16_MAX);
      const int16_t x = static_cast<int16_t>(i);
      return SetData(&x);
    }
    case TFieldType::ftWord: {
      range(0, UINT16_MAX);
      const uint16_t x = static_cast<uint16_t>(i);
      return SetData(&x);
    }
    case TFieldType::ftInteger: {
      range(INT32_MIN, INT32_MAX);
      const int32_t x = static_cast<int32_t>(i);
      return SetData(&x);
    }
    case TFieldType::ftLargeint: return SetData(&i);
    case TFieldType::ftBoolean: {
      const uint16_t x = (integral ? i != 0 : v != 0) ? 1 : 0;
      return SetData(&x);
    }
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: {
      const double x = integral ? static_cast<double>(i) : v;
      return SetData(&x);
    }
    case TFieldType::ftString:
    case TFieldType::ftMemo: return SetAsString(integral ? std::to_string(i) : FloatToText(v));
    default: throw EConvertError("Field '" + name_ + "' cannot be set from a number");
  }
}

void TField::SetAsLargeInt(int64_t value) {
  SetFromNumber(static_cast<double>(value), value, true);
}

void TField::SetAsBoolean(bool value) {
  if (type_ == TFieldType::ftString || type_ == TFieldType::ftMemo)
    return SetAsString(value ? "True" : "False");
  SetFromNumber(value ? 1 : 0, value ? 1 : 0, true);
}

void TField::SetAsFloat(double value) { SetFromNumber(value, 0, false); }

void TField::SetAsDateTime(TDateTime value) {
  switch (type_) {
    case TFieldType::ftDate: {
      const int32_t x = DateTimeToDays(value);
      return SetData(&x);
    }
    case TFieldType::ftTime: {
      const int32_t x = DateTimeToMSecs(value);
      return SetData(&x);
    }
    case TFieldType::ftDateTime: {
      const double x = DateTimeToStamp(value);
      return SetData(&x);
    }
    case TFieldType::ftString:
    case TFieldType::ftMemo: return SetAsString(DateTimeToText(value));
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: return SetAsFloat(value);
    default: throw EConvertError("Field '" + name_ + "' cannot be set from a date-time");
  }
}

void TField::SetAsVariant(const TVariant& value) {
  switch (value.Kind()) {
    case TVariant::TKind::Null: return Clear();
    case TVariant::TKind::Boolean: return SetAsBoolean(value.AsBoolean());
    case TVariant::TKind::Integer: return SetAsLargeInt(value.AsInt64());
    case TVariant::TKind::Float: return SetAsFloat(value.AsFloat());
    case TVariant::TKind::DateTime: return SetAsDateTime(value.AsFloat());
    case TVariant::TKind::Text: return SetAsString(value.AsString());
    case TVariant::TKind::Array: break;
  }
  throw EConvertError("An array cannot be stored in field '" + name_ + "'");
}

}  // namespace prenos::db
