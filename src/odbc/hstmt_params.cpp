// Parameters of the statement: names of the :name tokens, description, binding, and the
// lengths of data-at-execution parameters.
#include <algorithm>

#include "odbc/hstmt.h"

namespace prenos {
namespace {

// The indicator of a data-at-execution parameter whose length is still to be set.
constexpr SQLLEN kDataAtExec = SQL_LEN_DATA_AT_EXEC(0);

bool IsDataAtExec(SQLLEN indicator) { return indicator <= kDataAtExec; }

TParamRec* FindParam(std::list<TParamRec>& params, int number) {
  auto p = std::find_if(params.begin(), params.end(),
                        [&](const TParamRec& r) { return r.Number == number; });
  return p == params.end() ? nullptr : &*p;
}

}  // namespace

std::vector<std::string> THstmt::ParamNames() {
  ParseParamTokens(sql_, paramNames_);
  return paramNames_;
}

int THstmt::ParamByName(const std::string& name) {
  // Before any parse (a text just set) the names come from the text as it stands.
  if (paramNames_.empty()) ParseParamTokens(sql_, paramNames_);
  const int i = IndexOfText(name, paramNames_);
  if (i < 0) throw EQuarnel("Token " + UpperCase(name) + " not found in SQL statement.");
  return i + 1;
}

void THstmt::SetParamType(SQLSMALLINT type) {
  if (type == SQL_PARAM_INPUT || type == SQL_PARAM_INPUT_OUTPUT || type == SQL_PARAM_OUTPUT)
    paramType_ = type;
}

TParamDescription THstmt::DescribeParam(int number, SQLSMALLINT& sqlType, bool useTable) {
  Init();
  if (!useTable) {
    SQLSMALLINT type = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    retCode_ = SQLDescribeParam(hstmt_, static_cast<SQLUSMALLINT>(number), &type, &size, &digits,
                                &nullable);
    if (TODBCError::IsSuccess(retCode_)) {
      sqlType = type;
      return {size, digits, nullable};
    }
  }
  TDriverRec* d = hdbc_->FindDriver(hdbc_->DriverKey());
  if (!d) d = hdbc_->FindDriver("Default");
  TParamDescription r;
  if (!d) return r;
  switch (sqlType) {
    case SQL_CHAR: r.ColumnSize = d->CharSize; break;
    case SQL_VARCHAR: r.ColumnSize = d->VarcharSize; break;
    case SQL_LONGVARCHAR: r.ColumnSize = d->LongVarcharSize; break;
    case SQL_BINARY: r.ColumnSize = d->BinarySize; break;
    case SQL_VARBINARY: r.ColumnSize = d->VarbinarySize; break;
    case SQL_LONGVARBINARY: r.ColumnSize = d->LongVarbinarySize; break;
    case SQL_DECIMAL:
      r.ColumnSize = d->DecimalSize;
      r.DecimalDigits = d->DecimalDigits;
      break;
    case SQL_NUMERIC:
      r.ColumnSize = d->NumericSize;
      r.DecimalDigits = d->NumericDigits;
      break;
    case SQL_TYPE_TIMESTAMP:
      r.ColumnSize = d->TimestampSize;
      r.DecimalDigits = d->TimestampDigits;
      break;
    default: break;
  }
  return r;
}

void THstmt::BindParamMain(int number, SQLSMALLINT bufferType, SQLULEN arraySize,
                           SQLSMALLINT nullable, SQLSMALLINT decimalDigits, SQLULEN columnSize,
                           SQLSMALLINT sqlType, void* value) {
  Init();
  // The chosen parameter type serves this one bind; the next is an input again.
  const SQLSMALLINT paramType = paramType_;
  paramType_ = SQL_PARAM_INPUT;
  const bool array = arraySize > 1;
  const SQLULEN elements = std::max<SQLULEN>(arraySize, 1);

  SQLLEN length = 0, indicator = 0;
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
      length = array ? 256 : static_cast<SQLLEN>(columnSize) + 1;
      indicator = SQL_NTS;
      break;
    case SQL_BINARY:
    case SQL_VARBINARY: length = array ? 256 : static_cast<SQLLEN>(columnSize); break;
    case SQL_LONGVARCHAR:
    case SQL_LONGVARBINARY: {
      if (array) throw EQuarnel("Cannot insert bulk blobs.");
      length = 2147483647;
      const bool byParts = blobPlacement_ == TBlobPlacement::bpByParts ||
                           (blobPlacement_ == TBlobPlacement::bpDetect &&
                            hdbc_->GetInfoString(SQL_NEED_LONG_DATA_LEN).starts_with("Y"));
      indicator = byParts ? kDataAtExec : 0;
      break;
    }
    default: break;
  }
  const bool atExec = indicator == kDataAtExec && value;
  if (!value) indicator = SQL_NULL_DATA;

