// The run journal's SQLite file: its table, and rows written, rewritten and read back.
#include "transfer/run_journal.h"

#include <sqlite3.h>

#include <cmath>
#include <system_error>

#include "localtables/store.h"
#include "platform/codepage.h"
#include "platform/prefix.h"

namespace prenos {
namespace {

constexpr int kBusyTimeoutMs = 10000;

// The table as the local table store would define it: the same declared types, so that
// the store (and sqlite3) reads it like the error table.
constexpr const char* kCreate =
    "CREATE TABLE IF NOT EXISTS \"TorvikPrenosi\" ("
    "\"Id\" INTEGER, \"Zacetek\" DATETIME, \"Konec\" DATETIME, \"Datoteka\" VARCHAR(255), "
    "\"Velikost\" INTEGER, \"Sha256\" VARCHAR(64), \"Zapisov\" INTEGER, \"Obstojeca\" SMALLINT, "
    "\"PoslDog\" VARCHAR(10), \"Datum\" DATE, \"Referent\" VARCHAR(10), \"Kljuc\" VARCHAR(20), "
    "\"Glava\" SMALLINT, \"PrvaPoz\" INTEGER, \"ZadnjaPoz\" INTEGER, \"Vrstic\" INTEGER, "
    "\"Debet\" FLOAT, \"Kredit\" FLOAT, \"Subjekti\" TEXT, \"Izid\" VARCHAR(20), "
    "\"Korak\" VARCHAR(60), \"Napaka\" VARCHAR(255), \"Razveljavljen\" DATETIME, "
    "\"Uporabnik\" VARCHAR(40), \"Proces\" INTEGER, \"Predogled\" SMALLINT)";

constexpr const char* kColumns =
    "Id, Zacetek, Konec, Datoteka, Velikost, Sha256, Zapisov, Obstojeca, PoslDog, Datum, "
    "Referent, Kljuc, Glava, PrvaPoz, ZadnjaPoz, Vrstic, Debet, Kredit, Subjekti, Izid, Korak, "
    "Napaka, Razveljavljen, Uporabnik, Proces, Predogled";
constexpr int kColumnCount = 26;

struct StmtFinal {
  void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinal>;

const char* const kStates[] = {"poteka",
                               ("knji\x9E"
                                "eno"),
                               "neuspe\x9Ano",
                               "preklicano",
                               "razveljavljeno",
                               "predogled"};

TRunState StateFromText(const std::string& text) {
  for (int i = 0; i < 6; ++i)
    if (text == kStates[i]) return static_cast<TRunState>(i);
  return TRunState::Failed;  // a row another tool changed: never taken as booked
}

std::string JoinLines(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : "\n") + s;
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// Amounts are kept as numbers with four decimals; the ten-thousandths come back exactly.
double ToNumber(TCurrency c) { return static_cast<double>(c.Value) / 10000.0; }
TCurrency FromNumber(double d) { return TCurrency{std::llround(d * 10000.0)}; }

class TBinder {
 public:
  explicit TBinder(sqlite3_stmt* st) : st_(st) {}
  void Text(const std::string& cp1250) {
    texts_.push_back(Cp1250ToUtf8(cp1250));
    sqlite3_bind_text(st_, ++n_, texts_.back().c_str(), -1, SQLITE_TRANSIENT);
  }
  void Int(int64_t v) { sqlite3_bind_int64(st_, ++n_, v); }
  void Real(double v) { sqlite3_bind_double(st_, ++n_, v); }
  // A date-time of 0 (none) is stored as null.
  void Time(TDateTime v, bool dateOnly = false) {
    if (v == 0) {
      sqlite3_bind_null(st_, ++n_);
      return;
    }
    const std::string t = dateOnly ? IsoDate(v) : IsoDateTime(v);
    sqlite3_bind_text(st_, ++n_, t.c_str(), -1, SQLITE_TRANSIENT);
  }

