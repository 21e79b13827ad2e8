// Auto-commit off, commit or roll back, auto-commit on: the explicit transaction every
// send of the pending batch runs in.
#include "sqlsupport/transaction.h"

#include "odbc/henv.h"
#include "odbc/odbcerror.h"

namespace prenos {
namespace {

SQLRETURN SetAutoCommit(SQLHDBC handle, SQLULEN value) {
  return SQLSetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value),
                           SQL_IS_UINTEGER);
}

// Takes the connection down with raising suppressed.
void DropQuietly(THdbc& connection) noexcept {
  THenv& env = GlobalEnv();
  const bool previous = env.Shutdown;
  env.Shutdown = true;
  try {
    connection.Terminate();
  } catch (...) {
  }
  env.Shutdown = previous;
}

bool AutoCommitOff(SQLHDBC handle) {
  SQLULEN value = SQL_AUTOCOMMIT_ON;
  return TODBCError::IsSuccess(
             SQLGetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT, &value, SQL_IS_UINTEGER, nullptr)) &&
         value == SQL_AUTOCOMMIT_OFF;
}

[[noreturn]] void RaiseLinkLost(THdbc& connection, const char* text) {
  throw EODBC(&connection, {TErrorRec{"08S01", 0, text}}, SQL_ERROR);
}

}  // namespace

TTransaction::TTransaction(THdbc& connection) : connection_(connection) {
  connection_.Connect();
  joined_ = AutoCommitOff(connection_.Handle());
  if (joined_) return;
  const SQLRETURN rc = SetAutoCommit(connection_.Handle(), SQL_AUTOCOMMIT_OFF);
  if (!TODBCError::IsSuccess(rc)) GlobalEnv().Error.RaiseError(&connection_, rc);
}

TTransaction::~TTransaction() {
  if (joined_) return;
  // A connection torn down meanwhile (a lost link) has nothing left to undo, and the
  // next one starts in auto-commit.
  if (!connection_.Allocated() || !connection_.Connected()) return;
  const SQLHDBC handle = connection_.Handle();
  // Switching auto-commit on commits what is open, so it follows only a clean end.
  const bool ended =
      ended_ || TODBCError::IsSuccess(SQLEndTran(SQL_HANDLE_DBC, handle, SQL_ROLLBACK));
  if (ended && TODBCError::IsSuccess(SetAutoCommit(handle, SQL_AUTOCOMMIT_ON))) return;
  DropQuietly(connection_);
}

void TTransaction::Commit() {
  if (joined_) return;
  if (!connection_.Allocated() || !connection_.Connected())
    RaiseLinkLost(connection_,
                  "Communication link failure: the connection was lost before the commit.");
  const SQLHDBC handle = connection_.Handle();
  if (!AutoCommitOff(handle))
    RaiseLinkLost(
        connection_,
        "Communication link failure: the connection was made anew during the transaction.");
  const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, handle, SQL_COMMIT);
  if (!TODBCError::IsSuccess(rc)) GlobalEnv().Error.RaiseError(&connection_, rc);
  SQLUINTEGER dead = SQL_CD_FALSE;
  if (TODBCError::IsSuccess(
          SQLGetConnectAttr(handle, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)) &&
      dead == SQL_CD_TRUE)
    RaiseLinkLost(connection_,
                  "Communication link failure: the connection was lost before the commit.");
  ended_ = true;
}

void TTransaction::Rollback() {
  if (joined_ || ended_) return;
  // A connection torn down meanwhile has had its work undone by the server.
  if (connection_.Allocated() && connection_.Connected()) {
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, connection_.Handle(), SQL_ROLLBACK);
    // Unended, the scope's end tries again and drops the connection if that fails too.
    if (!TODBCError::IsSuccess(rc)) GlobalEnv().Error.RaiseError(&connection_, rc);
  }
  ended_ = true;
}

}  // namespace prenos
