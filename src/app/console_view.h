// A transfer run without a window: the command line's choices in place of the selectors,
// the file given instead of the open-file dialog, progress and boxes on the console.
#pragma once

#include <string>

#include "transfer/import.h"
#include "transfer/run_view.h"

namespace prenos {

class TConsoleView : public TRunView {
 public:
  struct TChoices {
    std::string PoslDog, Referent, Temeljnica, Datum, FileName;  // Windows-1250
    bool Attach = false;
  };
  // quiet keeps the completion box off standard output (the --json output stands alone).
  TConsoleView(TChoices choices, bool quiet);

  std::string PoslDogText() const override { return c_.PoslDog; }
  std::string ReferentText() const override { return c_.Referent; }
  std::string TemeljnicaText() const override { return c_.Temeljnica; }
  std::string DatumText() const override { return c_.Datum; }
  bool AttachToExistingJournal() const override { return c_.Attach; }
  bool AskForFile() override { return true; }
  std::string FileName() const override { return c_.FileName; }
  // A percentage on standard error, only when it is a terminal.
  void SetProgress(int position) override;
  void SetWaitCursor(bool) override {}
  void ShowInformation(const std::string& title, const std::string& text) override;
  void ShowError(const std::string& text) override;
  void FillPrenos() override;
  TTable& StagingTable() override { return tables_.tbPrenos; }

 private:
  TChoices c_;
  bool quiet_;
  bool terminal_;
  int shown_ = -1;
  TImportTables tables_;
};

// Windows-1250 text to the console (UTF-8), a line end added.
void PrintOut(const std::string& text);
void PrintErr(const std::string& text);

}  // namespace prenos
