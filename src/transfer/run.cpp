// The transfer run: its steps in order, from the fresh connection to the closing box, the
// ledger work inside one transaction.
#include "transfer/run.h"

#include <cstdint>
#include <optional>

#include "localtables/errorlog.h"
#include "platform/convert.h"
#include "settings/credentials.h"
#include "sqlsupport/batch.h"
#include "sqlsupport/transaction.h"
#include "transfer/numbering.h"
#include "transfer/posting.h"
#include "transfer/run_failure.h"

namespace prenos {
namespace {

using TOutcome = TRunSummary::TOutcome;

// The application's wait cursor from construction until Restore or the end of the run,
// whichever comes first, so that a failing run does not leave it on.
class TWaitCursor {
 public:
  explicit TWaitCursor(TRunView& view) : view_(view) { view_.SetWaitCursor(true); }
  ~TWaitCursor() {
    try {
      Restore();
    } catch (...) {
    }
  }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
  void Restore() {
    if (!on_) return;
    on_ = false;
    view_.SetWaitCursor(false);
  }

 private:
  TRunView& view_;
  bool on_ = true;
};

// The ledger part of a run, from the open transaction to the commit (or, for a preview,
// the rollback). Raises ERunFailure when a ledger step fails; the transaction is then
// rolled back by its scope.
void BookFile(TRunView& view, const TLedger& ledger, const TRunOptions& options,
              TRunSummary& summary, TWaitCursor& wait, bool& imported) {
  TTransaction transaction = InStep(run_step::kBegin, [&] {
    try {
      return TTransaction(ledger.Database);
    } catch (const std::exception& e) {
      LogError(&e, &ledger.Database, "Transaction");
      throw;
    }
  });
  std::string& kljuc = summary.Journal;
  int poz = 0;
  if (summary.AttachedToExisting) {
    kljuc = view.TemeljnicaText();
    poz = InStep(run_step::kPosition,
                 [&] { return NovaStevPozN(ledger.qQueryFind, "TemePoz", kljuc, 1); });
  }

  view.FillPrenos();
  imported = true;
  TTable& staged = view.StagingTable();
  summary.Records = staged.RecordCount();
  if (options.Observer) options.Observer->Started(summary);
  int64_t index = 0;
  const TPostingSource source{
      ledger, staged, view.PoslDogText(), view.ReferentText(), &summary, options.CollectLines};
  while (!staged.Eof()) {
    const std::string kzRacuna = staged.FieldByName("KzRacuna").AsString();
    const std::string kNaRacun = staged.FieldByName("KNaRacun").AsString();
    const int before = summary.Lines;
    FillPoz(source, kljuc, poz, "D", kzRacuna, kNaRacun);
    FillPoz(source, kljuc, poz, "K", kNaRacun, kzRacuna);
    if (summary.Lines == before) ++summary.Skipped;
    view.SetProgress(
        static_cast<int>(RoundHalfEven(static_cast<double>(index) * 100 / summary.Records)));
    ++index;
    staged.Next();
  }
  staged.Close();
  wait.Restore();

  SendPending(ledger, true, run_step::kSend);
  if (options.Observer) options.Observer->Committing(summary);
  InStep(run_step::kCommit, [&] {
    try {
      if (options.Preview)
        transaction.Rollback();
      else
        transaction.Commit();
    } catch (const std::exception& e) {
      LogError(&e, &ledger.Database, "Commit");
      throw;
    }
  });
}

}  // namespace

TRunSummary RunTransfer(TRunView& view, const TLedger& ledger, const TRunOptions& options) {
  TRunSummary summary;
  // Every run starts on a fresh connection made with the stored login.
  ledger.Database.SetConnected(false);
  ledger.Database.SetUserName(SQLUserName);
  ledger.Database.SetPassword(SQLPassword);
  ledger.Database.SetConnected(true);
  view.SetProgress(0);

  const auto finish = [&](TOutcome outcome) {
    summary.Outcome = outcome;
    if (options.Observer) options.Observer->Finished(summary);
  };
  // The dialog keeps the last file name: going on after a cancel would book that file again.
  if (!view.AskForFile() || view.FileName().empty()) {
    finish(TOutcome::Cancelled);
    return summary;
  }
  summary.FileName = view.FileName();
  TransferDate = StrToDate(view.DatumText());
  if (options.Observer && !options.Observer->FileChosen(summary.FileName)) {
    finish(TOutcome::Cancelled);
    return summary;
  }
  summary.AttachedToExisting = view.AttachToExistingJournal();

  TWaitCursor wait(view);
  SQLBatch.clear();
  const TErrorLogWatch recorded;
  bool imported = false;
  try {
    BookFile(view, ledger, options, summary, wait, imported);
  } catch (const std::exception& e) {
    // The transaction is rolled back here: nothing pending can be sent any more.
    SQLBatch.clear();
    wait.Restore();
    const auto* failure = dynamic_cast<const ERunFailure*>(&e);
    if (failure || IsExactlyEAbort(e)) {
      summary.FailedStep = failure ? failure->Step() : run_step::kPosting;
      summary.Failure =
          FirstLine(failure && !failure->Message().empty() ? failure->Message() : recorded.Error());
      finish(TOutcome::Failed);
      view.ShowError(FailureText(summary));
      return summary;
    }
    // Anything else (an import that fails, above all) is shown by the caller as before.
    summary.FailedStep = imported ? run_step::kPosting : run_step::kImport;
    summary.Failure = FirstLine(e.what());
    finish(TOutcome::Failed);
    throw;
  }
  view.SetProgress(100);
  finish(options.Preview ? TOutcome::Preview : TOutcome::Booked);
  view.ShowInformation("Information", SummaryText(summary));
  return summary;
}

}  // namespace prenos
