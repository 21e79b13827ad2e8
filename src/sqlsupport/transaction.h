// A transaction on a connection for the length of a scope: auto-commit is off while the
// scope lives, Commit makes its work durable, and leaving the scope otherwise undoes it.
// A scope opened while the connection is already in a transaction joins it: its Commit
// and its end leave the decision to the scope that opened the transaction.
#pragma once

#include "odbc/hdbc.h"

namespace prenos {

class TTransaction {
 public:
  // Connects when needed and switches auto-commit off (or joins the transaction already
  // open on the connection); raises EODBC when it cannot.
  explicit TTransaction(THdbc& connection);
  // Rolls back unless committed and switches auto-commit on again. When either fails the
  // connection is dropped instead (the server then rolls back), so that its next use
  // connects anew in auto-commit. Never raises.
  ~TTransaction();
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;

  // Commits. The driver's success is taken only while the driver still holds the
  // connection alive: a driver that already knows the link is gone answers success
  // without committing anything. A connection found connected anew since the scope began
  // (back in auto-commit) fails too: what ran on it was not part of this transaction. A
  // failure raises EODBC; the work is then not committed. A joined scope commits nothing.
  void Commit();
  // Rolls back now (a joined scope does nothing); raises EODBC when the driver fails.
  void Rollback();

  bool Joined() const { return joined_; }

 private:
  THdbc& connection_;
  bool joined_ = false;
  bool ended_ = false;
};

}  // namespace prenos
