// The statement component: SQL text with named parameter tokens, execution, result
// columns bound into buffers of its own, fetching in any direction, column values as
// text, numbers, date-times and streams, parameters and the writing back of rows.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "odbc/hbase.h"
#include "odbc/hdbc.h"
#include "odbc/odbcconvert.h"

namespace prenos {

enum class TBlobPlacement { bpDetect, bpByParts, bpByExec };
enum class TEmptyToNull { enNever, enAlways, enIfNullable };
enum class TRowCountMethod { rcFunction, rcSelect, rcTraverse, rcCustom };
// Members of TNoRowsAffected (a bit set).
enum TNoRowsAffectedFlag : unsigned {
  nrByInsert = 1,
  nrByUpdate = 2,
  nrByDelete = 4,
  nrByRefresh = 8
};
using TNoRowsAffected = unsigned;

// Confirmation before a row edit; false cancels it.
using TConfirmEvent = std::function<bool(TComponent* sender, const std::string& defaultMsg)>;
// May rewrite a generated statement; operation 8 insert, 1 update, 2 delete, 4 refresh.
using TStatementEvent =
    std::function<void(TComponent* sender, uint16_t operation, std::string& sql)>;
using TRowCountEvent = std::function<int32_t(TComponent* sender)>;

// Bytes of a long value (an in-memory stream).
using TBlobStream = std::string;

// One bound result column.
struct TColRec {
  std::vector<unsigned char> Buffer;  // RowSetSize elements; empty for long columns
  SQLLEN ElementSize = 0;
  std::vector<SQLLEN> Indicators;  // RowSetSize elements, the first SQL_NULL_DATA at first
  SQLSMALLINT BufferType = SQL_C_BINARY;
  SQLSMALLINT SQLType = 0;
  TBlobStream Stream;    // value of a long column
  bool IsLong = false;   // SQL_LONGVARCHAR or SQL_LONGVARBINARY
  bool Read = false;     // the long value of the current row has been read
  bool Primary = false;  // key column for row editing
  bool Ignore = false;
  SQLULEN ColumnSize = 0;
  SQLSMALLINT DecimalDigits = 0;
  SQLSMALLINT Nullable = SQL_NULLABLE_UNKNOWN;
  std::string Name;

  void* Cell(int row) { return Buffer.data() + (row - 1) * ElementSize; }
  const void* Cell(int row) const { return Buffer.data() + (row - 1) * ElementSize; }
};

// One bound parameter. Value points at the caller's (or a cell's) data; Indicators has
// ArraySize elements and its address is what the driver holds, so records are kept in a
// std::list (stable addresses) until Close.
struct TParamRec {
  void* Value = nullptr;
  std::vector<SQLLEN> Indicators;
  SQLSMALLINT BufferType = SQL_C_CHAR;
  SQLSMALLINT SQLType = SQL_CHAR;
  SQLUSMALLINT Number = 0;
  SQLULEN ArraySize = 1;
  SQLULEN ColumnSize = 0;
  SQLSMALLINT DecimalDigits = 0;
  SQLSMALLINT Nullable = SQL_NULLABLE_UNKNOWN;
  bool AtExec = false;  // a long value bound to go in parts at execution
};

// What DescribeParam reports besides the SQL type.
struct TParamDescription {
  SQLULEN ColumnSize = 0;
  SQLSMALLINT DecimalDigits = 0;
  SQLSMALLINT Nullable = SQL_NULLABLE_UNKNOWN;
};

class THstmt : public THbase {
 public:
  explicit THstmt(TComponent* owner = nullptr, std::string name = {});
  ~THstmt() override;

  const char* ClassName() const override { return "THstmt"; }
  // The connection line and "SQL --> " with the statement text.
  void AppendErrorDetails(std::string& out) const override;

  // ---- lifecycle and text
  bool Init() override;
  bool Terminate() override;
  THdbc* hDbc() const { return hdbc_; }
  // Terminates, then takes the connection.
  void SethDbc(THdbc* value);
  const std::string& SQL() const { return sql_; }
  // Closes an allocated statement and clears Prepared; nothing is parsed yet.
  void SetSQL(std::string text);
  void Prepare();
  void Execute();
  virtual void Close();
  virtual void CloseCursor();
  bool Prepared() const { return prepared_; }

  // The statement handle, allocated first when needed.
  SQLHSTMT Handle();
  bool Allocated() const { return allocated_; }
  SQLRETURN RetCode() const { return retCode_; }
  SQLSMALLINT HandleType() const override { return SQL_HANDLE_STMT; }
  SQLHANDLE RawHandle() const override { return hstmt_; }
  bool AsyncOn() const { return async_; }
  // Switches asynchronous execution off (after a failure raised for this statement).
  void SwitchAsyncOff();

