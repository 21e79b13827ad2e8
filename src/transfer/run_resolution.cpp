// The ledger's answer for runs that never completed their journal row.
#include "transfer/run_resolution.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "transfer/booked_lines.h"

namespace prenos {

bool ProcessAlive(int64_t pid) {
  if (pid <= 0) return false;
  if (pid == static_cast<int64_t>(::getpid())) return true;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

namespace {

bool Overlaps(const TRunRecord& a, const TRunRecord& b) {
  return a.Journal == b.Journal && a.FirstPoz <= b.LastPoz && b.FirstPoz <= a.LastPoz;
}

// A later run that wrote (or was about to write) lines at the same positions.
bool ClaimedLater(const TRunRecord& run, const std::vector<TRunRecord>& all) {
  for (const TRunRecord& other : all) {
    if (other.Id <= run.Id || other.Preview || other.Lines == 0) continue;
    if (other.State == TRunState::Failed || other.State == TRunState::Cancelled ||
        other.State == TRunState::Preview)
      continue;
    if (Overlaps(run, other)) return true;
  }
  return false;
}

}  // namespace

int ResolveInterruptedRuns(TRunJournal& journal, THstmt& query, int64_t activeId) {
  std::vector<TRunRecord> running = journal.Running();
  std::erase_if(running, [&](const TRunRecord& r) {
    if (r.Id == activeId) return true;
    // Runs of this process are over unless they are the caller's own.
    return r.Process != static_cast<int64_t>(::getpid()) && ProcessAlive(r.Process);
  });
  if (running.empty()) return 0;
  const std::vector<TRunRecord> all = journal.List();
  const std::string interrupted =
      "Program se je kon\xE8"
      "al med prenosom";
  for (TRunRecord& run : running) {
    run.Ended = Now();
    run.FailedStep = interrupted;
    if (run.Preview) {
      run.State = TRunState::Preview;
    } else if (run.Journal.empty() || run.Lines == 0) {
      run.State = TRunState::Failed;
      run.Failure =
          "Prenos ni pri\x9A"
          "el do potrditve: v knjigi ni ni\xE8"
          "esar od njega.";
    } else if (ClaimedLater(run, all)) {
      run.State = TRunState::Failed;
      run.Failure = "Prenos ni bil potrjen: iste pozicije je kasneje zapisal drug prenos.";
    } else {
      const TBookedLines found = LinesInLedger(query, run.Journal, run.FirstPoz, run.LastPoz);
      if (found.Count == 0) {
        run.State = TRunState::Failed;
        run.Failure = "Prenos ni bil potrjen: v knjigi ni nobene njegove vrstice.";
      } else {
        run.State = TRunState::Booked;
        run.FailedStep.clear();
        run.Failure = found == TBookedLines{run.Lines, run.Debit, run.Credit}
                          ? "Knji\x9E"
                            "eno (ugotovljeno iz knjige po prekinitvi programa)."
                          : "Knji\x9E"
                            "eno, a vrstice v knjigi se ne ujemajo ve\xE8 s prenosom.";
      }
    }
    journal.Update(run);
  }
  return static_cast<int>(running.size());
}

}  // namespace prenos
