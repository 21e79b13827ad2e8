// The statement's results: column binding, fetching, long data, getters, row counts and
// bookmarks.
#include <algorithm>
#include <cstring>

#include "odbc/hstmt.h"

namespace prenos {
namespace {

const char* kBlobMessage =
    "Unable to retrieve blob.  You may have to increase the BlobSize property.";
constexpr SQLLEN kBookmarkRoom = 64;

bool IsIntegerSQLType(SQLSMALLINT t) {
  return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_TINYINT || t == SQL_BIGINT;
}

// Buffer type and element size of a described column; size 0 means no buffer.
void ChooseBuffer(TColRec& c, bool isUnsigned) {
  switch (c.SQLType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
      c.BufferType = SQL_C_CHAR;
      c.ElementSize = static_cast<SQLLEN>(c.ColumnSize) + 1;
      break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      c.BufferType = SQL_C_DOUBLE;
      c.ElementSize = 8;
      break;
    case SQL_REAL:
      c.BufferType = SQL_C_FLOAT;
      c.ElementSize = 4;
      break;
    case SQL_INTEGER:
      c.BufferType = isUnsigned ? SQL_C_ULONG : SQL_C_SLONG;
      c.ElementSize = 4;
      break;
    case SQL_SMALLINT:
      c.BufferType = isUnsigned ? SQL_C_USHORT : SQL_C_SSHORT;
      c.ElementSize = 2;
      break;
    case SQL_TINYINT:
      c.BufferType = isUnsigned ? SQL_C_UTINYINT : SQL_C_STINYINT;
      c.ElementSize = 1;
      break;
    case SQL_BIGINT:
      c.BufferType = isUnsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT;
      c.ElementSize = 8;
      break;
    case SQL_BIT:
      c.BufferType = SQL_C_BIT;
      c.ElementSize = 1;
      break;
    case SQL_TYPE_DATE:
      c.BufferType = SQL_C_TYPE_DATE;
      c.ElementSize = 6;
      break;
    case SQL_TYPE_TIME:
      c.BufferType = SQL_C_TYPE_TIME;
      c.ElementSize = 6;
      break;
    case SQL_TYPE_TIMESTAMP:
      c.BufferType = SQL_C_TYPE_TIMESTAMP;
      c.ElementSize = 16;
      break;
    case SQL_BINARY:
    case SQL_VARBINARY:
      c.BufferType = SQL_C_BINARY;
      c.ElementSize = static_cast<SQLLEN>(c.ColumnSize);
      break;
    case SQL_LONGVARCHAR:
      c.BufferType = SQL_C_CHAR;
      c.IsLong = true;
      break;
    case SQL_LONGVARBINARY:
      c.BufferType = SQL_C_BINARY;
      c.IsLong = true;
      break;
    default:
      c.BufferType = SQL_C_BINARY;
      c.ElementSize = 0;
      break;
  }
}

// A member of a column's record, or `fallback` when there is no such column.
template <class T>
T MemberOr(const TColRec* c, T TColRec::*member, T fallback) {
  return c ? c->*member : fallback;
}

}  // namespace

// ---------------------------------------------------------------- binding

void THstmt::BindCols() {
  if (colsBound_) return;
  Init();
  // The count is a header field of the row descriptor; a driver that refuses column 0
  // in SQLColAttribute (sqliteodbc) still answers SQLNumResultCols.
  SQLLEN count = 0;
  retCode_ = SQLColAttribute(hstmt_, 0, SQL_DESC_COUNT, nullptr, 0, nullptr, &count);
  if (!TODBCError::IsSuccess(retCode_)) {
    SQLSMALLINT n = 0;
    Check(SQLNumResultCols(hstmt_, &n));
    count = n;
  }
  cols_.clear();
  colNames_.clear();
  numCols_ = static_cast<SQLSMALLINT>(count);
  cols_.reserve(numCols_);
  for (SQLUSMALLINT col = 1; col <= static_cast<SQLUSMALLINT>(numCols_); ++col) {
    SQLCHAR name[256] = {0};
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    Check(SQLDescribeCol(hstmt_, col, name, sizeof name, &nameLength, &type, &size, &digits,
                         &nullable));
    switch (type) {
      case SQL_WCHAR: type = SQL_CHAR; break;
      case SQL_WVARCHAR: type = SQL_VARCHAR; break;
      case SQL_WLONGVARCHAR: type = SQL_LONGVARCHAR; break;
      case SQL_GUID: type = SQL_BINARY; break;
      default: break;
    }
    TColRec c;
    c.Name = reinterpret_cast<const char*>(name);
    c.SQLType = type;
    c.ColumnSize = size;
    c.DecimalDigits = digits;
    c.Nullable = nullable;
    c.Indicators.assign(rowSetSize_, 0);
    c.Indicators[0] = SQL_NULL_DATA;
    bool isUnsigned = false;
    if (IsIntegerSQLType(type)) {
      SQLLEN flag = 0;
      Check(SQLColAttribute(hstmt_, col, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &flag));
      isUnsigned = flag != 0;
    }
    ChooseBuffer(c, isUnsigned);
    if (c.IsLong) {
      unboundLongs_ = true;
    } else if (c.ElementSize > 0) {
      c.Buffer.assign(static_cast<size_t>(c.ElementSize) * rowSetSize_, 0);
      Check(SQLBindCol(hstmt_, col, c.BufferType, c.Buffer.data(), c.ElementSize,
                       c.Indicators.data()));
    }
    colNames_.push_back(c.Name);
    cols_.push_back(std::move(c));
  }
  rowStatus_.assign(rowSetSize_, SQL_ROW_NOROW);
  rowStatus_[0] = 0;
  rowOps_.assign(rowSetSize_, 0);
  if (cursorFlags_ & SQL_CA1_BOOKMARK) {
    // A driver that does not describe column 0 (sqliteodbc, whose bookmarks are 8 bytes)
    // gets room for any bookmark; the real length then comes with each bookmark read.
    SQLLEN length = 0, element = std::max<SQLLEN>(bookmarkLength_, kBookmarkRoom);
    if (TODBCError::IsSuccess(
            SQLColAttribute(hstmt_, 0, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &length)) &&
        length > 0)
      bookmarkLength_ = element = length;
    if (bindBookmarks_) {
      bookmarks_.assign(static_cast<size_t>(element) * rowSetSize_, 0);
      bookmarkInd_.assign(rowSetSize_, 0);
      Check(SQLBindCol(hstmt_, 0, SQL_C_VARBOOKMARK, bookmarks_.data(), element,
                       bookmarkInd_.data()));
    }
  }
  if (rowSetSize_ > 1) unboundLongs_ = false;
  SQLSetStmtAttr(hstmt_, SQL_ATTR_ROW_STATUS_PTR, rowStatus_.data(), 0);
  SQLSetStmtAttr(hstmt_, SQL_ATTR_ROWS_FETCHED_PTR, &rowsFetched_, 0);
  colsBound_ = true;
}

SQLSMALLINT THstmt::NumCols() {
  BindCols();
  return numCols_;
}

const std::vector<std::string>& THstmt::ColNames() {
  BindCols();
  return colNames_;
}

int THstmt::ColByName(const std::string& name) {
  BindCols();
  const int i = IndexOfText(name, colNames_);
  if (i < 0) throw EQuarnel("Identifier " + name + " not found in result set.");
  return i + 1;
}

TColRec* THstmt::Column(int col) {
  BindCols();
  return col >= 1 && col <= numCols_ ? &cols_[col - 1] : nullptr;
}

TColRec* THstmt::Column(int col, int row) {
  TColRec* c = Column(col);
  return c && row >= 1 && row <= static_cast<int>(c->Indicators.size()) ? c : nullptr;
}

// ---------------------------------------------------------------- fetching

bool THstmt::Fetch(SQLSMALLINT direction, SQLLEN offset) {
  Init();
  DoBeforeFetch();
  BindCols();
  getDataFree_ = false;
  const SQLRETURN rc = direction == SQL_FETCH_NEXT && hdbc_->CursorLib() == SQL_CUR_USE_DRIVER
                           ? SQLFetch(hstmt_)
                           : SQLFetchScroll(hstmt_, direction, offset);
  retCode_ = rc;
  std::fill(rowOps_.begin(), rowOps_.end(), 0);
  if (rc == SQL_NO_DATA) {
    rowsFetched_ = 0;
    return false;
  }
  Check(rc);
  getDataFree_ = rowSetSize_ == 1;  // reading a long value below clears it again
  if (unboundLongs_) RenewLongColumns();
  DoAfterFetch();
  return true;
}

bool THstmt::FetchBookmark(const std::vector<unsigned char>& bookmark) {
  Init();
  fetchBookmark_ = bookmark;
  fetchBookmark_.resize(std::max<size_t>(bookmark.size(), static_cast<size_t>(bookmarkLength_)));
  Check(SQLSetStmtAttr(hstmt_, SQL_ATTR_FETCH_BOOKMARK_PTR, fetchBookmark_.data(),
                       static_cast<SQLINTEGER>(bookmarkLength_)));
  return Fetch(SQL_FETCH_BOOKMARK, 0);
}

// ---------------------------------------------------------------- long data

SQLLEN THstmt::ReadLongPieces(TColRec& c, int col) {
  const bool chars = c.BufferType == SQL_C_CHAR;
  const SQLLEN terminator = chars ? 1 : 0;
  getDataFree_ = false;
  std::vector<char> buffer(static_cast<size_t>(blobSize_) + 1);
  SQLLEN total = 0;
  SQLRETURN rc = SQLGetData(hstmt_, static_cast<SQLUSMALLINT>(col), c.BufferType, buffer.data(),
                            blobSize_ + terminator, &total);
  Check(rc);
  c.Stream.clear();
  if (total == SQL_NO_TOTAL) throw EQuarnel(kBlobMessage);
  if (total == SQL_NULL_DATA) return SQL_NULL_DATA;
  c.Stream.append(buffer.data(), static_cast<size_t>(std::min<SQLLEN>(total, blobSize_)));
  while (rc == SQL_SUCCESS_WITH_INFO && static_cast<SQLLEN>(c.Stream.size()) < total) {
    const SQLLEN piece = std::min<SQLLEN>(blobSize_, total - static_cast<SQLLEN>(c.Stream.size()));
    SQLLEN remaining = 0;
    rc = SQLGetData(hstmt_, static_cast<SQLUSMALLINT>(col), c.BufferType, buffer.data(),
                    piece + terminator, &remaining);
    if (!TODBCError::IsSuccess(rc)) break;
    const SQLLEN got = remaining >= 0 ? std::min(remaining, piece) : piece;
    c.Stream.append(buffer.data(), static_cast<size_t>(got));
  }
  Check(rc);
  return total;
}

void THstmt::RenewLongColumns() {
  for (int col = 1; col <= numCols_; ++col) {
    TColRec& c = cols_[col - 1];
    if (!c.IsLong) continue;
    c.Read = false;
    if (blobDeferral_)
      c.Indicators[0] = SQL_NULL_DATA;
    else
      ReadLong(col, 1);
  }
}

SQLLEN THstmt::ReadLong(int col, int row) {
  TColRec& c = cols_[col - 1];
  if (rowSetSize_ == 1) {
    if (c.Read) return c.Indicators[0];
    c.Indicators[0] = ReadLongPieces(c, col);
    c.Read = true;
    return c.Indicators[0];
  }
  if (!(cursorFlags_ & SQL_CA1_POS_POSITION)) return c.Indicators[row - 1];
  if (!RowValid(row)) return -1;
  getDataFree_ = false;
  Check(SQLSetPos(hstmt_, static_cast<SQLSETPOSIROW>(row), SQL_POSITION, SQL_LOCK_NO_CHANGE));
  try {
    c.Indicators[row - 1] = ReadLongPieces(c, col);
  } catch (const EODBC& e) {
    if (e.RetCode() != SQL_NO_DATA) throw;
  }
  return c.Indicators[row - 1];
}

// ---------------------------------------------------------------- getters

std::string THstmt::ColString(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c) return {};
  if (c->IsLong) {
    ReadLong(col, row);
    return std::string(c->Stream.c_str());
  }
  if (c->Indicators[row - 1] == SQL_NULL_DATA || c->Buffer.empty()) return {};
  return BufferToText(c->Cell(row), c->BufferType, trimming_);
}