  // ---- stored properties
  SQLUINTEGER ConcurrencyType() const { return concurrency_; }
  void SetConcurrencyType(SQLUINTEGER value);
  SQLUINTEGER CursorType() const { return cursorType_; }
  void SetCursorType(SQLUINTEGER value);
  SQLUINTEGER RowSetSize() const { return rowSetSize_; }
  void SetRowSetSize(SQLUINTEGER value);  // 0 is ignored
  bool SkipByPosition() const { return skipByPosition_; }
  void SetSkipByPosition(bool value);
  bool SkipByCursor() const { return skipByCursor_; }
  void SetSkipByCursor(bool value);
  bool BindBookmarks() const { return bindBookmarks_; }
  void SetBindBookmarks(bool value) { bindBookmarks_ = value; }
  SQLINTEGER BlobSize() const { return blobSize_; }
  void SetBlobSize(SQLINTEGER value);  // taken only when greater than 1024
  bool BlobDeferral() const { return blobDeferral_; }
  void SetBlobDeferral(bool value) { blobDeferral_ = value; }
  TBlobPlacement BlobPlacement() const { return blobPlacement_; }
  void SetBlobPlacement(TBlobPlacement value) { blobPlacement_ = value; }
  bool ExecAsync() const { return execAsync_; }
  void SetExecAsync(bool value) { execAsync_ = value; }
  TEmptyToNull EmptyStringToNull() const { return emptyToNull_; }
  void SetEmptyStringToNull(TEmptyToNull value) { emptyToNull_ = value; }
  TStringTrimming StringTrimming() const { return trimming_; }
  void SetStringTrimming(TStringTrimming value) { trimming_ = value; }
  bool BindByName() const { return bindByName_; }
  void SetBindByName(bool value) { bindByName_ = value; }
  TRowCountMethod RowCountMethod() const { return rowCountMethod_; }
  void SetRowCountMethod(TRowCountMethod value) { rowCountMethod_ = value; }
  TNoRowsAffected NoRowsAffected() const { return noRowsAffected_; }
  void SetNoRowsAffected(TNoRowsAffected value) { noRowsAffected_ = value; }

  TNotifyEvent BeforePrepare, AfterPrepare, BeforeExecute, AfterExecute, BeforeFetch, AfterFetch;
  TConfirmEvent OnInsert, OnUpdate, OnDelete, OnRefresh;
  TStatementEvent OnStatement;
  TRowCountEvent OnRowCount;

  // ---- results
  SQLSMALLINT NumCols();
  void BindCols();
  bool Fetch(SQLSMALLINT direction, SQLLEN offset);
  bool FetchFirst() { return Fetch(SQL_FETCH_FIRST, 0); }
  bool FetchNext() { return Fetch(SQL_FETCH_NEXT, 0); }
  bool FetchLast() { return Fetch(SQL_FETCH_LAST, 0); }
  bool FetchPrev() { return Fetch(SQL_FETCH_PRIOR, 0); }
  bool FetchAbsolute(SQLLEN n) { return Fetch(SQL_FETCH_ABSOLUTE, n); }
  bool FetchBookmark(const std::vector<unsigned char>& bookmark);
  SQLULEN NumRowsFetched() const { return rowsFetched_; }
  SQLLEN NumRowsAffected();
  SQLLEN RowCount();
  const std::vector<std::string>& ColNames();
  // Column number of a described name (ignoring letter case); EQuarnel
  // "Identifier <name> not found in result set." when there is none.
  int ColByName(const std::string& name);

  // ---- column values (columns and rows from 1; row 1 when not given)
  std::string ColString(int col, int row = 1);
  // The text of a bound character cell, trimmed by StringTrimming, without copying it:
  // valid until the next fetch. Answers false for any other cell (ColString converts
  // those); a NULL character cell gives an empty text.
  bool ColChars(int col, int row, std::string_view& text);
  double ColDouble(int col, int row = 1);
  int16_t ColSmallint(int col, int row = 1);
  uint16_t ColWord(int col, int row = 1);
  int32_t ColInteger(int col, int row = 1);
  int64_t ColInt64(int col, int row = 1);
  SQL_TIMESTAMP_STRUCT ColTimestamp(int col, int row = 1);
  // The long value of a cell, read by the long-data rules; nullptr for other columns.
  TBlobStream* ColStream(int col, int row);
  // Row 1's stream, read first only with BlobDeferral (otherwise the fetch read it).
  TBlobStream* ColStream(int col);
  void* ColValuePtr(int col, int row = 1);
  bool ColNull(int col, int row = 1);
  SQLLEN ColSize(int col, int row = 1);
  bool ColIgnored(int col, int row = 1);
  SQLSMALLINT ColCType(int col);
  SQLSMALLINT ColSQLType(int col);
  bool ColIsBlob(int col);
  SQLULEN ColPrecision(int col);
  SQLSMALLINT ColScale(int col);
  SQLSMALLINT ColNullable(int col);

