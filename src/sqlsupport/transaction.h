// A transaction on a connection for the length of a scope: auto-commit is off while the
// scope lives, Commit makes its work durable, and leaving the scope otherwise undoes it.
#pragma once

#include "odbc/hdbc.h"

namespace prenos {

class TTransaction {
 public:
  // Connects when needed and switches auto-commit off; raises EODBC when it cannot.
  explicit TTransaction(THdbc& connection);
  // Rolls back unless committed and switches auto-commit on again. When either fails the
  // connection is dropped instead (the server then rolls back), so that its next use
  // connects anew in auto-commit. Never raises.
  ~TTransaction();
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;

  // Commits. The driver's success is taken only while the driver still holds the
  // connection alive: a driver that already knows the link is gone answers success
  // without committing anything. A failure raises EODBC; the work is then not committed.
  void Commit();

 private:
  THdbc& connection_;
  bool committed_ = false;
};

}  // namespace prenos
