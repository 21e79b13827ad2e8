// The process's ODBC environment.
#include "odbc/henv.h"

namespace prenos {
namespace {

SQLULEN PoolingValue(TConnectionPooling p) {
  switch (p) {
    case TConnectionPooling::cpOff: return SQL_CP_OFF;
    case TConnectionPooling::cpOnePerDriver: return SQL_CP_ONE_PER_DRIVER;
    case TConnectionPooling::cpOnePerEnv: return SQL_CP_ONE_PER_HENV;
    case TConnectionPooling::cpDefault: break;
  }
  return SQL_CP_OFF;
}

}  // namespace

THenv::THenv() : THbase(nullptr, {}) {
  Error.Env = this;
  Init();
}

THenv::~THenv() {
  Shutdown = true;
  try {
    FreeHandle();
  } catch (...) {
  }
  Children.Clear();
}

bool THenv::Init() {
  if (allocated_) return true;
  if (pooling_ != TConnectionPooling::cpDefault) {
    const SQLULEN wanted = PoolingValue(pooling_);
    SQLULEN current = 0;
    retCode_ = SQLGetEnvAttr(SQL_NULL_HENV, SQL_ATTR_CONNECTION_POOLING, &current, sizeof current,
                             nullptr);
    if (TODBCError::IsSuccess(retCode_) && current != wanted) {
      retCode_ = SQLSetEnvAttr(SQL_NULL_HENV, SQL_ATTR_CONNECTION_POOLING,
                               reinterpret_cast<SQLPOINTER>(wanted), SQL_IS_UINTEGER);
      if (!TODBCError::IsSuccess(retCode_)) Error.RaiseError(this, retCode_);
    }
  }
  SQLHENV h = SQL_NULL_HENV;
  retCode_ = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h);
  if (!TODBCError::IsSuccess(retCode_)) Error.RaiseError(this, retCode_);
  henv_ = h;
  retCode_ =
      SQLSetEnvAttr(henv_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!TODBCError::IsSuccess(retCode_)) Error.RaiseError(this, retCode_);
  allocated_ = true;
  THbase::Init();
  return true;
}

bool THenv::Terminate() {
  THbase::Terminate();
  Children.TerminateAll();
  return true;
}

void THenv::FreeHandle() {
  if (!allocated_) return;
  Terminate();
  retCode_ = SQLFreeHandle(SQL_HANDLE_ENV, henv_);
  if (!TODBCError::IsSuccess(retCode_)) Error.RaiseError(this, retCode_);
  henv_ = SQL_NULL_HENV;
  allocated_ = false;
}

void THenv::SetConnectionPooling(TConnectionPooling value) {
  if (value == pooling_) return;
  FreeHandle();
  pooling_ = value;
  Init();
}

THenv& GlobalEnv() {
  static THenv env;
  return env;
}

}  // namespace prenos
