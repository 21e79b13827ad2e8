// The one ODBC environment of the process: its handle, its allocated connections, the
// diagnostics object every return code is tested with, and the Shutdown switch.
#pragma once

#include <functional>

#include "odbc/hbase.h"
#include "odbc/odbcerror.h"

namespace prenos {

enum class TConnectionPooling { cpDefault, cpOff, cpOnePerDriver, cpOnePerEnv };

class THenv : public THbase {
 public:
  // Allocates the environment handle at once (ODBC 3 behaviour).
  THenv();
  // Frees every connection and the handle with Shutdown set, so nothing raises.
  ~THenv() override;

  const char* ClassName() const override { return "THenv"; }

  bool Init() override;
  // Terminates every allocated connection; the environment handle itself stays.
  bool Terminate() override;
  void FreeHandle();

  SQLHENV Handle() const { return henv_; }
  bool Allocated() const { return allocated_; }
  SQLRETURN RetCode() const { return retCode_; }
  SQLSMALLINT HandleType() const override { return SQL_HANDLE_ENV; }
  SQLHANDLE RawHandle() const override { return henv_; }

  TConnectionPooling ConnectionPooling() const { return pooling_; }
  // A new value frees the handle (terminating every connection of the process),
  // stores the value and allocates again.
  void SetConnectionPooling(TConnectionPooling value);

  // Diagnostics object of the layer.
  TODBCError Error;
  // Allocated connections.
  TChildren Children;
  // Window handle given to the driver manager for driver dialogs; none on this platform.
  SQLHWND ParentWindow = nullptr;
  // While set, RaiseError raises nothing (teardown after a lost link, program exit).
  bool Shutdown = false;
  // Called between the polls of an asynchronous execute so that the user interface can
  // handle its pending events; the GUI may install it, by default there is none.
  std::function<void()> ProcessMessages;

 private:
  SQLHENV henv_ = SQL_NULL_HENV;
  bool allocated_ = false;
  SQLRETURN retCode_ = SQL_SUCCESS;
  TConnectionPooling pooling_ = TConnectionPooling::cpDefault;
};

// The process's environment, created (and its handle allocated) on the first request.
THenv& GlobalEnv();

}  // namespace prenos
