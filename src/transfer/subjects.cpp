// Looking up and registering the subjects that posting lines name.
#include "transfer/subjects.h"

#include "sqlsupport/batch.h"
#include "sqlsupport/insertsql.h"
#include "sqlsupport/literals.h"

namespace prenos {
namespace {

void RegisterSubject(const TLedger& ledger, const std::string& code) {
  try {
    // Whatever is pending goes first, so that the subject is sent on its own.
    sqlExecute(ledger.UpdateHstmt, SQLBatch, true);
    InsertSQL("Subjekt",
              {"Naziv", code, "Naziv2", code, "MaticnaStev", code.substr(0, 8), "VrstSubj", "P",
               "Valuta", "SIT", "DobValuta", "SIT"},
              SQLBatch);
    sqlExecute(ledger.UpdateHstmt, SQLBatch, true);
  } catch (...) {
    // The line is written with the code as its name whatever happened here; a failed
    // send has already been recorded by sqlExecute.
  }
}

}  // namespace

std::string SubjNaziv(const TLedger& ledger, const std::string& code) {
  THstmt& q = ledger.qQuery0;
  q.Close();
  q.SetSQL("SELECT Naziv FROM Subjekt WHERE Naziv2 = '" + QuoteSQL(code) + "'");
  q.Execute();
  std::string result;
  if (q.FetchNext()) {
    result = q.ColString(1);
  } else {
    RegisterSubject(ledger, code);
    result = code;
  }
  q.Close();
  return result;
}

}  // namespace prenos
