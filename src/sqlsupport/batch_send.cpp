// The all-or-nothing send of a batch.
#include "sqlsupport/batch_send.h"

#include "odbc/henv.h"
#include "sqlsupport/transaction.h"

namespace prenos {
namespace {

void Check(THstmt& statement, SQLRETURN rc) {
  if (!TODBCError::IsSuccess(rc) && rc != SQL_NO_DATA) GlobalEnv().Error.RaiseError(&statement, rc);
}

// Reads the results after the first: a driver may report the failure of a later
// statement of a batch only there.
void ReadRemainingResults(THstmt& statement) {
  SQLRETURN rc;
  while ((rc = SQLMoreResults(statement.Handle())) != SQL_NO_DATA) Check(statement, rc);
}

bool TakesBatches(THdbc& connection) {
  return (connection.GetInfoInteger(SQL_BATCH_SUPPORT) & SQL_BS_ROW_COUNT_EXPLICIT) != 0;
}

}  // namespace

std::vector<std::string_view> SplitStatements(std::string_view batch) {
  // Jumps from quote to quote and from statement end to statement end rather than
  // looking at every character: a batch is long and mostly literals.
  std::vector<std::string_view> out;
  size_t start = 0, from = 0;
  size_t end = batch.find("); ");
  while (end != std::string_view::npos) {
    const size_t quote = batch.find('\'', from);
    if (quote == std::string_view::npos || end < quote) {
      out.push_back(batch.substr(start, end + 3 - start));
      start = from = end + 3;
      end = batch.find("); ", from);
      continue;
    }
    // A literal, up to its closing quote; a doubled quote closes and reopens it.
    const size_t close = batch.find('\'', quote + 1);
    if (close == std::string_view::npos) break;
    from = close + 1;
    if (end < from) end = batch.find("); ", from);
  }
  if (start < batch.size() || out.empty()) out.push_back(batch.substr(start));
  return out;
}

void SendAllOrNothing(THstmt& statement) {
  statement.Init();
  THdbc& connection = *statement.hDbc();
  TTransaction transaction(connection);
  if (TakesBatches(connection)) {
    statement.Execute();
    ReadRemainingResults(statement);
  } else {
    // The statement's own notifications still frame the send, so whoever watches what
    // UpdateHstmt executes sees the batch the same way on every driver.
    if (statement.BeforeExecute) statement.BeforeExecute(&statement);
    const std::string& text = statement.SQL();
    for (std::string_view one : SplitStatements(text)) {
      const std::string sql(one);
      Check(statement, SQLExecDirect(statement.Handle(), (SQLCHAR*)sql.c_str(), SQL_NTS));
      Check(statement, SQLFreeStmt(statement.Handle(), SQL_CLOSE));
    }
    if (statement.AfterExecute) statement.AfterExecute(&statement);
  }
  transaction.Commit();
}

}  // namespace prenos
