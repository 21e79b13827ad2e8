// Statement execution and the pending batch: HstmtExecute turns any failure into one
// error-log record and the silent abort; sqlExecute sends SQLBatch through UpdateHstmt
// once it has grown past 8192 characters, or whenever a caller forces it.
#pragma once

#include <functional>
#include <string>

#include "odbc/hstmt.h"

namespace prenos {

// The one pending text of INSERT statements, each ending in "); ". Emptied at the start
// of every transfer run and by every successful send.
extern std::string SQLBatch;

// A batch of up to this many characters waits; a longer one is sent.
inline constexpr size_t kBatchThreshold = 8192;

// Executes the statement; true when it succeeded. On failure: with show, an error box
// (title "Error") "Napaka pri odpiranju datoteke: " + name + " !" CR LF + message; then
// one error-log record "HstmtExecute-" + name with the statement as sender; then EAbort.
bool HstmtExecute(THstmt& statement, bool show);

// Sends the batch through updateHstmt when force is set or it holds more than 8192
// characters; an empty batch is never sent. True when nothing had to be sent or the send
// succeeded (the batch is then empty), false when it failed (recorded; the batch keeps
// its whole text). Never raises. Every send is all-or-nothing: either every statement of
// the batch is committed, or none is and the batch stays for the next send. A send made
// while the connection is in a transaction (a transfer run's) runs inside it and leaves
// the commit to that transaction.
bool sqlExecute(THstmt& updateHstmt, std::string& batch, bool force);

// The GUI installs the error box HstmtExecute shows (title, text; Windows-1250).
using TErrorBoxHook = std::function<void(const std::string& title, const std::string& text)>;
void SetErrorBoxHook(TErrorBoxHook hook);

}  // namespace prenos
