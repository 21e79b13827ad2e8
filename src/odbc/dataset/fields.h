// Field definitions and fields of the data-set framework: what a data set's columns are,
// and the typed access to the current record's values through a data set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "odbc/variant.h"
#include "platform/datetime.h"

namespace prenos::db {

class TDataSet;

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftBlob,
  ftMemo,
  ftLargeint
};

// A data field reads a column of the record; a calculated one is computed by the data
// set's OnCalcFields into the record's calculated-fields area.
enum class TFieldKind { fkData, fkCalculated };

// The value layout a data set exchanges with its fields (GetFieldData / SetFieldData):
// ftString zero-terminated characters (Size + 1 bytes); ftSmallint int16; ftWord uint16;
// ftBoolean uint16 (0 or 1); ftInteger int32; ftLargeint int64; ftFloat and ftCurrency
// double; ftDate int32 day number (1 January of year 1 is day 1); ftTime int32
// milliseconds since midnight; ftDateTime double, day number * 86400000 + milliseconds;
// ftBytes Size raw bytes. Memo and blob values go through CreateBlobStream.
int FieldDataSize(TFieldType type, int size);
bool IsBlobType(TFieldType type);
int32_t DateTimeToDays(TDateTime v);
TDateTime DaysToDateTime(int32_t days);
int32_t DateTimeToMSecs(TDateTime v);  // the time of day only
TDateTime MSecsToTime(int32_t msecs);
double DateTimeToStamp(TDateTime v);
TDateTime StampToDateTime(double stamp);

// One column as the data set describes it; FieldNo counts from 1 in column order.
struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  int Size = 0;
  int Precision = 0;
  int FieldNo = 0;
};

class TFieldDefs {
 public:
  void Clear() { defs_.clear(); }
  // Appends a definition numbered after the last one.
  TFieldDef& Add(std::string name, TFieldType type, int size = 0, int precision = 0);
  int Count() const { return static_cast<int>(defs_.size()); }
  const TFieldDef& operator[](int i) const { return defs_.at(static_cast<size_t>(i)); }
  // By name without regard to letter case; nullptr when there is none.
  const TFieldDef* Find(const std::string& name) const;

 private:
  std::vector<TFieldDef> defs_;
};

// A field of a data set. It holds no value: every read and write goes to the data set's
// current record (or to the buffer its state selects).
class TField {
 public:
  TField(TDataSet& dataSet, std::string name, TFieldType type, int size, TFieldKind kind);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  TDataSet& DataSet() const { return *dataSet_; }
  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  TFieldKind FieldKind() const { return kind_; }
  bool Calculated() const { return kind_ == TFieldKind::fkCalculated; }
  int Size() const { return size_; }
  int Precision() const { return precision_; }
  // The column number of a bound data field (from 1); 0 for calculated fields.
  int FieldNo() const { return fieldNo_; }
  // Position among the data set's fields, from 0.
  int Index() const { return index_; }
  // Offset of a calculated field within the calculated-fields area.
  int Offset() const { return offset_; }
  int DataSize() const { return FieldDataSize(type_, size_); }
  bool IsBlob() const { return IsBlobType(type_); }

  // The title of a grid column: the field name until set.
  const std::string& DisplayLabel() const { return label_.empty() ? name_ : label_; }
  void SetDisplayLabel(std::string label) { label_ = std::move(label); }
  // Width in characters of a grid column (the text size for text fields).
  int DisplayWidth() const { return width_; }
  void SetDisplayWidth(int width) { width_ = width; }
  bool Visible = true;
  bool ReadOnly = false;

  // Typed access to the value. Reading a NULL gives "", 0, false or 0.0; reading a type
  // that does not convert raises EConvertError. Setting needs the data set in an editing
  // state; a text that does not convert raises EConvertError, the empty text sets NULL
  // for every type but text.
  bool IsNull() const;
  std::string AsString() const;
  std::string DisplayText() const { return AsString(); }
  int32_t AsInteger() const;
  int64_t AsLargeInt() const;
  bool AsBoolean() const;
  double AsFloat() const;
  double AsCurrency() const { return AsFloat(); }
  TDateTime AsDateTime() const;
  TVariant AsVariant() const;

  void SetAsString(const std::string& value);
  void SetAsInteger(int32_t value) { SetAsLargeInt(value); }
  void SetAsLargeInt(int64_t value);
  void SetAsBoolean(bool value);
  void SetAsFloat(double value);
  void SetAsCurrency(double value) { SetAsFloat(value); }
  void SetAsDateTime(TDateTime value);
  void SetAsVariant(const TVariant& value);
  void Clear();

  // The value in the data set's layout (above); false when it is NULL. buffer may be
  // nullptr for the null test alone.
  bool GetData(void* buffer) const;
  // nullptr sets NULL.
  void SetData(const void* buffer);

  // Called with the field before a new value is stored; raise to refuse it.
  std::function<void(TField&)> OnValidate;
  // Called after a new value was stored.
  std::function<void(TField&)> OnChange;

 private:
  friend class TDataSet;
  std::vector<char> Raw(bool& present) const;
  void SetFromNumber(double v, int64_t i, bool integral);

  TDataSet* dataSet_;
  std::string name_;
  TFieldType type_;
  int size_;
  int precision_ = 0;
  TFieldKind kind_;
  int fieldNo_ = 0;
  int index_ = 0;
  int offset_ = 0;
  std::string label_;
  int width_;
};

}  // namespace prenos::db
