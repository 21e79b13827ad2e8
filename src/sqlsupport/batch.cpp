// The pending batch and the execution of statements: every failure becomes one record in
// the error log and the silent abort; a batch goes to the ledger whole or not at all.
#include "sqlsupport/batch.h"

#include "localtables/errorlog.h"
#include "platform/exceptions.h"
#include "sqlsupport/batch_send.h"

namespace prenos {

std::string SQLBatch;

namespace {

TErrorBoxHook& ErrorBoxHook() {
  static TErrorBoxHook hook;
  return hook;
}

// Shows (with show) and records a failure of the statement's execution.
void ReportFailure(THstmt& statement, bool show, const std::exception* e) {
  if (show && ErrorBoxHook()) {
    try {
      ErrorBoxHook()("Error", "Napaka pri odpiranju datoteke: " + statement.Name() + " !\r\n" +
                                  (e ? e->what() : ""));
    } catch (...) {
      // A box that cannot be shown does not keep the failure from its record.
    }
  }
  LogError(e, &statement, "HstmtExecute-" + statement.Name());
}

// Runs the execution; any failure is reported and turned into the silent abort.
template <class Run>
bool ExecuteOrAbort(THstmt& statement, bool show, Run run) {
  try {
    run();
    return true;
  } catch (const std::exception& e) {
    ReportFailure(statement, show, &e);
  } catch (...) {
    ReportFailure(statement, show, nullptr);
  }
  throw EAbort();
}

}  // namespace

void SetErrorBoxHook(TErrorBoxHook hook) { ErrorBoxHook() = std::move(hook); }

bool HstmtExecute(THstmt& statement, bool show) {
  return ExecuteOrAbort(statement, show, [&] { statement.Execute(); });
}

bool sqlExecute(THstmt& updateHstmt, std::string& batch, bool force) {
  bool result = false;
  // An empty text is never executed: drivers refuse it, and there is nothing to send.
  if (batch.empty() || (!force && batch.size() <= kBatchThreshold)) return true;
  try {
    updateHstmt.Close();
    updateHstmt.SetSQL(batch);
    result = ExecuteOrAbort(updateHstmt, false, [&] { SendAllOrNothing(updateHstmt); });
    batch.clear();
    updateHstmt.Close();
  } catch (const std::exception& e) {
    // Nothing is written for the abort of a failed execution: it has its own record.
    LogError(&e, &updateHstmt, "sqlExecute");
  } catch (...) {
    LogError(nullptr, &updateHstmt, "sqlExecute");
  }
  return result;
}

}  // namespace prenos
