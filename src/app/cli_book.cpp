// "book": one run of the transfer core as the window makes it, with the run journal and
// its guard, answered by --yes instead of a question box; --dry-run rolls it back.
#include <QFileInfo>
#include <exception>

#include "app/cli_commands.h"
#include "app/cli_json.h"
#include "app/console_view.h"
#include "app/datasif.h"
#include "controls/qt_text.h"
#include "settings/credentials.h"
#include "transfer/journal_observer.h"
#include "transfer/run.h"
#include "transfer/run_texts.h"

namespace prenos {
namespace {

// Who booked the file before, for the refusal and the preview's warning.
std::string EarlierText(const TRunRecord& e) {
  return "Datoteka je bila \x9E"
         "e knji\x9E"
         "ena " +
         DateTimeText(e.Started) + " v temeljnico " + e.Journal + " (" + std::to_string(e.Lines) +
         " vrstic, prenos " + std::to_string(e.Id) + ").";
}

// The journal's observer keeping the summary the run ended with: a run that ends by an
// exception (a failed import or connection) returns none.
class TBookObserver : public TJournalObserver {
 public:
  using TJournalObserver::TJournalObserver;
  void Finished(const TRunSummary& summary) override {
    last = summary;
    TJournalObserver::Finished(summary);
  }
  TRunSummary last;
};

}  // namespace

int BookCommand(const TBookArgs& a) {
  const QFileInfo file(a.File);
  if (!file.isFile() || !file.isReadable()) {
    PrintErr("book: datoteke " + ToCp1250(a.File) +
             " ni ali je ni mogo\xE8"
             "e brati.");
    return kExitUsage;
  }
  GetUserNameAndPassword(SQLUserName, SQLPassword);
  TDataSif module;
  TRunJournal journal;
  TConsoleView view({ToCp1250(a.Event), ToCp1250(a.Clerk), ToCp1250(a.Journal), a.DateText,
                     ToCp1250(file.absoluteFilePath()), !a.Journal.isEmpty()},
                    a.Json);
  const auto ask = [&](const TRunRecord& earlier) {
    if (a.DryRun || a.Yes) PrintErr("Opozorilo: " + EarlierText(earlier));
    return a.DryRun || a.Yes;
  };
  TBookObserver observer(journal, view, module.qQueryFind, ask, a.DryRun);
  TRunOptions options;
  options.Preview = a.DryRun;
  options.Observer = &observer;
  try {
    RunTransfer(view, module.Ledger(), options);
  } catch (const std::exception& e) {
    // A failed import or connection: the run's row (when it had one) is already failed.
    PrintErr(kTransferFailedText + std::string("\n") + e.what());
  }
  const TRunSummary& summary = observer.last;
  const TRunRecord& run = observer.Recorder().Current();
  QJsonObject json = SummaryJson(run, summary);
  int code = kExitFailed;
  if (run.State == TRunState::Cancelled && observer.Recorder().Earlier()) {
    PrintErr(EarlierText(*observer.Recorder().Earlier()) +
             "\nNi\xE8 ni bilo knji\x9E"
             "eno. Za ponoven prenos dodajte --yes.");
    json["outcome"] = "refused";
    code = kExitRefused;
  } else if (summary.Outcome == TRunSummary::TOutcome::Booked ||
             summary.Outcome == TRunSummary::TOutcome::Preview) {
    code = kExitDone;
    if (!a.Json && run.Id) PrintOut("Prenos " + std::to_string(run.Id) + " v dnevniku prenosov.");
  }
  if (const auto& earlier = observer.Recorder().Earlier())
    json["booked_before"] = static_cast<qint64>(earlier->Id);
  if (a.Json) PrintJson(json);
  return code;
}

}  // namespace prenos
