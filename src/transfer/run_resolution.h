// Settling rows of the run journal that a program left "running" because it was killed
// (or lost its machine) during a run: the ledger says what happened, never a guess.
#pragma once

#include <cstdint>

#include "odbc/hstmt.h"
#include "transfer/run_journal.h"

namespace prenos {

// True while a process with this id runs on this machine.
bool ProcessAlive(int64_t pid);

// Every running row whose program is gone (activeId, the caller's own run in progress,
// is left alone) is settled against the ledger through query:
// - no journal key or no line built yet: the run ended before its commit, so nothing of
//   it is in the ledger: failed;
// - a preview: rolled back by design: preview;
// - a later run claims the same journal positions: this run's transaction was rolled
//   back and the positions drawn again: failed;
// - no line at the run's positions: failed;
// - otherwise the run's transaction committed: booked (a note says when the lines no
//   longer match what it wrote, so that its undo is refused).
// Returns how many rows were settled. A ledger that cannot be read leaves the rows
// running and raises its error.
int ResolveInterruptedRuns(TRunJournal& journal, THstmt& query, int64_t activeId = 0);

}  // namespace prenos
