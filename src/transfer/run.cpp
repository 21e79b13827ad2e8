// The transfer run: its steps in order, from the fresh connection to the closing message.
#include "transfer/run.h"

#include <cstdint>

#include "platform/convert.h"
#include "settings/credentials.h"
#include "sqlsupport/batch.h"
#include "transfer/numbering.h"
#include "transfer/posting.h"

namespace prenos {
namespace {

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

}  // namespace

void RunTransfer(TRunView& view, const TLedger& ledger) {
  // Every run starts on a fresh connection made with the stored login.
  ledger.Database.SetConnected(false);
  ledger.Database.SetUserName(SQLUserName);
  ledger.Database.SetPassword(SQLPassword);
  ledger.Database.SetConnected(true);
  view.SetProgress(0);

  // The dialog keeps the last file name: going on after a cancel would book that file again.
  if (!view.AskForFile() || view.FileName().empty()) return;
  TransferDate = StrToDate(view.DatumText());

  TWaitCursor wait(view);
  SQLBatch.clear();
  std::string kljuc;
  int poz = 0;
  if (view.AttachToExistingJournal()) {
    kljuc = view.TemeljnicaText();
    poz = NovaStevPozN(ledger.qQueryFind, "TemePoz", kljuc, 1);
  }

  view.FillPrenos();
  TTable& staged = view.StagingTable();
  const int64_t count = staged.RecordCount();
  int64_t index = 0;
  const TPostingSource source{ledger, staged, view.PoslDogText(), view.ReferentText()};
  while (!staged.Eof()) {
    const std::string kzRacuna = staged.FieldByName("KzRacuna").AsString();
    const std::string kNaRacun = staged.FieldByName("KNaRacun").AsString();
    FillPoz(source, kljuc, poz, "D", kzRacuna, kNaRacun);
    FillPoz(source, kljuc, poz, "K", kNaRacun, kzRacuna);
    view.SetProgress(static_cast<int>(RoundHalfEven(static_cast<double>(index) * 100 / count)));
    ++index;
    staged.Next();
  }
  staged.Close();
  wait.Restore();

  sqlExecute(ledger.UpdateHstmt, SQLBatch, true);
  view.SetProgress(100);
  // A failed send keeps its statements; the next run empties the batch, so they are lost
  // unless the user learns of it now.
  if (SQLBatch.empty())
    view.ShowInformation("Information", kTransferDoneText);
  else
    view.ShowError(kTransferFailedText);
}

}  // namespace prenos
