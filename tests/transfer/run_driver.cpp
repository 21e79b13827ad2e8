// A transfer run without a window, for the tests that run it as a process of its own
// (killed part-way, or two at a time): the stored login, the real data module and
// staging tables, the boxes written to standard output.
//
//   transfer_run_driver FILE DATE EVENT [hold-after-send N | hold-when-started]
//
// Holding prints "HOLD" and waits for a line on standard input before going on.
#include <cstdio>
#include <iostream>
#include <string>

#include "app/datasif.h"
#include "settings/credentials.h"
#include "transfer/import.h"
#include "transfer/run.h"

namespace prenos {
namespace {

class ConsoleView : public TRunView {
 public:
  ConsoleView(std::string file, std::string date, std::string event)
      : file_(std::move(file)), date_(std::move(date)), event_(std::move(event)) {}
  std::string PoslDogText() const override { return event_; }
  std::string ReferentText() const override { return "07"; }
  std::string TemeljnicaText() const override { return ""; }
  std::string DatumText() const override { return date_; }
  bool AttachToExistingJournal() const override { return false; }
  bool AskForFile() override { return true; }
  std::string FileName() const override { return file_; }
  void SetProgress(int) override {}
  void SetWaitCursor(bool) override {}
  void ShowInformation(const std::string&, const std::string& text) override {
    Print("INFO", text);
  }
  void ShowError(const std::string& text) override { Print("ERROR", text); }
  void FillPrenos() override { prenos::FillPrenos(tables_.tbPrenos, tables_.TAscii, file_); }
  TTable& StagingTable() override { return tables_.tbPrenos; }

 private:
  static void Print(const char* kind, std::string text) {
    for (char& c : text)
      if (c == '\n') c = '|';
    std::printf("%s %s\n", kind, text.c_str());
    std::fflush(stdout);
  }
  std::string file_, date_, event_;
  TImportTables tables_;
};

void Hold() {
  std::printf("HOLD\n");
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
}

class HoldWhenStarted : public TRunObserver {
 public:
  void Started(const TRunSummary&) override { Hold(); }
};

}  // namespace
}  // namespace prenos

int main(int argc, char** argv) {
  using namespace prenos;
  if (argc != 4 && argc != 5 && argc != 6) {
    std::fprintf(
        stderr,
        "usage: transfer_run_driver FILE DATE EVENT [hold-after-send N | hold-when-started]\n");
    return 2;
  }
  try {
    GetUserNameAndPassword(SQLUserName, SQLPassword);
    TDataSif module;
    ConsoleView view(argv[1], argv[2], argv[3]);
    const std::string hold = argc >= 5 ? argv[4] : "";
    int sends = 0;
    const int holdAt = argc == 6 ? std::stoi(argv[5]) : 0;
    if (hold == "hold-after-send")
      module.UpdateHstmt.AfterExecute = [&](TComponent*) {
        if (++sends == holdAt) Hold();
      };
    HoldWhenStarted started;
    TRunOptions options;
    if (hold == "hold-when-started") options.Observer = &started;
    const TRunSummary summary = RunTransfer(
        view, TLedger{module.Database, module.UpdateHstmt, module.qQueryFind, module.qQuery0},
        options);
    std::printf("OUTCOME %d %s\n", static_cast<int>(summary.Outcome), summary.Journal.c_str());
    return summary.Outcome == TRunSummary::TOutcome::Booked ? 0 : 1;
  } catch (const std::exception& e) {
    std::printf("EXCEPTION %s\n", e.what());
    return 3;
  }
}