bool THstmt::ColChars(int col, int row, std::string_view& text) {
  TColRec* c = Column(col, row);
  if (!c || c->IsLong || c->BufferType != SQL_C_CHAR || c->Buffer.empty()) return false;
  if (c->Indicators[row - 1] == SQL_NULL_DATA) {
    text = {};
    return true;
  }
  const char* p = static_cast<const char*>(c->Cell(row));
  text = TrimView(std::string_view(p, strnlen(p, static_cast<size_t>(c->ElementSize))), trimming_);
  return true;
}

double THstmt::ColDouble(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c || c->IsLong || c->Buffer.empty() || c->Indicators[row - 1] == SQL_NULL_DATA) return 0;
  return BufferToDouble(c->Cell(row), c->BufferType);
}

int32_t THstmt::ColInteger(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c || c->IsLong || c->Buffer.empty() || c->Indicators[row - 1] == SQL_NULL_DATA) return 0;
  return BufferToInteger(c->Cell(row), c->BufferType);
}

int16_t THstmt::ColSmallint(int col, int row) { return static_cast<int16_t>(ColInteger(col, row)); }

uint16_t THstmt::ColWord(int col, int row) { return static_cast<uint16_t>(ColInteger(col, row)); }

int64_t THstmt::ColInt64(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c || c->IsLong || c->Buffer.empty() || c->Indicators[row - 1] == SQL_NULL_DATA) return 0;
  return BufferToInt64(c->Cell(row), c->BufferType);
}

