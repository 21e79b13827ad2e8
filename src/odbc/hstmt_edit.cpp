// Writing a changed row back: through the cursor (SQLSetPos, SQLBulkOperations) where the
// driver offers it, otherwise through INSERT, UPDATE, DELETE and refresh SELECT
// statements generated on the auxiliary statements.
#include <algorithm>
#include <cstring>

#include "odbc/hstmt.h"

namespace prenos {
namespace {

// Operation codes, which are also the row flags that select rows for an edit.
constexpr uint16_t kUpdate = 1, kDelete = 2, kRefresh = 4, kInsert = 8;

struct TEditKind {
  int index;               // of the auxiliary statement and its plan
  const char* message;     // the confirmation's default message
  unsigned noRows;         // member of NoRowsAffected
  SQLUINTEGER cursorFlag;  // capability that lets the cursor do it
  SQLUSMALLINT setPos;     // SQLSetPos operation
  const char* suffix;      // name of the auxiliary statement after the statement's own
};

const TEditKind& Kind(uint16_t operation) {
  static const TEditKind kinds[] = {
      {0, "Insert row(s)?", nrByInsert, SQL_CA1_BULK_ADD, 0, "Insert"},
      {1, "Update row(s)?", nrByUpdate, SQL_CA1_POS_UPDATE, SQL_UPDATE, "Update"},
      {2, "Delete row(s)?", nrByDelete, SQL_CA1_POS_DELETE, SQL_DELETE, "Delete"},
      {3, "Refresh row(s)?", nrByRefresh, SQL_CA1_POS_REFRESH, SQL_REFRESH, "Refresh"},
  };
  switch (operation) {
    case kInsert: return kinds[0];
    case kUpdate: return kinds[1];
    case kDelete: return kinds[2];
    default: return kinds[3];
  }
}

// Runs a function when the scope ends, also by an exception.
template <typename F>
struct TScopeExit {
  F f;
  ~TScopeExit() { f(); }
};
template <typename F>
TScopeExit(F) -> TScopeExit<F>;

// Whether a diagnostic record of the statement's last call has this SQLSTATE.
bool HasState(SQLHSTMT h, const char* state) {
  SQLCHAR found[6] = {0}, message[SQL_MAX_MESSAGE_LENGTH] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1; SQL_SUCCEEDED(
           SQLGetDiagRec(SQL_HANDLE_STMT, h, i, found, &native, message, sizeof message, &length));
       ++i)
    if (std::strcmp(reinterpret_cast<const char*>(found), state) == 0) return true;
  return false;
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? separator : "") + parts[i];
  return out;
}

}  // namespace

void THstmt::Insert() { EditRows(kInsert); }
void THstmt::Update() { EditRows(kUpdate); }
void THstmt::Delete() { EditRows(kDelete); }
void THstmt::Refresh() { EditRows(kRefresh); }

bool THstmt::LongUnread(const TColRec& c) const { return c.IsLong && blobDeferral_ && !c.Read; }

void THstmt::EditRows(uint16_t operation) {
  const TEditKind& kind = Kind(operation);
  Init();
  const TConfirmEvent& confirm = operation == kInsert   ? OnInsert
                                 : operation == kUpdate ? OnUpdate
                                 : operation == kDelete ? OnDelete
                                                        : OnRefresh;
  if (confirm && !confirm(this, kind.message)) return;
  BindCols();

  std::vector<int> rows;
  if (rowSetSize_ > 1 && rowsFetched_ > 0) {
    const int fetched = static_cast<int>(std::min<SQLULEN>(rowsFetched_, rowSetSize_));
    for (int row = 1; row <= fetched; ++row)
      if (RowFlags(row) == operation) rows.push_back(row);
  } else {
    rows.push_back(1);
  }
  if (rows.empty()) return;

  if (operation == kUpdate)
    for (int col = 1; col <= numCols_; ++col) {
      SQLLEN updatable = SQL_ATTR_READWRITE_UNKNOWN;
      if (TODBCError::IsSuccess(SQLColAttribute(hstmt_, static_cast<SQLUSMALLINT>(col),
                                                SQL_DESC_UPDATABLE, nullptr, 0, nullptr,
                                                &updatable)) &&
          updatable == SQL_ATTR_READONLY)
        for (int row : rows) cols_[col - 1].Indicators[row - 1] = SQL_COLUMN_IGNORE;
    }

  if (!EditByCursor(operation, rows))
    for (int row : rows) EditByStatement(operation, row);
}

// ---------------------------------------------------------------- through the cursor

