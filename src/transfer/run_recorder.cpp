// The guard and the journal row of one run.
#include "transfer/run_recorder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>

#include "localtables/errorlog.h"
#include "transfer/file_digest.h"
#include "transfer/posting.h"
#include "transfer/run_resolution.h"
#include "transfer/run_texts.h"

namespace prenos {

std::string RebookQuestion(const TRunRecord& earlier) {
  return "Datoteka " + earlier.FileName +
         " je bila \x9E"
         "e knji\x9E"
         "ena " +
         DateTimeText(earlier.Started) + " v temeljnico " + earlier.Journal + " (" +
         std::to_string(earlier.Lines) +
         " vrstic).\n\nJo knji\x9E"
         "im ponovno?";
}

std::string CurrentUserName() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
  if (const char* u = std::getenv("USER"); u && *u) return u;
  return {};
}

TRunRecorder::TRunRecorder(TRunJournal& journal, const TRunView& view, THstmt& query,
                           TAskRebook askRebook, bool preview)
    : journal_(journal),
      view_(view),
      query_(query),
      askRebook_(std::move(askRebook)),
      preview_(preview) {}

void TRunRecorder::Save() { journal_.Update(run_); }

bool TRunRecorder::FileChosen(const std::string& fileName) {
  run_ = TRunRecord{};
  earlier_.reset();
  run_.Started = Now();
  run_.FileName = fileName;
  run_.AttachedToExisting = view_.AttachToExistingJournal();
  run_.PoslDog = view_.PoslDogText();
  run_.Referent = view_.ReferentText();
  if (run_.AttachedToExisting) run_.Journal = view_.TemeljnicaText();
  run_.Date = TransferDate;
  run_.User = CurrentUserName();
  run_.Process = ::getpid();
  run_.Preview = preview_;
  const TFileDigest digest = DigestFile(fileName);
  run_.FileSize = digest.Size;
  run_.Sha256 = digest.Sha256;

  // Rows a killed program left running are settled first, so that a run that did book
  // the file counts. A ledger that cannot be read now leaves them running; such a row of
  // this file then counts as booked: asking once too often is the safe side.
  try {
    ResolveInterruptedRuns(journal_, query_);
  } catch (const std::exception& e) {
    LogError(&e, &query_, "RazresiPrekinjenePrenose");
  }
  std::vector<TRunRecord> earlier = journal_.BookedWithDigest(run_.Sha256);
  for (const TRunRecord& r : journal_.Running())
    if (r.Sha256 == run_.Sha256 && !r.Preview && r.Lines > 0) earlier.push_back(r);
  // A run that wrote no line (an empty file) booked nothing that could be doubled.
  std::erase_if(earlier, [](const TRunRecord& r) { return r.Preview || r.Lines == 0; });

  bool go = true;
  if (!earlier.empty()) {
    earlier_ = earlier.front();
    go = askRebook_ && askRebook_(*earlier_);
  }
  if (!go) {
    run_.State = TRunState::Cancelled;
    run_.Ended = Now();
    run_.Failure =
        "Datoteka je bila \x9E"
        "e knji\x9E"
        "ena (prenos " +
        std::to_string(earlier_->Id) + "); ponoven prenos ni bil potrjen.";
  }
  journal_.Insert(run_);
  return go;
}

void TRunRecorder::Started(int64_t records) {
  if (!run_.Id) return;
  run_.Records = records;
  Save();
}

void TRunRecorder::Committing(const std::string& journalKey, bool createdHeader, int firstPoz,
                              int lastPoz, int lines, TCurrency debit, TCurrency credit,
                              const std::vector<std::string>& newSubjects) {
  if (!run_.Id) return;
  run_.Journal = journalKey;
  run_.CreatedHeader = createdHeader;
  run_.FirstPoz = firstPoz;
  run_.LastPoz = lastPoz;
  run_.Lines = lines;
  run_.Debit = debit;
  run_.Credit = credit;
  run_.NewSubjects = newSubjects;
  Save();
}

void TRunRecorder::Finished(TRunState state, const std::string& failedStep,
                            const std::string& failure) {
  if (!run_.Id || run_.State != TRunState::Running) return;
  run_.State = state;
  run_.Ended = Now();
  run_.FailedStep = failedStep;
  run_.Failure = failure.substr(0, failure.find_first_of("\r\n"));
  Save();
}

}  // namespace prenos
