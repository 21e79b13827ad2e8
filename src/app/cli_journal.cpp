// "history", "undo" and "errors": the run journal, the undo of a booked run and the error
// table, as the history and error windows show them.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <iostream>

#include "app/cli_commands.h"
#include "app/cli_json.h"
#include "app/console_view.h"
#include "app/datasif.h"
#include "localtables/errorlog.h"
#include "settings/credentials.h"
#include "transfer/run_resolution.h"
#include "transfer/run_texts.h"
#include "transfer/run_undo.h"

namespace prenos {
namespace {

// The module's connection made anew with the stored login.
void Connect(TDataSif& module) {
  GetUserNameAndPassword(SQLUserName, SQLPassword);
  module.Database.SetConnected(false);
  module.Database.SetUserName(SQLUserName);
  module.Database.SetPassword(SQLPassword);
  module.Database.SetConnected(true);
}

std::string Cell(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text + "  ";
}

std::string FileNameOnly(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Yes only when a person at a terminal answers "da".
bool Confirmed(const std::string& question) {
  if (::isatty(STDIN_FILENO) != 1) return false;
  PrintErr(question + "\nRazveljavim? [da/NE] ");
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "da" || answer == "d" || answer == "DA" || answer == "Da";
}

}  // namespace

int HistoryCommand(bool json) {
  TRunJournal journal;
  if (!journal.Running().empty()) {
    // Rows a killed program left running are settled against the ledger when it answers.
    try {
      TDataSif module;
      Connect(module);
      ResolveInterruptedRuns(journal, module.qQueryFind);
    } catch (const std::exception& e) {
      PrintErr(
          "Nedokon\xE8"
          "anih prenosov ni bilo mogo\xE8"
          "e razre\x9A"
          "iti: " +
          std::string(e.what()));
    }
  }
  const std::vector<TRunRecord> runs = journal.List();
  if (json) {
    QJsonArray list;
    for (const TRunRecord& r : runs) list.append(RunJson(r));
    PrintJson(list);
    return kExitDone;
  }
  PrintOut(Cell("Prenos", 6) +
           Cell("\xC8"
                "as",
                16) +
           Cell("Datoteka", 24) + Cell("Temeljnica", 10) + Cell("Vrstice", 7) + Cell("Debet", 14) +
           Cell("Kredit", 14) + Cell("Izid", 14) + "Uporabnik");
  for (const TRunRecord& r : runs)
    PrintOut(Cell(std::to_string(r.Id), 6) + Cell(DateTimeText(r.Started), 16) +
             Cell(FileNameOnly(r.FileName), 24) + Cell(r.Journal, 10) +
             Cell(std::to_string(r.Lines), 7) + Cell(AmountText(r.Debit), 14) +
             Cell(AmountText(r.Credit), 14) + Cell(RunStateText(r.State), 14) + r.User);
  return kExitDone;
}

int UndoCommand(int64_t id, bool yes) {
  TRunJournal journal;
  const std::optional<TRunRecord> run = journal.Find(id);
  if (!run) {
    PrintErr("undo: prenosa " + std::to_string(id) +
             " ni v dnevniku prenosov (glejte prenos-knjizb history).");
    return kExitUsage;
  }
  TDataSif module;
  if (run->State == TRunState::Booked) {
    if (!yes && !Confirmed(UndoQuestion(*run))) {
      PrintErr(UndoQuestion(*run) + "\nNi razveljavljeno: potrdite z --yes.");
      return kExitRefused;
    }
    try {
      Connect(module);
    } catch (const std::exception& e) {
      PrintErr(
          "Razveljavitev ni uspela, ni\xE8"
          "esar ni bilo izbrisano: " +
          std::string(e.what()));
      return kExitFailed;
    }
  }
  const TErrorLogWatch watch;
  const TUndoResult result = UndoRun(journal, id, module.Database, module.qQueryFind);
  if (!result.Done) {
    PrintErr(result.Reason);
    return watch.Seen() ? kExitFailed : kExitRefused;
  }
  PrintOut("Prenos " + std::to_string(id) + " je razveljavljen: iz temeljnice " + run->Journal +
           " je izbrisanih " + std::to_string(run->Lines) + " vrstic (debet " +
           AmountText(run->Debit) + ", kredit " + AmountText(run->Credit) + ").");
  return kExitDone;
}

int ErrorsCommand(bool hasRun, int64_t id, bool json) {
  std::vector<TErrorRecord> records = ReadErrorRecords();
  if (hasRun) {
    TRunJournal journal;
    const std::optional<TRunRecord> run = journal.Find(id);
    if (!run) {
      PrintErr("errors: prenosa " + std::to_string(id) +
               " ni v dnevniku prenosov (glejte prenos-knjizb history).");
      return kExitUsage;
    }
    records = RecordsBetween(records, run->Started, run->Ended ? run->Ended : Now());
  }
  if (json) {
    QJsonArray list;
    for (const TErrorRecord& r : records) list.append(ErrorJson(r));
    PrintJson(list);
    return kExitDone;
  }
  PrintOut(Cell("\xC8"
                "as",
                16) +
           Cell("Operacija", 24) + "Napaka");
  for (const TErrorRecord& r : records)
    PrintOut(Cell(DateTimeText(r.Cas), 16) + Cell(r.Operation, 24) + FirstLineOf(r.Error));
  return kExitDone;
}

}  // namespace prenos