bool THstmt::EditByCursor(uint16_t operation, const std::vector<int>& rows) {
  const TEditKind& kind = Kind(operation);
  if (skipByPosition_ || !(cursorFlags_ & kind.cursorFlag)) return false;
  const bool hasLong =
      std::any_of(cols_.begin(), cols_.end(), [](const TColRec& c) { return c.IsLong; });
  // A long column has one stream for all rows, which a row set of several rows cannot bind.
  if (hasLong && rowSetSize_ > 1) return false;
  // Cells to be left out go by generated statement: a driver may write an ignored cell's
  // buffer all the same (sqliteodbc does), and an unread deferred long value would be
  // written as NULL over the stored one.
  if (operation == kInsert || operation == kUpdate)
    for (const TColRec& c : cols_)
      for (int row : rows)
        if (c.Indicators[row - 1] == SQL_COLUMN_IGNORE || (operation == kUpdate && LongUnread(c)))
          return false;

  std::vector<int> boundLongs;
  std::vector<SQLUSMALLINT> operations;
  TScopeExit restore{[&] {
    for (int col : boundLongs)
      SQLBindCol(hstmt_, static_cast<SQLUSMALLINT>(col), cols_[col - 1].BufferType, nullptr, 0,
                 nullptr);
    if (!operations.empty()) SQLSetStmtAttr(hstmt_, SQL_ATTR_ROW_OPERATION_PTR, nullptr, 0);
  }};
  // Long columns take part through their streams for this call only; a refresh reads
  // them afresh afterwards. Binding may clear the indicator (sqliteodbc does), so the
  // length is written after it.
  if (operation != kRefresh)
    for (int col = 1; col <= numCols_; ++col) {
      TColRec& c = cols_[col - 1];
      if (!c.IsLong) continue;
      const SQLLEN indicator = c.Indicators[0];
      const SQLLEN length =
          static_cast<SQLLEN>(c.Stream.size()) + (c.BufferType == SQL_C_CHAR ? 1 : 0);
      Check(SQLBindCol(hstmt_, static_cast<SQLUSMALLINT>(col), c.BufferType, c.Stream.data(),
                       length, c.Indicators.data()));
      boundLongs.push_back(col);
      c.Indicators[0] = indicator;
    }

  const auto finish = [&](SQLRETURN rc) {
    retCode_ = rc;
    if (rc == SQL_NEED_DATA) rc = SendCellData();
    // A cursor operation conflict (01001: psqlODBC's row version no longer matches, so
    // nothing was written) is a row the edit did not reach, as SQL_NO_DATA.
    if (rc == SQL_SUCCESS_WITH_INFO && HasState(hstmt_, "01001")) rc = SQL_NO_DATA;
    if (rc == SQL_NO_DATA) {
      if (noRowsAffected_ & kind.noRows) GlobalEnv().Error.RaiseError(this, SQL_NO_DATA);
      return;
    }
    Check(rc);
  };
  getDataFree_ = false;  // the cursor may stand elsewhere afterwards
  if (operation == kInsert) {
    if (rowSetSize_ > 1) {
      operations.assign(rowSetSize_, SQL_ROW_IGNORE);
      for (int row : rows) operations[row - 1] = SQL_ROW_PROCEED;
      Check(SQLSetStmtAttr(hstmt_, SQL_ATTR_ROW_OPERATION_PTR, operations.data(), 0));
    }
    finish(SQLBulkOperations(hstmt_, SQL_ADD));
  } else {
    for (int row : rows)
      finish(SQLSetPos(hstmt_, static_cast<SQLSETPOSIROW>(row), kind.setPos, SQL_LOCK_NO_CHANGE));
  }

  if (operation == kRefresh && hasLong) RenewLongColumns();
  return true;
}

// Data at execution of a cursor edit: the driver names the bound buffer it wants.
SQLRETURN THstmt::SendCellData() {
  SQLPOINTER token = nullptr;
  SQLRETURN rc = SQLParamData(hstmt_, &token);
  while (rc == SQL_NEED_DATA) {
    const char* data = nullptr;
    SQLLEN length = 0;
    for (TColRec& c : cols_) {
      if (c.IsLong && c.Stream.data() == token) {
        data = c.Stream.data();
        length = static_cast<SQLLEN>(c.Stream.size());
      }
      for (int row = 1; !c.IsLong && !c.Buffer.empty() && row <= static_cast<int>(rowSetSize_);
           ++row)
        if (c.Cell(row) == token) {
          data = static_cast<const char*>(c.Cell(row));
          const SQLLEN indicator = c.Indicators[row - 1];
          length = indicator <= SQL_LEN_DATA_AT_EXEC(0) ? SQL_LEN_DATA_AT_EXEC(0) - indicator
                                                        : c.ElementSize;
        }
    }
    if (!data) {
      SQLCancel(hstmt_);
      throw EQuarnel("The driver asked for data of a column that is not bound.");
    }
    SQLLEN sent = 0;
    do {
      const SQLLEN piece = std::min<SQLLEN>(blobSize_, length - sent);
      rc = SQLPutData(hstmt_, const_cast<char*>(data + sent), piece);
      sent += piece;
    } while (TODBCError::IsSuccess(rc) && sent < length);
    Check(rc);
    rc = SQLParamData(hstmt_, &token);
  }
  retCode_ = rc;
  return rc;
}

