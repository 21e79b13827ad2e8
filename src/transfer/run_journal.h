// The run journal: the local table "c:\TorvikPrenosi", one row per transfer run, written
// when the run starts and completed when it ends, so that a file is never booked twice
// without the user's say and any booked run can be undone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/exceptions.h"
#include "sqlsupport/varrec.h"

struct sqlite3;

namespace prenos {

inline constexpr const char* kRunJournalTableName = "c:\\TorvikPrenosi";

// Running: started, not yet ended (or ended by a killed program: see run_resolution.h).
// Undone keeps everything the booked run recorded, with UndoneAt set.
enum class TRunState { Running, Booked, Failed, Cancelled, Undone, Preview };

// The outcome as the journal stores and the window shows it, in Windows-1250:
// "poteka", "knjiženo", "neuspešno", "preklicano", "razveljavljeno", "predogled".
std::string RunStateText(TRunState state);

// One run. Texts are Windows-1250, as the core keeps them.
struct TRunRecord {
  int64_t Id = 0;
  TDateTime Started = 0;
  TDateTime Ended = 0;   // 0 while running
  std::string FileName;  // as the window or the command line gave it
  int64_t FileSize = 0;
  std::string Sha256;  // lower-case hex of the file's bytes
  int64_t Records = 0;
  bool AttachedToExisting = false;
  std::string PoslDog;
  TDateTime Date = 0;  // the transfer date
  std::string Referent;
  std::string Journal;  // the key booked into; empty until the lines were built
  bool CreatedHeader = false;
  int FirstPoz = 0, LastPoz = 0;
  int Lines = 0;
  TCurrency Debit, Credit;
  std::vector<std::string> NewSubjects;
  TRunState State = TRunState::Running;
  std::string FailedStep;
  std::string Failure;
  TDateTime UndoneAt = 0;
  std::string User;      // the operating-system user who ran it
  int64_t Process = 0;   // the process that ran it, to tell a live run from a killed one
  bool Preview = false;  // a run rolled back at its end by design: never books anything
};

// A failure of the journal's file; the message names it.
class ERunJournal : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
  const char* ClassName() const noexcept override { return "ERunJournal"; }
};

// The journal's file, <prefix>/drive_c/TorvikPrenosi.db, in the SQLite form of the other
// local tables (declared field types, dates as ISO texts, write-ahead log), its texts
// stored as UTF-8 so that sqlite3 reads them. Every call is its own short transaction:
// two programs may share the journal.
class TRunJournal {
 public:
  // Opens the journal, creating it when it is missing. Raises ERunJournal.
  TRunJournal();
  ~TRunJournal();
  TRunJournal(const TRunJournal&) = delete;
  TRunJournal& operator=(const TRunJournal&) = delete;

  static std::filesystem::path FilePath();

  // Adds a row for the run and returns its id (also stored into run.Id).
  int64_t Insert(TRunRecord& run);
  // Rewrites every field of the run's row.
  void Update(const TRunRecord& run);
  std::optional<TRunRecord> Find(int64_t id);
  // All runs, newest first.
  std::vector<TRunRecord> List();
  // Runs of a file with this digest that count as booked (booked and not undone), newest first.
  std::vector<TRunRecord> BookedWithDigest(const std::string& sha256);
  // Rows still marked running.
  std::vector<TRunRecord> Running();

 private:
  std::vector<TRunRecord> Select(const std::string& where, const std::vector<std::string>& args);
  struct Closer {
    void operator()(sqlite3* db) const;
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

}  // namespace prenos
