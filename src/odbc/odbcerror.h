// Diagnostics of failed ODBC calls: the records of a handle, the exception that carries
// them (EODBC), and the teardown of a connection whose link is lost.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "odbc/hbase.h"

namespace prenos {

// One diagnostic record; the layer's own records have an empty state and native error 0.
struct TErrorRec {
  std::string SqlState;
  SQLINTEGER NativeError = 0;
  std::string Message;
};

class EODBC;
class THenv;

// Shows the error dialog for an exception with the given message line. The dialog
// target installs it (InstallErrorDialog); without one ShowDialog does nothing.
using TErrorDialogHandler = std::function<void(EODBC& error, const std::string& text)>;

class TODBCError {
 public:
  // True exactly for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO.
  static bool IsSuccess(SQLRETURN retCode) {
    return retCode == SQL_SUCCESS || retCode == SQL_SUCCESS_WITH_INFO;
  }

  // Reads the records of the owner's handle and throws EODBC; returns normally only
  // while the environment's Shutdown is set.
  void RaiseError(THbase* owner, SQLRETURN retCode);

  // The records of the handle in HandleType/Handle for a return code (never empty).
  std::vector<TErrorRec> GetErrorList(SQLRETURN retCode);

  // The environment this object belongs to (its Shutdown flag silences RaiseError).
  THenv* Env = nullptr;
  SQLSMALLINT HandleType = SQL_HANDLE_ENV;
  SQLHANDLE Handle = SQL_NULL_HANDLE;
  TErrorDialogHandler ErrorDialog;
};

// True when a SQLSTATE says that the link to the server is gone: class 08, and
// PostgreSQL's 57P01..57P03 (backend terminated, crash shutdown, cannot connect now),
// which it reports before the 08 state of the next call.
bool IsLinkFailure(const std::string& sqlState);

// Failure of an ODBC call with all diagnostic records of the handle. Copies share one
// state; when the last copy is destroyed (the handler is done with it) a lost link is
// taken down, so the next use of the connection connects again.
class EODBC : public EQuarnel {
 public:
  EODBC(THbase* owner, std::vector<TErrorRec> list, SQLRETURN retCode);

  const char* ClassName() const noexcept override { return "EODBC"; }

  // The component whose call failed, nullptr once it has been destroyed.
  THbase* Owner() const;
  SQLRETURN RetCode() const { return state_->retCode; }
  int ErrorIndex() const { return state_->index; }
  const std::vector<TErrorRec>& ErrorList() const { return state_->list; }

  void First() { state_->index = 0; }
  bool Next();
  bool Prior();
  // Fields of the current record (empty / 0 when the index is outside the list).
  std::string SqlState() const;
  SQLINTEGER NativeError() const;
  std::string ErrorMsg() const;

  // Shows the error dialog with the text as its message line.
  void ShowDialog(const std::string& text);

 private:
  struct State {
    std::shared_ptr<THbase* const> owner;
    SQLRETURN retCode = SQL_ERROR;
    int index = 0;
    std::vector<TErrorRec> list;
    ~State();  // the link check; never throws
  };
  std::shared_ptr<State> state_;
};

}  // namespace prenos