SQL_TIMESTAMP_STRUCT THstmt::ColTimestamp(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c || c->IsLong || c->Buffer.empty() || c->Indicators[row - 1] == SQL_NULL_DATA)
    return ZeroTimestamp();
  switch (c->BufferType) {
    case SQL_C_TYPE_DATE: {
      SQL_DATE_STRUCT d;
      std::memcpy(&d, c->Cell(row), sizeof d);
      return DateToTimestamp(d);
    }
    case SQL_C_TYPE_TIME: {
      SQL_TIME_STRUCT t;
      std::memcpy(&t, c->Cell(row), sizeof t);
      return TimeToTimestamp(t);
    }
    case SQL_C_TYPE_TIMESTAMP: {
      SQL_TIMESTAMP_STRUCT ts;
      std::memcpy(&ts, c->Cell(row), sizeof ts);
      return ts;
    }
    default: return ZeroTimestamp();
  }
}

TBlobStream* THstmt::ColStream(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c || !c->IsLong) return nullptr;
  ReadLong(col, row);
  return &c->Stream;
}

TBlobStream* THstmt::ColStream(int col) {
  TColRec* c = Column(col, 1);
  if (!c || !c->IsLong) return nullptr;
  if (blobDeferral_) ReadLong(col, 1);
  return &c->Stream;
}