// ---------------------------------------------------------------- generated statements

THstmt& THstmt::EditStatement(uint16_t operation) {
  const TEditKind& kind = Kind(operation);
  std::unique_ptr<THstmt>* slots[] = {&insertStmt_, &updateStmt_, &deleteStmt_, &refreshStmt_};
  std::unique_ptr<THstmt>& slot = *slots[kind.index];
  if (!slot) slot = std::make_unique<THstmt>(nullptr, Name() + kind.suffix);
  if (slot->hDbc() != hdbc_) slot->SethDbc(hdbc_);
  slot->SetBlobPlacement(blobPlacement_);
  slot->SetBlobSize(blobSize_);
  slot->SetStringTrimming(trimming_);
  return *slot;
}

void THstmt::EditByStatement(uint16_t operation, int row) {
  const std::string table = QualifiedTableName();
  const std::vector<size_t> values = EditValueColumns(operation, row);
  const bool positioned =
      !skipByCursor_ && ((operation == kUpdate && (cursorFlags_ & SQL_CA1_POSITIONED_UPDATE)) ||
                         (operation == kDelete && (cursorFlags_ & SQL_CA1_POSITIONED_DELETE)));
  std::vector<size_t> keys;
  const std::string condition = EditCondition(operation, positioned, keys);
  const std::string text = EditText(operation, table, values, condition);

  // Prepared once; a different text (other columns ignored, another target) prepares
  // again, and a different row binds the parameters again.
  THstmt& aux = EditStatement(operation);
  TEditPlan& plan = editPlans_[Kind(operation).index];
  if (!aux.Prepared() || plan.text != text) {
    std::string sql = text;
    if (OnStatement) OnStatement(this, operation, sql);
    aux.SetSQL(std::move(sql));
    aux.Prepare();
    plan = TEditPlan{text, 0};
  }
  BindEditParams(aux, plan.row != row, row, values, keys);
  plan.row = row;

  if (positioned && rowSetSize_ > 1) getDataFree_ = false;
  if (positioned && rowSetSize_ > 1)
    Check(SQLSetPos(hstmt_, static_cast<SQLSETPOSIROW>(row), SQL_POSITION, SQL_LOCK_NO_CHANGE));
  aux.Execute();
  FinishEdit(aux, operation, row);
}

// Columns of the SET or VALUES list: not ignored, holding a value the statement can send
// (a column without a buffer has none), and for an update not a deferred long value that
// was never read.
std::vector<size_t> THstmt::EditValueColumns(uint16_t operation, int row) const {
  std::vector<size_t> values;
  if (operation != kInsert && operation != kUpdate) return values;
  for (size_t i = 0; i < cols_.size(); ++i) {
    const TColRec& c = cols_[i];
    if (c.Indicators[row - 1] == SQL_COLUMN_IGNORE || (!c.IsLong && c.Buffer.empty())) continue;
    if (operation == kUpdate && LongUnread(c)) continue;
    values.push_back(i);
  }
  return values;
}

// The WHERE clause: the cursor's position, or the primary columns (found when none is
// marked) whose indexes go to keys; empty for an insert.
std::string THstmt::EditCondition(uint16_t operation, bool positioned, std::vector<size_t>& keys) {
  if (positioned) {
    SQLCHAR name[256] = {0};
    SQLSMALLINT length = 0;
    Check(SQLGetCursorName(hstmt_, name, sizeof name, &length));
    return std::string("WHERE CURRENT OF ") + reinterpret_cast<const char*>(name);
  }
  if (operation == kInsert) return {};
  if (std::none_of(cols_.begin(), cols_.end(), [](const TColRec& c) { return c.Primary; }))
    FindPrimaryColumns();
  std::vector<std::string> terms;
  for (size_t i = 0; i < cols_.size(); ++i)
    if (cols_[i].Primary) {
      keys.push_back(i);
      terms.push_back(QuoteIdentifier(cols_[i].Name) + " = ?");
    }
  if (keys.empty())
    throw EQuarnel("Unable to determine primary columns:  set PrimaryCols property.");
  return "WHERE " + Join(terms, " AND ");
}