  // ---- cell setters (hstmt_edit.cpp)
  void SetColString(int col, int row, const std::string& value);
  void SetColString(int col, const std::string& value) { SetColString(col, 1, value); }
  void SetColDouble(int col, int row, double value);
  void SetColDouble(int col, double value) { SetColDouble(col, 1, value); }
  void SetColSmallint(int col, int row, int16_t value);
  void SetColSmallint(int col, int16_t value) { SetColSmallint(col, 1, value); }
  void SetColWord(int col, int row, uint16_t value);
  void SetColWord(int col, uint16_t value) { SetColWord(col, 1, value); }
  void SetColInteger(int col, int row, int32_t value);
  void SetColInteger(int col, int32_t value) { SetColInteger(col, 1, value); }
  void SetColInt64(int col, int row, int64_t value);
  void SetColInt64(int col, int64_t value) { SetColInt64(col, 1, value); }
  void SetColTimestamp(int col, int row, const SQL_TIMESTAMP_STRUCT& value);
  void SetColTimestamp(int col, const SQL_TIMESTAMP_STRUCT& value) {
    SetColTimestamp(col, 1, value);
  }
  void SetColStream(int col, int row, const TBlobStream& value);
  void SetColStream(int col, const TBlobStream& value) { SetColStream(col, 1, value); }
  void SetColNull(int col, int row, bool flag);
  void SetColNull(int col, bool flag) { SetColNull(col, 1, flag); }
  void SetColIgnore(int col, int row, bool flag);
  void SetColIgnore(int col, bool flag) { SetColIgnore(col, 1, flag); }

  // ---- parameters (hstmt_params.cpp)
  std::vector<std::string> ParamNames();
  int ParamByName(const std::string& name);
  void SetParamType(SQLSMALLINT type);
  TParamDescription DescribeParam(int number, SQLSMALLINT& sqlType, bool useTable);
  void BindParamMain(int number, SQLSMALLINT bufferType, SQLULEN arraySize, SQLSMALLINT nullable,
                     SQLSMALLINT decimalDigits, SQLULEN columnSize, SQLSMALLINT sqlType,
                     void* value);
  void BindParam(int number, SQLSMALLINT bufferType, SQLSMALLINT sqlType, void* value);
  void BindParamStream(int number, TBlobStream& stream, bool binary);
  SQLLEN GetParamSize(int number);
  void SetParamSize(int number, SQLLEN size);

  // ---- rows and cursor
  SQLUSMALLINT RowStatus(int row) const;
  bool RowValid(int row) const;
  // A copy of the current row's bookmark; empty when the cursor offers none.
  std::vector<unsigned char> GetBookmark();
  // The same bytes without a copy, valid until the next fetch or bookmark read.
  std::basic_string_view<unsigned char> CurrentBookmark();
  SQLULEN MaxRows();
  void SetMaxRows(SQLULEN value);
  SQLUINTEGER CursorAttributes() const { return cursorFlags_; }
  SQLLEN BookmarkLength() const { return bookmarkLength_; }

  // ---- row editing (hstmt_edit.cpp)
  uint16_t RowFlags(int row) const;
  void SetRowFlags(int row, uint16_t flags);
  const std::string& TargetTable() const { return targetTable_; }
  void SetTargetTable(std::string value);
  std::string TableName();
  void SetColPrimary(int col, bool flag);
  std::string PrimaryColumns();
  virtual void Insert();
  virtual void Update();
  virtual void Delete();
  virtual void Refresh();
  // Clears Prepared of the four auxiliary statements.
  void ResetEditStatements();

 protected:
  virtual void DoBeforePrepare();
  virtual void DoAfterPrepare();
  virtual void DoBeforeExecute();
  virtual void DoAfterExecute();
  virtual void DoBeforeFetch();
  virtual void DoAfterFetch();
  // OnRowCount's answer, -1 when it is not assigned.
  virtual int32_t DoRowCount();
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Check(SQLRETURN rc);  // RaiseError with this statement unless rc is a success
  void SetAttr(SQLINTEGER attribute, SQLULEN value, bool raising);
  void SendDataAtExec();
  SQLLEN ReadLong(int col, int row);
  SQLLEN ReadLongPieces(TColRec& c, int col);
  // After a fetch or a refresh of row 1: the long values of the row read again, or only
  // marked unread (and null) while their reading is deferred.
  void RenewLongColumns();
  TColRec* Column(int col, int row);
  TColRec* Column(int col);
  void FreeColumns();
  void FreeParams();
  SQLLEN CountByStatement(const std::string& sql);

