// The statement: lifecycle, options, execution, result binding, fetching and getters.
#include "odbc/hstmt.h"

#include <algorithm>
#include <cstring>

namespace prenos {
namespace {

SQLPOINTER AsPointer(SQLULEN v) { return reinterpret_cast<SQLPOINTER>(v); }

// Turns variable-length bookmarks on when the cursor offers bookmarks; false when it
// does not or the driver refuses.
bool UseBookmarks(SQLHSTMT h, SQLUINTEGER cursorFlags) {
  if (!(cursorFlags & SQL_CA1_BOOKMARK)) return false;
  return TODBCError::IsSuccess(
      SQLSetStmtAttr(h, SQL_ATTR_USE_BOOKMARKS, AsPointer(SQL_UB_VARIABLE), SQL_IS_UINTEGER));
}

}  // namespace

THstmt::THstmt(TComponent* owner, std::string name) : THbase(owner, std::move(name)) {
  if (owner)
    for (TComponent* c : owner->Components())
      if (auto* dbc = dynamic_cast<THdbc*>(c)) {
        hdbc_ = dbc;
        FreeNotification(dbc);
        break;
      }
  Announce();
}

THstmt::~THstmt() {
  try {
    Terminate();
  } catch (...) {
    // A destructor cannot report; the handle is released either way.
  }
  Withdraw();
}

void THstmt::Notification(TComponent* component, TOperation operation) {
  THbase::Notification(component, operation);
  if (operation == TOperation::opInsert && !hdbc_) {
    if (auto* dbc = dynamic_cast<THdbc*>(component)) {
      hdbc_ = dbc;
      FreeNotification(dbc);
    }
  } else if (operation == TOperation::opRemove && component == hdbc_) {
    hdbc_ = nullptr;
  }
}

void THstmt::Check(SQLRETURN rc) {
  retCode_ = rc;
  if (!TODBCError::IsSuccess(rc)) GlobalEnv().Error.RaiseError(this, rc);
}

// ---------------------------------------------------------------- lifecycle and text

bool THstmt::Init() {
  if (allocated_) return true;
  if (!hdbc_) throw EQuarnel("Property Hdbc of " + Name() + " not set.");
  hdbc_->Connect();
  SQLHSTMT h = SQL_NULL_HSTMT;
  retCode_ = SQLAllocHandle(SQL_HANDLE_STMT, hdbc_->Handle(), &h);
  // A failed allocation is recorded on the connection handle.
  if (!TODBCError::IsSuccess(retCode_)) GlobalEnv().Error.RaiseError(hdbc_, retCode_);
  hstmt_ = h;
  hdbc_->Children.AddChild(this);
  allocated_ = true;
  SetConcurrencyType(concurrency_);
  SetCursorType(cursorType_);
  SetRowSetSize(rowSetSize_);
  THbase::Init();
  if (!UseBookmarks(hstmt_, cursorFlags_)) bindBookmarks_ = false;
  return true;
}

bool THstmt::Terminate() {
  THbase::Terminate();
  if (!allocated_) return true;
  if (hdbc_) hdbc_->Children.RemoveChild(this);
  const auto release = [this] {
    hstmt_ = SQL_NULL_HSTMT;
    allocated_ = false;
    ipd_ = SQL_NULL_HDESC;
    async_ = false;
    prepared_ = false;
  };
  try {
    Close();
  } catch (...) {
    SQLFreeHandle(SQL_HANDLE_STMT, hstmt_);
    release();
    throw;
  }
  const SQLRETURN rc = SQLFreeHandle(SQL_HANDLE_STMT, hstmt_);
  try {
    Check(rc);
  } catch (...) {
    release();
    throw;
  }
  release();
  return true;
}

SQLHSTMT THstmt::Handle() {
  Init();
  return hstmt_;
}

void THstmt::SethDbc(THdbc* value) {
  Terminate();
  if (hdbc_ && hdbc_ != value) RemoveFreeNotification(hdbc_);
  hdbc_ = value;
  if (hdbc_) FreeNotification(hdbc_);
}

void THstmt::SetSQL(std::string text) {
  if (allocated_) Close();
  prepared_ = false;
  sql_ = std::move(text);
}

void THstmt::Prepare() {
  Close();
  DoBeforePrepare();
  const std::string parsed = ParseParamTokens(sql_, paramNames_);
  Check(SQLPrepare(hstmt_, (SQLCHAR*)parsed.c_str(), SQL_NTS));
  DoAfterPrepare();
  prepared_ = true;
}

void THstmt::SwitchAsyncOff() {
  if (allocated_)
    SQLSetStmtAttr(hstmt_, SQL_ATTR_ASYNC_ENABLE, AsPointer(SQL_ASYNC_ENABLE_OFF), SQL_IS_UINTEGER);
  async_ = false;
}

void THstmt::Execute() {
  Init();
  DoBeforeExecute();
  // Without parameter arrays the set size is the ODBC default of 1 (a size of 0 would
  // ask some drivers to execute for no parameter set at all).
  const SQLULEN setSize = std::max<SQLULEN>(maxParamArray_, 1);
  retCode_ = SQLSetStmtAttr(hstmt_, SQL_ATTR_PARAMSET_SIZE, AsPointer(setSize), SQL_IS_UINTEGER);
  if (maxParamArray_ > 1) Check(retCode_);

  std::string parsed;
  if (prepared_) {
    if (hdbc_->CursorLib() == SQL_CUR_USE_DRIVER) CloseCursor();
  } else {
    parsed = ParseParamTokens(sql_, paramNames_);
  }
  const auto call = [&] {
    return prepared_ ? SQLExecute(hstmt_)
                     : SQLExecDirect(hstmt_, (SQLCHAR*)parsed.c_str(), SQL_NTS);
  };
  if (execAsync_) {
    SQLSetStmtAttr(hstmt_, SQL_ATTR_ASYNC_ENABLE, AsPointer(SQL_ASYNC_ENABLE_ON), SQL_IS_UINTEGER);
    async_ = true;
  }
  SQLRETURN rc = call();
  while (rc == SQL_STILL_EXECUTING) {
    if (GlobalEnv().ProcessMessages) GlobalEnv().ProcessMessages();
    rc = call();
  }
  retCode_ = rc;
  if (rc != SQL_NEED_DATA && rc != SQL_NO_DATA) Check(rc);
  if (execAsync_) {
    async_ = false;
    const SQLRETURN off = SQLSetStmtAttr(hstmt_, SQL_ATTR_ASYNC_ENABLE,
                                         AsPointer(SQL_ASYNC_ENABLE_OFF), SQL_IS_UINTEGER);
    if (!TODBCError::IsSuccess(off)) Check(off);
    retCode_ = rc;
  }
  if (rc == SQL_NEED_DATA) SendDataAtExec();
  if (TODBCError::IsSuccess(retCode_)) DoAfterExecute();
  SQLSetStmtAttr(hstmt_, SQL_ATTR_ROWS_FETCHED_PTR, &rowsFetched_, 0);
}

void THstmt::SendDataAtExec() {
  SQLPOINTER token = nullptr;
  SQLRETURN rc = SQLParamData(hstmt_, &token);
  retCode_ = rc;
  if (rc != SQL_NEED_DATA) Check(rc);
  while (rc == SQL_NEED_DATA) {
    auto p = std::find_if(params_.begin(), params_.end(),
                          [&](const TParamRec& r) { return r.Value == token; });
    if (p == params_.end()) {
      SQLCancel(hstmt_);
      throw EQuarnel("The driver asked for data of a parameter that is not bound.");
    }
    const SQLLEN length = std::max<SQLLEN>(-p->Indicators[0] - 100, 0);
    const char* data = static_cast<const char*>(p->Value);
    rc = SQLPutData(hstmt_, const_cast<char*>(data),
                    length > 0 ? std::min<SQLLEN>(length, blobSize_) : 0);
    for (SQLLEN sent = std::min<SQLLEN>(length, blobSize_);
         TODBCError::IsSuccess(rc) && sent < length;) {
      const SQLLEN piece = std::min<SQLLEN>(blobSize_, length - sent);
      rc = SQLPutData(hstmt_, const_cast<char*>(data + sent), piece);
      sent += piece;
    }
    Check(rc);
    rc = SQLParamData(hstmt_, &token);
    retCode_ = rc;
    if (rc != SQL_NEED_DATA && rc != SQL_NO_DATA) Check(rc);
  }
}

void THstmt::Close() {
  CloseCursor();
  Check(SQLFreeStmt(hstmt_, SQL_RESET_PARAMS));
  FreeParams();
  paramNames_.clear();
  SQLSetStmtAttr(hstmt_, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
  Check(SQLFreeStmt(hstmt_, SQL_UNBIND));
  FreeColumns();
  ResetEditStatements();
  prepared_ = false;
}

void THstmt::CloseCursor() {
  Init();
  getDataFree_ = positionable_ = false;
  Check(SQLFreeStmt(hstmt_, SQL_CLOSE));
}

void THstmt::FreeParams() {
  params_.clear();
  maxParamArray_ = 0;
}

void THstmt::FreeColumns() {
  cols_.clear();
  colNames_.clear();
  rowStatus_.clear();
  rowOps_.clear();
  bookmarks_.clear();
  bookmarkInd_.clear();
  numCols_ = 0;
  rowsFetched_ = 0;
  colsBound_ = false;
  unboundLongs_ = false;
  getDataFree_ = positionable_ = false;
}

void THstmt::ResetEditStatements() {
  for (auto* s : {&insertStmt_, &updateStmt_, &deleteStmt_, &refreshStmt_})
    if (*s) (*s)->prepared_ = false;
}

// ---------------------------------------------------------------- options

void THstmt::SetAttr(SQLINTEGER attribute, SQLULEN value, bool raising) {
  SQLULEN current = 0;
  retCode_ = SQLGetStmtAttr(hstmt_, attribute, &current, sizeof current, nullptr);
  if (TODBCError::IsSuccess(retCode_) && current != value) {
    retCode_ = SQLSetStmtAttr(hstmt_, attribute, AsPointer(value), SQL_IS_UINTEGER);
    if (raising) Check(retCode_);
  }
}

void THstmt::SetConcurrencyType(SQLUINTEGER value) {
  concurrency_ = value;
  if (!allocated_) return;
  Close();
  SetAttr(SQL_ATTR_CONCURRENCY, value, true);
}

void THstmt::SetCursorType(SQLUINTEGER value) {
  cursorType_ = value;
  if (!allocated_) return;
  Close();
  static const SQLUSMALLINT kInfo[] = {
      SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_KEYSET_CURSOR_ATTRIBUTES1,
      SQL_DYNAMIC_CURSOR_ATTRIBUTES1, SQL_STATIC_CURSOR_ATTRIBUTES1};
  if (value <= 3) cursorFlags_ = hdbc_->GetInfoInteger(kInfo[value]);
  SetAttr(SQL_ATTR_CURSOR_TYPE, value, true);
  // A cursor type chosen after allocation needs bookmarks switched to match, or reading
  // a bookmark would be refused.
  if (!UseBookmarks(hstmt_, cursorFlags_)) {
    SQLSetStmtAttr(hstmt_, SQL_ATTR_USE_BOOKMARKS, AsPointer(SQL_UB_OFF), SQL_IS_UINTEGER);
    bindBookmarks_ = false;
  }
}

void THstmt::SetRowSetSize(SQLUINTEGER value) {
  if (value == 0) return;
  rowSetSize_ = value;
  if (!allocated_) return;
  Close();
  SetAttr(SQL_ATTR_ROW_ARRAY_SIZE, value, true);
}

void THstmt::SetSkipByPosition(bool value) {
  skipByPosition_ = value;
  ResetEditStatements();
}

void THstmt::SetSkipByCursor(bool value) {
  skipByCursor_ = value;
  ResetEditStatements();
}

void THstmt::SetBlobSize(SQLINTEGER value) {
  if (value > 1024) blobSize_ = value;
}

SQLULEN THstmt::MaxRows() {
  Init();
  SQLULEN value = 0;
  Check(SQLGetStmtAttr(hstmt_, SQL_ATTR_MAX_ROWS, &value, sizeof value, nullptr));
  return value;
}

void THstmt::SetMaxRows(SQLULEN value) {
  Init();
  Check(SQLSetStmtAttr(hstmt_, SQL_ATTR_MAX_ROWS, AsPointer(value), SQL_IS_UINTEGER));
}

// ---------------------------------------------------------------- notifications

void THstmt::DoBeforePrepare() {
  if (BeforePrepare) BeforePrepare(this);
}
void THstmt::DoAfterPrepare() {
  if (AfterPrepare) AfterPrepare(this);
}
void THstmt::DoBeforeExecute() {
  if (BeforeExecute) BeforeExecute(this);
}
void THstmt::DoAfterExecute() {
  if (AfterExecute) AfterExecute(this);
}
void THstmt::DoBeforeFetch() {
  if (BeforeFetch) BeforeFetch(this);
}
void THstmt::DoAfterFetch() {
  if (AfterFetch) AfterFetch(this);
}
int32_t THstmt::DoRowCount() { return OnRowCount ? OnRowCount(this) : -1; }

void THstmt::AppendErrorDetails(std::string& out) const {
  AppendConnectionLine(*this, out);
  out += "SQL --> " + SQL() + "\r\n";
}

}  // namespace prenos
