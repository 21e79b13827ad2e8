// Looking up and registering the subjects that posting lines name.
#include "transfer/subjects.h"

#include "localtables/errorlog.h"
#include "sqlsupport/insertsql.h"
#include "sqlsupport/literals.h"
#include "transfer/run_failure.h"

namespace prenos {
namespace {

void RegisterSubject(const TLedger& ledger, const std::string& code) {
  // Whatever is pending goes first, so that the subject is sent on its own.
  SendPending(ledger, true, run_step::kSubjectRegistration);
  InsertSQL("Subjekt",
            {"Naziv", code, "Naziv2", code, "MaticnaStev", code.substr(0, 8), "VrstSubj", "P",
             "Valuta", "SIT", "DobValuta", "SIT"},
            SQLBatch);
  SendPending(ledger, true, run_step::kSubjectRegistration);
}

// The name the ledger holds for code; false when it holds none.
bool LookUp(THstmt& q, const std::string& code, std::string& name) {
  try {
    q.Close();
    q.SetSQL("SELECT Naziv FROM Subjekt WHERE Naziv2 = '" + QuoteSQL(code) + "'");
    q.Execute();
    const bool found = q.FetchNext();
    if (found) name = q.ColString(1);
    q.Close();
    return found;
  } catch (const std::exception& e) {
    LogError(&e, &q, "SubjNaziv");
    throw ERunFailure(run_step::kSubjectLookup, e.what());
  }
}

}  // namespace

std::string SubjNaziv(const TLedger& ledger, const std::string& code,
                      std::vector<std::string>* registered) {
  std::string result;
  if (LookUp(ledger.qQuery0, code, result)) return result;
  RegisterSubject(ledger, code);
  if (registered) registered->push_back(code);
  return code;
}

}  // namespace prenos