  SQLHSTMT hstmt_ = SQL_NULL_HSTMT;
  bool allocated_ = false;
  SQLRETURN retCode_ = SQL_SUCCESS;
  THdbc* hdbc_ = nullptr;
  std::string sql_;
  bool prepared_ = false;

  SQLUINTEGER concurrency_ = SQL_CONCUR_READ_ONLY;
  SQLUINTEGER cursorType_ = SQL_CURSOR_FORWARD_ONLY;
  SQLUINTEGER rowSetSize_ = 1;
  bool skipByPosition_ = false;
  bool skipByCursor_ = false;
  bool bindBookmarks_ = false;
  SQLINTEGER blobSize_ = 32768;
  bool blobDeferral_ = false;
  TBlobPlacement blobPlacement_ = TBlobPlacement::bpDetect;
  bool execAsync_ = false;
  TEmptyToNull emptyToNull_ = TEmptyToNull::enNever;
  TStringTrimming trimming_ = TStringTrimming::stTrimTrailing;
  bool bindByName_ = false;
  TRowCountMethod rowCountMethod_ = TRowCountMethod::rcFunction;
  TNoRowsAffected noRowsAffected_ = nrByUpdate;

  // parameters
  std::list<TParamRec> params_;  // newest first
  SQLULEN maxParamArray_ = 0;    // largest array size, 0 when none is bound
  std::vector<std::string> paramNames_;
  SQLSMALLINT paramType_ = SQL_PARAM_INPUT;  // for the next bind
  SQLHDESC ipd_ = SQL_NULL_HDESC;            // implementation parameter descriptor, read once

  // results
  std::vector<TColRec> cols_;
  std::vector<SQLUSMALLINT> rowStatus_;
  std::vector<SQLUSMALLINT> rowOps_;
  std::vector<unsigned char> bookmarks_;  // RowSetSize x bookmark length, with BindBookmarks
  std::vector<SQLLEN> bookmarkInd_;
  std::vector<unsigned char> fetchBookmark_;  // what SQL_ATTR_FETCH_BOOKMARK_PTR points at
  std::vector<unsigned char> readBookmark_;   // the last bookmark read by SQLGetData
  std::vector<std::string> colNames_;
  SQLSMALLINT numCols_ = 0;
  bool colsBound_ = false;
  bool unboundLongs_ = false;
  SQLULEN rowsFetched_ = 0;
  SQLUINTEGER cursorFlags_ = 0;
  SQLLEN bookmarkLength_ = 4;
  // No SQLGetData or SQLSetPos since the last fetch of a one-row rowset: the cursor is on
  // that row with nothing read by SQLGetData, so column 0 can be read without SQLSetPos.
  bool getDataFree_ = false;
  // SQLSetPos has positioned this cursor once: the cursor type allows it, so skipping a
  // redundant positioning cannot hand out a bookmark the cursor would refuse.
  bool positionable_ = false;

  // row editing
  std::string targetTable_;
  std::string schemaName_, tableName_;
  bool async_ = false;
  std::unique_ptr<THstmt> insertStmt_, updateStmt_, deleteStmt_, refreshStmt_;
  // Further private helpers of row editing and parameter binding go below.
  // Row editing (hstmt_edit.cpp, hstmt_target.cpp).
  struct TEditPlan {  // the text an auxiliary statement was prepared with, the row bound
    std::string text;
    int row = 0;
  };
  TEditPlan editPlans_[4];  // insert, update, delete, refresh
  void EditRows(uint16_t operation);
  bool EditByCursor(uint16_t operation, const std::vector<int>& rows);
  SQLRETURN SendCellData();
  THstmt& EditStatement(uint16_t operation);
  void EditByStatement(uint16_t operation, int row);
  std::vector<size_t> EditValueColumns(uint16_t operation, int row) const;
  std::string EditCondition(uint16_t operation, bool positioned, std::vector<size_t>& keys);
  std::string EditText(uint16_t operation, const std::string& table,
                       const std::vector<size_t>& values, const std::string& condition) const;
  void BindEditParams(THstmt& aux, bool rebind, int row, const std::vector<size_t>& values,
                      const std::vector<size_t>& keys);
  void FinishEdit(THstmt& aux, uint16_t operation, int row);
  void CopyRowFrom(THstmt& source, int row);
  bool LongUnread(const TColRec& c) const;
  std::string QualifiedTableName();
  void FindPrimaryColumns();
};

}  // namespace prenos