std::string THstmt::EditText(uint16_t operation, const std::string& table,
                             const std::vector<size_t>& values,
                             const std::string& condition) const {
  std::vector<std::string> names;
  for (size_t i : values) names.push_back(QuoteIdentifier(cols_[i].Name));
  switch (operation) {
    case kInsert:
      return "INSERT INTO " + table + " (" + Join(names, ", ") + ") VALUES (" +
             Join(std::vector<std::string>(values.size(), "?"), ", ") + ")";
    case kUpdate:
      for (std::string& n : names) n += " = ?";
      return "UPDATE " + table + " SET " + Join(names, ", ") + " " + condition;
    case kDelete: return "DELETE FROM " + table + " " + condition;
    default:
      for (const TColRec& c : cols_) names.push_back(QuoteIdentifier(c.Name));
      return "SELECT " + Join(names, ", ") + " FROM " + table + " " + condition;
  }
}

// The values, then the keys, as the auxiliary statement's parameters in that order. The
// buffers are bound again only for another row; the lengths are set every time.
void THstmt::BindEditParams(THstmt& aux, bool rebind, int row, const std::vector<size_t>& values,
                            const std::vector<size_t>& keys) {
  int number = 0;
  const auto bind = [&](size_t i, bool key) {
    TColRec& c = cols_[i];
    const SQLLEN indicator = c.Indicators[row - 1];
    ++number;
    if (c.IsLong) {
      aux.BindParamStream(number, c.Stream, c.BufferType == SQL_C_BINARY);
      if (indicator == SQL_NULL_DATA) aux.SetParamSize(number, SQL_NULL_DATA);
      return;
    }
    if (rebind)
      aux.BindParam(number, c.BufferType, c.SQLType, c.Buffer.empty() ? nullptr : c.Cell(row));
    SQLLEN length = indicator;
    if (key && indicator < 0 && indicator != SQL_NULL_DATA)
      length = c.BufferType == SQL_C_CHAR ? SQL_NTS : 0;
    aux.SetParamSize(number, length);
  };
  for (size_t i : values) bind(i, false);
  for (size_t i : keys) bind(i, true);
}

// After the executed edit: a refresh copies the row it read back; a statement that met
// no row fails when the option for its kind asks so.
void THstmt::FinishEdit(THstmt& aux, uint16_t operation, int row) {
  const TEditKind& kind = Kind(operation);
  if (operation == kRefresh) {
    const bool found = aux.FetchNext();
    if (found) CopyRowFrom(aux, row);
    aux.CloseCursor();
    if (!found && (noRowsAffected_ & kind.noRows)) GlobalEnv().Error.RaiseError(this, SQL_NO_DATA);
  } else if ((noRowsAffected_ & kind.noRows) && aux.NumRowsAffected() == 0) {
    GlobalEnv().Error.RaiseError(this, SQL_NO_DATA);
  }
}

// The refresh SELECT's row into the cells of a row of this result.
void THstmt::CopyRowFrom(THstmt& source, int row) {
  const size_t n = std::min(cols_.size(), source.cols_.size());
  for (size_t i = 0; i < n; ++i) {
    TColRec& to = cols_[i];
    const TColRec& from = source.cols_[i];
    SQLLEN& indicator = to.Indicators[row - 1];
    if (to.IsLong) {
      to.Stream = from.Stream;
      indicator = from.Indicators[0];
      to.Read = true;
    } else if (to.Buffer.empty()) {
      continue;
    } else if (from.Indicators[0] == SQL_NULL_DATA) {
      indicator = SQL_NULL_DATA;
    } else if (from.BufferType == to.BufferType && !from.Buffer.empty()) {
      const size_t size = static_cast<size_t>(std::min(to.ElementSize, from.ElementSize));
      std::memcpy(to.Cell(row), from.Cell(1), size);
      indicator = std::min(from.Indicators[0], to.ElementSize);
      if (to.BufferType == SQL_C_CHAR) {
        auto* chars = static_cast<char*>(to.Cell(row));
        chars[to.ElementSize - 1] = 0;
        indicator = static_cast<SQLLEN>(std::strlen(chars));
      }
    } else {
      SetColString(static_cast<int>(i) + 1, row, source.ColString(static_cast<int>(i) + 1));
    }
  }
}

}  // namespace prenos