 private:
  sqlite3_stmt* st_;
  int n_ = 0;
  std::vector<std::string> texts_;
};

// Binds every column after Id in kColumns order.
void BindFields(TBinder& b, const TRunRecord& r) {
  b.Time(r.Started);
  b.Time(r.Ended);
  b.Text(r.FileName);
  b.Int(r.FileSize);
  b.Text(r.Sha256);
  b.Int(r.Records);
  b.Int(r.AttachedToExisting ? 1 : 0);
  b.Text(r.PoslDog);
  b.Time(r.Date, true);
  b.Text(r.Referent);
  b.Text(r.Journal);
  b.Int(r.CreatedHeader ? 1 : 0);
  b.Int(r.FirstPoz);
  b.Int(r.LastPoz);
  b.Int(r.Lines);
  b.Real(ToNumber(r.Debit));
  b.Real(ToNumber(r.Credit));
  b.Text(JoinLines(r.NewSubjects));
  b.Text(RunStateText(r.State));
  b.Text(r.FailedStep);
  b.Text(r.Failure);
  b.Time(r.UndoneAt);
  b.Text(r.User);
  b.Int(r.Process);
  b.Int(r.Preview ? 1 : 0);
}

std::string ColText(sqlite3_stmt* st, int i) {
  const unsigned char* p = sqlite3_column_text(st, i);
  return p ? Utf8ToCp1250(
                 std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(st, i)))
           : std::string();
}

TDateTime ColTime(sqlite3_stmt* st, int i) {
  TDateTime t = 0;
  const unsigned char* p = sqlite3_column_text(st, i);
  if (p) ParseIsoDateTime(reinterpret_cast<const char*>(p), t);
  return t;
}

TRunRecord ReadRow(sqlite3_stmt* st) {
  TRunRecord r;
  int i = 0;
  r.Id = sqlite3_column_int64(st, i++);
  r.Started = ColTime(st, i++);
  r.Ended = ColTime(st, i++);
  r.FileName = ColText(st, i++);
  r.FileSize = sqlite3_column_int64(st, i++);
  r.Sha256 = ColText(st, i++);
  r.Records = sqlite3_column_int64(st, i++);
  r.AttachedToExisting = sqlite3_column_int(st, i++) != 0;
  r.PoslDog = ColText(st, i++);
  r.Date = ColTime(st, i++);
  r.Referent = ColText(st, i++);
  r.Journal = ColText(st, i++);
  r.CreatedHeader = sqlite3_column_int(st, i++) != 0;
  r.FirstPoz = sqlite3_column_int(st, i++);
  r.LastPoz = sqlite3_column_int(st, i++);
  r.Lines = sqlite3_column_int(st, i++);
  r.Debit = FromNumber(sqlite3_column_double(st, i++));
  r.Credit = FromNumber(sqlite3_column_double(st, i++));
  r.NewSubjects = SplitLines(ColText(st, i++));
  r.State = StateFromText(ColText(st, i++));
  r.FailedStep = ColText(st, i++);
  r.Failure = ColText(st, i++);
  r.UndoneAt = ColTime(st, i++);
  r.User = ColText(st, i++);
  r.Process = sqlite3_column_int64(st, i++);
  r.Preview = sqlite3_column_int(st, i++) != 0;
  return r;
}

}  // namespace

std::string RunStateText(TRunState state) { return kStates[static_cast<int>(state)]; }

void TRunJournal::Closer::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

std::filesystem::path TRunJournal::FilePath() {
  std::filesystem::path p = MapWindowsPath(kRunJournalTableName);
  p += ".db";
  return p;
}

TRunJournal::TRunJournal() {
  const std::filesystem::path file = FilePath();
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK)
    throw ERunJournal("Dnevnik prenosov " + PathToText(file) +
                      " se ne odpre: " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  if (sqlite3_exec(raw, kCreate, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw ERunJournal("Dnevnik prenosov " + PathToText(file) +
                      " ni berljiv: " + sqlite3_errmsg(raw));
}

TRunJournal::~TRunJournal() = default;

namespace {

Stmt Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    throw ERunJournal(std::string("Dnevnik prenosov: ") + sqlite3_errmsg(db));
  return Stmt(st);
}

void Step(sqlite3* db, sqlite3_stmt* st) {
  if (sqlite3_step(st) != SQLITE_DONE)
    throw ERunJournal(std::string("Dnevnik prenosov se ne zapi\x9A"
                                  "e: ") +
                      sqlite3_errmsg(db));
}

}  // namespace

int64_t TRunJournal::Insert(TRunRecord& run) {
  sqlite3* db = db_.get();
  // The id is the row's own number, given in the same statement so that two programs
  // adding rows at once never share one.
  std::string values = "(SELECT IFNULL(MAX(Id), 0) + 1 FROM TorvikPrenosi)";
  for (int i = 1; i < kColumnCount; ++i) values += ", ?";
  Stmt st = Prepare(db, std::string("INSERT INTO TorvikPrenosi (") + kColumns + ") VALUES (" +
                            values + ") RETURNING Id");
  TBinder b(st.get());
  BindFields(b, run);
  if (sqlite3_step(st.get()) != SQLITE_ROW)
    throw ERunJournal(std::string("Dnevnik prenosov se ne zapi\x9A"
                                  "e: ") +
                      sqlite3_errmsg(db));
  run.Id = sqlite3_column_int64(st.get(), 0);
  return run.Id;
}

void TRunJournal::Update(const TRunRecord& run) {
  std::string sql = "UPDATE TorvikPrenosi SET ";
  const std::string columns = kColumns;
  size_t start = columns.find(',') + 2;  // every column after Id
  bool first = true;
  while (start < columns.size()) {
    size_t end = columns.find(',', start);
    if (end == std::string::npos) end = columns.size();
    sql += (first ? "" : ", ") + columns.substr(start, end - start) + " = ?";
    first = false;
    start = end + 2;
  }
  sql += " WHERE Id = ?";
  Stmt st = Prepare(db_.get(), sql);
  TBinder b(st.get());
  BindFields(b, run);
  b.Int(run.Id);
  Step(db_.get(), st.get());
}

std::vector<TRunRecord> TRunJournal::Select(const std::string& where,
                                            const std::vector<std::string>& args) {
  Stmt st = Prepare(db_.get(), std::string("SELECT ") + kColumns + " FROM TorvikPrenosi" +
                                   (where.empty() ? "" : " WHERE " + where) + " ORDER BY Id DESC");
  TBinder b(st.get());
  for (const std::string& a : args) b.Text(a);
  std::vector<TRunRecord> out;
  int rc;
  while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) out.push_back(ReadRow(st.get()));
  if (rc != SQLITE_DONE)
    throw ERunJournal(std::string("Dnevnik prenosov se ne bere: ") + sqlite3_errmsg(db_.get()));
  return out;
}

std::optional<TRunRecord> TRunJournal::Find(int64_t id) {
  std::vector<TRunRecord> rows = Select("Id = " + std::to_string(id), {});
  if (rows.empty()) return std::nullopt;
  return rows.front();
}

std::vector<TRunRecord> TRunJournal::List() { return Select("", {}); }

std::vector<TRunRecord> TRunJournal::BookedWithDigest(const std::string& sha256) {
  return Select("Sha256 = ? AND Izid = ?", {sha256, RunStateText(TRunState::Booked)});
}

std::vector<TRunRecord> TRunJournal::Running() {
  return Select("Izid = ?", {RunStateText(TRunState::Running)});
}

}  // namespace prenos
