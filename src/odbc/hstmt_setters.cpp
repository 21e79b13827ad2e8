// Setters of the result cells, which a data set uses to change a row before writing it
// back, and the row flags that mark rows for an edit.
#include <cstdio>
#include <cstring>

#include "odbc/hstmt.h"

namespace prenos {
namespace {

// Stores a text into a cell by its buffer type. A text that does not convert raises, and
// the cell keeps its value, so that a bad value never reaches the database in disguise.
void StoreText(TColRec& c, int row, const std::string& text, TStringTrimming trimming) {
  SQLLEN& indicator = c.Indicators[static_cast<size_t>(row) - 1];
  if (c.IsLong) {
    c.Stream = TrimByMode(text, trimming);
    indicator = static_cast<SQLLEN>(c.Stream.size());
    c.Read = true;  // the set value stands; the driver's is not read over it
    return;
  }
  // A column of a type the statement holds no buffer for is never written back.
  if (c.Buffer.empty()) return;
  SQLLEN length = 0;
  if (!TextToBuffer(text, c.Cell(row), c.BufferType, trimming, c.ElementSize, length))
    throw EQuarnel("Value " + text + " cannot be stored in column " + c.Name + ".");
  indicator = length;
}

template <typename T>
void StoreBinary(TColRec& c, int row, T value) {
  std::memcpy(c.Cell(row), &value, sizeof value);
  c.Indicators[static_cast<size_t>(row) - 1] = sizeof value;
}

std::string Format(const char* format, int a, int b, int c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, a, b, c);
  return buf;
}

}  // namespace

void THstmt::SetColString(int col, int row, const std::string& value) {
  TColRec* c = Column(col, row);
  if (!c) return;
  const bool toNull = value.empty() &&
                      (emptyToNull_ == TEmptyToNull::enAlways ||
                       (emptyToNull_ == TEmptyToNull::enIfNullable && c->Nullable == SQL_NULLABLE));
  if (toNull) {
    SetColNull(col, row, true);
    return;
  }
  StoreText(*c, row, value, trimming_);
}

void THstmt::SetColDouble(int col, int row, double value) {
  TColRec* c = Column(col, row);
  if (!c || c->IsLong) return;
  // Floating cells take the value itself: its text form keeps only 15 digits.
  if (c->BufferType == SQL_C_DOUBLE)
    StoreBinary(*c, row, value);
  else if (c->BufferType == SQL_C_FLOAT)
    StoreBinary(*c, row, static_cast<float>(value));
  else
    StoreText(*c, row, FloatToSciText(value), trimming_);
}

void THstmt::SetColSmallint(int col, int row, int16_t value) { SetColInt64(col, row, value); }

void THstmt::SetColWord(int col, int row, uint16_t value) { SetColInt64(col, row, value); }

void THstmt::SetColInteger(int col, int row, int32_t value) { SetColInt64(col, row, value); }

void THstmt::SetColInt64(int col, int row, int64_t value) {
  TColRec* c = Column(col, row);
  if (!c || c->IsLong) return;
  StoreText(*c, row, std::to_string(value), trimming_);
}

void THstmt::SetColTimestamp(int col, int row, const SQL_TIMESTAMP_STRUCT& value) {
  TColRec* c = Column(col, row);
  if (!c) return;
  const std::string date = Format("%04d-%02d-%02d", value.year, value.month, value.day);
  const std::string time = Format("%02d:%02d:%02d", value.hour, value.minute, value.second);
  std::string text;
  if (c->BufferType == SQL_C_TYPE_DATE) {
    text = date;
  } else if (c->BufferType == SQL_C_TYPE_TIME) {
    text = time;
  } else {
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%09u", static_cast<unsigned>(value.fraction));
    text = date + " " + time + fraction;
  }
  StoreText(*c, row, text, trimming_);
}

void THstmt::SetColStream(int col, int row, const TBlobStream& value) {
  TColRec* c = Column(col, row);
  if (!c || !c->IsLong) return;
  c->Stream = value;
  c->Indicators[static_cast<size_t>(row) - 1] = static_cast<SQLLEN>(value.size());
  c->Read = true;
}

void THstmt::SetColNull(int col, int row, bool flag) {
  TColRec* c = Column(col, row);
  if (!c || !flag) return;
  c->Indicators[static_cast<size_t>(row) - 1] = SQL_NULL_DATA;
  if (c->IsLong) c->Read = true;
}

void THstmt::SetColIgnore(int col, int row, bool flag) {
  TColRec* c = Column(col, row);
  if (!c) return;
  if (flag) c->Indicators[static_cast<size_t>(row) - 1] = SQL_COLUMN_IGNORE;
  c->Ignore = flag;
}

void THstmt::SetColPrimary(int col, bool flag) {
  TColRec* c = Column(col);
  if (c) c->Primary = flag;
}

uint16_t THstmt::RowFlags(int row) const {
  if (row < 1 || row > static_cast<int>(rowOps_.size())) return 0;
  return rowOps_[static_cast<size_t>(row) - 1] & 0x0F;
}

void THstmt::SetRowFlags(int row, uint16_t flags) {
  if (row < 1 || row > static_cast<int>(rowOps_.size())) return;
  SQLUSMALLINT& op = rowOps_[static_cast<size_t>(row) - 1];
  op = static_cast<SQLUSMALLINT>((op & ~0x0F) | (flags & 0x0F));
}

}  // namespace prenos