void* THstmt::ColValuePtr(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c) return nullptr;
  if (c->IsLong) return c->Stream.data();
  return c->Buffer.empty() ? nullptr : c->Cell(row);
}

SQLLEN THstmt::ColSize(int col, int row) {
  TColRec* c = Column(col, row);
  if (!c) return 0;
  const SQLLEN ind = c->Indicators[row - 1];
  return c->IsLong && ind >= 0 ? static_cast<SQLLEN>(c->Stream.size()) : ind;
}

bool THstmt::ColNull(int col, int row) {
  return Column(col, row) && ColSize(col, row) == SQL_NULL_DATA;
}

bool THstmt::ColIgnored(int col, int row) {
  return Column(col, row) && ColSize(col, row) == SQL_COLUMN_IGNORE;
}

SQLSMALLINT THstmt::ColCType(int col) {
  return MemberOr(Column(col), &TColRec::BufferType, SQLSMALLINT{0});
}

SQLSMALLINT THstmt::ColSQLType(int col) {
  return MemberOr(Column(col), &TColRec::SQLType, SQLSMALLINT{0});
}

bool THstmt::ColIsBlob(int col) { return MemberOr(Column(col), &TColRec::IsLong, false); }

SQLULEN THstmt::ColPrecision(int col) {
  return MemberOr(Column(col), &TColRec::ColumnSize, SQLULEN{0});
}

SQLSMALLINT THstmt::ColScale(int col) {
  return MemberOr(Column(col), &TColRec::DecimalDigits, SQLSMALLINT{0});
}

SQLSMALLINT THstmt::ColNullable(int col) {
  return MemberOr(Column(col), &TColRec::Nullable, SQLSMALLINT{SQL_NULLABLE_UNKNOWN});
}

// ---------------------------------------------------------------- rows

SQLLEN THstmt::NumRowsAffected() {
  Init();
  SQLLEN n = -1;
  Check(SQLRowCount(hstmt_, &n));
  return n;
}

SQLUSMALLINT THstmt::RowStatus(int row) const {
  return row >= 1 && row <= static_cast<int>(rowStatus_.size()) ? rowStatus_[row - 1]
                                                                : SQL_ROW_NOROW;
}

bool THstmt::RowValid(int row) const {
  const SQLUSMALLINT s = RowStatus(row);
  return s == SQL_ROW_SUCCESS || s == SQL_ROW_UPDATED || s == SQL_ROW_ADDED ||
         s == SQL_ROW_SUCCESS_WITH_INFO;
}

std::vector<unsigned char> THstmt::GetBookmark() {
  const auto bookmark = CurrentBookmark();
  return std::vector<unsigned char>(bookmark.begin(), bookmark.end());
}