  // The driver keeps the address of the indicators: a record changes only once the
  // driver has taken the new binding, so a refused bind leaves the old one intact.
  TParamRec* p = FindParam(params_, number);
  std::vector<SQLLEN> fresh;
  SQLLEN* indicators = nullptr;
  if (p && p->Indicators.size() == elements) {
    std::fill(p->Indicators.begin(), p->Indicators.end(), indicator);
    indicators = p->Indicators.data();
  } else {
    fresh.assign(elements, indicator);
    indicators = fresh.data();
  }
  Check(SQLBindParameter(hstmt_, static_cast<SQLUSMALLINT>(number), paramType, bufferType, sqlType,
                         columnSize, decimalDigits, value, length, indicators));
  if (!p) {
    p = &params_.emplace_front();
    p->Number = static_cast<SQLUSMALLINT>(number);
  }
  if (!fresh.empty()) p->Indicators = std::move(fresh);  // the buffer moves with its address
  p->Value = value;
  p->BufferType = bufferType;
  p->SQLType = sqlType;
  p->ArraySize = elements;
  p->ColumnSize = columnSize;
  p->DecimalDigits = decimalDigits;
  p->Nullable = nullable;
  p->AtExec = atExec;
  maxParamArray_ = std::max(maxParamArray_, elements);

  if (bindByName_ && number >= 1 && static_cast<size_t>(number) <= paramNames_.size()) {
    if (!ipd_) Check(SQLGetStmtAttr(hstmt_, SQL_ATTR_IMP_PARAM_DESC, &ipd_, sizeof ipd_, nullptr));
    // Drivers without descriptor support refuse these; the parameter stays bound by number.
    std::string name = paramNames_[static_cast<size_t>(number) - 1];
    SQLSetDescField(ipd_, static_cast<SQLSMALLINT>(number), SQL_DESC_NAME, name.data(), SQL_NTS);
    SQLSetDescField(ipd_, static_cast<SQLSMALLINT>(number), SQL_DESC_UNNAMED,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(SQL_NAMED)), 0);
  }
}

void THstmt::BindParam(int number, SQLSMALLINT bufferType, SQLSMALLINT sqlType, void* value) {
  Init();
  const bool useTable = hdbc_->DescribeParamUnsupported() || !prepared_ || bindByName_;
  const TParamDescription d = DescribeParam(number, sqlType, useTable);
  BindParamMain(number, bufferType, 0, d.Nullable, d.DecimalDigits, d.ColumnSize, sqlType, value);
}

void THstmt::BindParamStream(int number, TBlobStream& stream, bool binary) {
  BindParam(number, binary ? SQL_C_BINARY : SQL_C_CHAR,
            binary ? SQL_LONGVARBINARY : SQL_LONGVARCHAR, stream.data());
  SetParamSize(number, stream.empty() ? SQL_NULL_DATA : static_cast<SQLLEN>(stream.size()));
}

SQLLEN THstmt::GetParamSize(int number) {
  const TParamRec* p = FindParam(params_, number);
  if (!p) return 0;
  const SQLLEN indicator = p->Indicators[0];
  return IsDataAtExec(indicator) ? -indicator + kDataAtExec : indicator;
}

// A parameter bound to go at execution stays so after a NULL: a driver may not read a
// value inline from a parameter it was given in parts before (sqliteodbc then sends NULL).
void THstmt::SetParamSize(int number, SQLLEN size) {
  TParamRec* p = FindParam(params_, number);
  if (!p) return;
  p->Indicators[0] = p->AtExec && size >= 0 ? SQL_LEN_DATA_AT_EXEC(size) : size;
}

}  // namespace prenos
