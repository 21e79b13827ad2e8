// Auto-commit off, commit or roll back, auto-commit on: the explicit transaction every
// send of the pending batch runs in.
#include "sqlsupport/transaction.h"

#include "odbc/henv.h"
#include "odbc/odbcerror.h"

namespace prenos {
namespace {

SQLRETURN SetAutoCommit(SQLHDBC handle, SQLULEN value) {
  return SQLSetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), SQL_IS_UINTEGER);
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

}  // namespace

TTransaction::TTransaction(THdbc& connection) : connection_(connection) {
  connection_.Connect();
  const SQLRETURN rc = SetAutoCommit(connection_.Handle(), SQL_AUTOCOMMIT_OFF);
  if (!TODBCError::IsSuccess(rc)) GlobalEnv().Error.RaiseError(&connection_, rc);
}

TTransaction::~TTransaction() {
  // A connection torn down meanwhile (a lost link) has nothing left to undo, and the
  // next one starts in auto-commit.
  if (!connection_.Allocated() || !connection_.Connected()) return;
  const SQLHDBC handle = connection_.Handle();
  // Switching auto-commit on commits what is open, so it follows only a clean end.
  const bool ended = committed_ || TODBCError::IsSuccess(SQLEndTran(SQL_HANDLE_DBC, handle, SQL_ROLLBACK));
  if (ended && TODBCError::IsSuccess(SetAutoCommit(handle, SQL_AUTOCOMMIT_ON))) return;
  DropQuietly(connection_);
}

void TTransaction::Commit() {
  const SQLHDBC handle = connection_.Handle();
  const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, handle, SQL_COMMIT);
  if (!TODBCError::IsSuccess(rc)) GlobalEnv().Error.RaiseError(&connection_, rc);
  SQLUINTEGER dead = SQL_CD_FALSE;
  if (TODBCError::IsSuccess(SQLGetConnectAttr(handle, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)) &&
      dead == SQL_CD_TRUE)
    throw EODBC(&connection_,
                {TErrorRec{"08S01", 0, "Communication link failure: the connection was lost before the commit."}},
                SQL_ERROR);
  committed_ = true;
}

}  // namespace prenos