std::basic_string_view<unsigned char> THstmt::CurrentBookmark() {
  if (!(cursorFlags_ & SQL_CA1_BOOKMARK) || !RowValid(1)) return {};
  // The length the driver reports with the bookmark is the one FetchBookmark hands back.
  const auto take = [this](const unsigned char* p, SQLLEN room, SQLLEN indicator) {
    if (indicator > 0 && indicator <= room) bookmarkLength_ = indicator;
    return std::basic_string_view<unsigned char>(
        p, static_cast<size_t>(std::min(bookmarkLength_, room)));
  };
  if (bindBookmarks_ && !bookmarks_.empty())
    return take(bookmarks_.data(), static_cast<SQLLEN>(bookmarks_.size() / rowSetSize_),
                bookmarkInd_[0]);
  // One buffer serves every read: a bookmark per row read from a walk allocates nothing.
  readBookmark_.resize(static_cast<size_t>(std::max<SQLLEN>(bookmarkLength_, kBookmarkRoom)));
  unsigned char* buffer = readBookmark_.data();
  const SQLLEN room = static_cast<SQLLEN>(readBookmark_.size());
  SQLLEN indicator = 0;
  // Straight after the fetch of a one-row rowset the cursor already stands on row 1 with
  // nothing read, so positioning it again is a wasted round through the driver; a read
  // refused there takes the positioned route below.
  const bool fresh = getDataFree_ && positionable_;
  getDataFree_ = false;  // a column once read is not read again without repositioning
  if (fresh &&
      TODBCError::IsSuccess(SQLGetData(hstmt_, 0, SQL_C_VARBOOKMARK, buffer, room, &indicator)))
    return take(buffer, room, indicator);
  if (!TODBCError::IsSuccess(SQLSetPos(hstmt_, 1, SQL_POSITION, SQL_LOCK_NO_CHANGE))) return {};
  positionable_ = true;
  Check(SQLGetData(hstmt_, 0, SQL_C_VARBOOKMARK, buffer, room, &indicator));
  return take(buffer, room, indicator);
}

// ---------------------------------------------------------------- row count

// Counts on a temporary statement of the same connection, with the same row limit and
// the same parameters: rows of `sql` when given, else by traversing this statement's SQL.
SQLLEN THstmt::CountByStatement(const std::string& sql) {
  THstmt counter;
  counter.SethDbc(hdbc_);
  counter.SetMaxRows(MaxRows());
  counter.SetSQL(sql.empty() ? sql_ : sql);
  counter.Prepare();
  for (const TParamRec& p : params_) counter.BindParam(p.Number, p.BufferType, p.SQLType, p.Value);
  counter.Execute();
  if (!sql.empty()) return counter.FetchNext() ? counter.ColInteger(1) : 0;
  SQLLEN n = 0;
  while (counter.FetchNext()) ++n;
  return n;
}

SQLLEN THstmt::RowCount() {
  if (rowCountMethod_ == TRowCountMethod::rcFunction) {
    SQLLEN n = -1;
    const SQLRETURN rc =
        SQLGetDiagField(SQL_HANDLE_STMT, Handle(), 0, SQL_DIAG_CURSOR_ROW_COUNT, &n, 0, nullptr);
    if (TODBCError::IsSuccess(rc) && n >= 0) return n;
  }
  if (rowCountMethod_ == TRowCountMethod::rcCustom) {
    const int32_t n = DoRowCount();
    if (n >= 0) return n;
  }
  if (rowCountMethod_ != TRowCountMethod::rcTraverse) {
    std::string text = sql_;
    for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, " ");
    std::string upper = UpperCase(text);
    std::replace_if(
        upper.begin(), upper.end(), [](char c) { return c == ',' || c == '(' || c == ')'; }, ' ');
    // Grouped, distinct, limited and combined results have fewer rows than Count(*)
    // over their FROM part would say: those are counted by traversal.
    const bool countable = upper.find(" FROM ") != std::string::npos;
    bool plain = countable;
    for (const char* word : {" DISTINCT ", " HAVING ", " UNION ", " GROUP ", " TOP ", " LIMIT "})
      plain = plain && upper.find(word) == std::string::npos;
    if (plain) {
      const size_t order = upper.find(" ORDER ");
      if (order != std::string::npos) {
        text.erase(order);
        upper.erase(order);
      }
      try {
        return CountByStatement("SELECT Count(*)" + text.substr(upper.find(" FROM ")));
      } catch (const EQuarnel&) {
        // The count query failed on this driver: count by traversal instead.
      }
    }
  }
  return CountByStatement({});
}

}  // namespace prenos
