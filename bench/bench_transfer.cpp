// Transfer speed and memory: a generated posting file (200 partners, 50 cost centres, 5%
// of the records skipped) booked into a new journal by the whole run, against a bare ODBC
// loop replaying exactly the statements that run sent in the run's own transaction pattern
// (one transaction for the whole run), on a fresh ledger each; and that replay against
// the same statements committed batch by batch (run_vs_autocommit). Every run and every
// replay is a child process of its own, so that its peak memory is its own; the figures
// are medians of the ratios of pairs taken in turns.
//
//   bench_transfer [postgres|sqlite]     the figures of both ledgers, or of one
//   bench_transfer postgres|sqlite N     the figures of one ledger at N records only
//   bench_transfer child run BACKEND INPUT STREAM
//   bench_transfer child replay BACKEND INPUT STREAM [run|autocommit]
#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/datasif.h"
#include "ledger/ledger_fixture.h"
#include "platform/convert.h"
#include "settings/credentials.h"
#include "sqlsupport/batch_send.h"
#include "transfer/import.h"
#include "transfer/posting_line.h"
#include "transfer/run.h"

namespace fs = std::filesystem;
using namespace prenos;
using prenos::testing::Backend;
using prenos::testing::PostingFields;
using prenos::testing::PostingLine;
using prenos::testing::TestLedger;

namespace {

constexpr int kPartners = 200;
constexpr int kCentres = 50;
constexpr int kPairs = 5;  // run/replay pairs of the smaller file, taking turns

std::string Partner(int i) { return "P" + std::to_string(1000 + i % kPartners); }
std::string Centre(int i) { return std::to_string(100 + i % kCentres); }

void WriteInput(const fs::path& file, int records) {
  std::ofstream out(file, std::ios::binary);
  for (int i = 0; i < records; ++i) {
    PostingFields f;
    f.DsKupKnj = std::to_string(1 + i % 999999);
    f.KzRacuna = std::to_string(1200 + i % 37);
    f.KNaRacun = std::to_string(7600 + i % 23);
    f.KStrM = Centre(i * 7);
    f.KKupDob = Partner(i * 13);
    f.KDokm = "IR" + std::to_string(i % 10);
    f.DatZap = "200203" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(1 + i % 28);
    f.Vsebina = "Racun " + std::to_string(i);
    const long cents = (i * 7919L) % 10000000 + 1;
    f.Znesek = std::to_string(cents / 100) + "," + (cents % 100 < 10 ? "0" : "") +
               std::to_string(cents % 100);
    f.DatVal = "200204" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(1 + i % 28);
    // One record in twenty is skipped by the posting rules: a zero amount or no accounts.
    if (i % 20 == 7) f.Znesek = "0,00";
    if (i % 20 == 17) f.KzRacuna = f.KNaRacun = "";
    out << PostingLine(f) << "\r\n";
  }
}

// The ledger both a run and a replay start from: the sample rows, a journal of the
// business event in the same year, and three quarters of the partners and cost centres.
void PrepareLedger(const TestLedger& ledger) {
  ledger.LoadSample();
  std::string sql = "INSERT INTO Teme (Kljuc, PoslDog) VALUES ('02KA00041', 'KA');\n";
  for (int i = 0; i < kPartners * 3 / 4; ++i)
    sql += "INSERT INTO Subjekt (Naziv, Naziv2, VrstSubj) VALUES ('Partner " + std::to_string(i) +
           "', '" + Partner(i) + "', 'P');\n";
  for (int i = 0; i < kCentres * 3 / 4; ++i)
    sql += "INSERT INTO Subjekt (Naziv, Naziv2, VrstSubj) VALUES ('Oddelek " + std::to_string(i) +
           "', '" + Centre(i) + "', 'P');\n";
  ledger.Exec(sql);
}

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// What the ledger holds after a run or a replay, for comparing the two.
std::string Contents(const TestLedger& ledger) {
  return ledger.Scalar(
             "SELECT COUNT(*) || '/' || COUNT(DISTINCT Kljuc) || '/' || SUM(Poz) FROM TemePoz") +
         "/" + ledger.Scalar("SELECT COUNT(*) FROM Subjekt") + "/" +
         ledger.Scalar("SELECT COUNT(*) FROM Teme");
}

// ---- the run: the program's own run, its statements written to the stream file as
// "<kind> <length>\n<text>\n" (Q a look-up, B a batch), in the order executed.

class BenchView : public TRunView {
 public:
  explicit BenchView(std::string file) : file_(std::move(file)) {}
  std::string PoslDogText() const override { return "KA"; }
  std::string ReferentText() const override { return "07"; }
  std::string TemeljnicaText() const override { return ""; }
  std::string DatumText() const override { return "15.03.2002"; }
  bool AttachToExistingJournal() const override { return false; }
  bool AskForFile() override { return true; }
  std::string FileName() const override { return file_; }
  void SetProgress(int) override {}
  void SetWaitCursor(bool) override {}
  void ShowInformation(const std::string&, const std::string& text) override {
    done = text.rfind(kTransferDoneText, 0) == 0;
  }
  void ShowError(const std::string&) override { done = false; }
  void FillPrenos() override { prenos::FillPrenos(tables.tbPrenos, tables.TAscii, file_); }
  TTable& StagingTable() override { return tables.tbPrenos; }

  bool done = false;
  TImportTables tables;

 private:
  std::string file_;
};

int ChildRun(Backend backend, const std::string& input, const std::string& stream) {
  TestLedger ledger(backend);
  PrepareLedger(ledger);
  SetFormatSettings(FormatSettings{});
  SQLUserName = ledger.UserName();
  SQLPassword = ledger.Password();
  TDataSif module;
  BenchView view(input);

  // A stream of "-" records nothing: the timed runs do no work a replay does not.
  FILE* out = stream == "-" ? nullptr : std::fopen(stream.c_str(), "wb");
  if (!out && stream != "-") throw std::runtime_error("cannot write " + stream);
  auto record = [out](char kind) {
    return [out, kind](TComponent* sender) {
      const std::string& sql = static_cast<THstmt*>(sender)->SQL();
      std::fprintf(out, "%c %zu\n", kind, sql.size());
      std::fwrite(sql.data(), 1, sql.size(), out);
      std::fputc('\n', out);
    };
  };
  if (out) {
    module.qQueryFind.BeforeExecute = record('Q');
    module.qQuery0.BeforeExecute = record('Q');
    module.UpdateHstmt.BeforeExecute = record('B');
  }

  const auto t0 = std::chrono::steady_clock::now();
  RunTransfer(view,
              TLedger{module.Database, module.UpdateHstmt, module.qQueryFind, module.qQuery0});
  const double seconds = Seconds(std::chrono::steady_clock::now() - t0);
  if (out) std::fclose(out);
  std::printf("seconds=%.6f\nrss_kb=%ld\ndone=%d\ncontents=%s\n", seconds, PeakRssKb(),
              view.done ? 1 : 0, Contents(ledger).c_str());
  return 0;
}

// ---- the replay: the same statements through plain ODBC calls, each batch in the same
// explicit transaction the run sends it in.

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  std::string text = what;
  SQLCHAR state[6] = {0}, message[512] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1; SQL_SUCCEEDED(
           SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length));
       ++i)
    text +=
        std::string(": ") + reinterpret_cast<char*>(state) + " " + reinterpret_cast<char*>(message);
  throw std::runtime_error(text);
}

struct Statement {
  char kind;
  std::string sql;
};

std::vector<Statement> LoadStream(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<Statement> out;
  char kind;
  size_t length;
  while (in >> kind >> length) {
    in.get();
    Statement s{kind, std::string(length, '\0')};
    in.read(s.sql.data(), static_cast<std::streamsize>(length));
    in.get();
    out.push_back(std::move(s));
  }
  return out;
}

// pattern "run": the run's own, one transaction from the first statement to the commit;
// pattern "autocommit": the earlier one, every batch in a transaction of its own.
int ChildReplay(Backend backend, const std::string& stream, const std::string& pattern) {
  TestLedger ledger(backend);
  PrepareLedger(ledger);
  const std::vector<Statement> statements = LoadStream(stream);
  const bool wholeRun = pattern == "run";
  std::string login = "DSN=MSStelvar;UID=" + ledger.UserName() + ";";
  if (!ledger.Password().empty()) login += "PWD=" + ledger.Password() + ";";
  login += "DRIVER=SQL Server;";

  const auto t0 = std::chrono::steady_clock::now();
  SQLHENV env;
  SQLHDBC dbc;
  SQLHSTMT st;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  Check(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)login.c_str(), SQL_NTS, nullptr, 0, nullptr,
                         SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, dbc, "connect");
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
  SQLUINTEGER batches = 0;
  SQLGetInfo(dbc, SQL_BATCH_SUPPORT, &batches, sizeof batches, nullptr);
  const bool oneText = (batches & SQL_BS_ROW_COUNT_EXPLICIT) != 0;
  const auto autoCommit = [dbc](SQLULEN on) {
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(on), SQL_IS_UINTEGER);
  };
  if (wholeRun) autoCommit(SQL_AUTOCOMMIT_OFF);
  char value[256];
  SQLLEN indicator;
  int refused = 0;
  for (const Statement& s : statements) {
    if (s.kind == 'Q') {
      Check(SQLExecDirect(st, (SQLCHAR*)s.sql.c_str(), SQL_NTS), SQL_HANDLE_STMT, st, "query");
      if (SQLFetch(st) == SQL_SUCCESS)
        SQLGetData(st, 1, SQL_C_CHAR, value, sizeof value, &indicator);
      SQLFreeStmt(st, SQL_CLOSE);
      continue;
    }
    if (!wholeRun) autoCommit(SQL_AUTOCOMMIT_OFF);
    bool ok = true;
    if (oneText) {
      ok = SQL_SUCCEEDED(SQLExecDirect(st, (SQLCHAR*)s.sql.c_str(), SQL_NTS));
      for (SQLRETURN rc; ok && (rc = SQLMoreResults(st)) != SQL_NO_DATA;) ok = SQL_SUCCEEDED(rc);
      SQLFreeStmt(st, SQL_CLOSE);
    } else {
      for (std::string_view one : SplitStatements(s.sql)) {
        const std::string sql(one);
        ok = SQL_SUCCEEDED(SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS));
        SQLFreeStmt(st, SQL_CLOSE);
        if (!ok) break;
      }
    }
    if (!ok) ++refused;
    if (!wholeRun) {
      Check(SQLEndTran(SQL_HANDLE_DBC, dbc, ok ? SQL_COMMIT : SQL_ROLLBACK), SQL_HANDLE_DBC, dbc,
            "commit");
      autoCommit(SQL_AUTOCOMMIT_ON);
    }
  }
  if (wholeRun) {
    Check(SQLEndTran(SQL_HANDLE_DBC, dbc, refused ? SQL_ROLLBACK : SQL_COMMIT), SQL_HANDLE_DBC, dbc,
          "commit");
    autoCommit(SQL_AUTOCOMMIT_ON);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, st);
  SQLDisconnect(dbc);
  const double seconds = Seconds(std::chrono::steady_clock::now() - t0);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  std::printf("seconds=%.6f\nrss_kb=%ld\nstatements=%zu\nrefused=%d\ncontents=%s\n", seconds,
              PeakRssKb(), statements.size(), refused, Contents(ledger).c_str());
  return 0;
}

// ---- the parent

std::map<std::string, std::string> Child(const std::string& args) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) throw std::runtime_error("cannot find this program");
  self[n] = 0;
  std::map<std::string, std::string> out;
  FILE* p = popen((std::string(self) + " child " + args).c_str(), "r");
  if (!p) throw std::runtime_error("cannot start a child");
  char line[4096];
  while (std::fgets(line, sizeof line, p)) {
    std::string l(line);
    if (!l.empty() && l.back() == '\n') l.pop_back();
    const size_t eq = l.find('=');
    if (eq != std::string::npos) out[l.substr(0, eq)] = l.substr(eq + 1);
  }
  if (pclose(p) != 0 || !out.count("seconds")) throw std::runtime_error("child failed: " + args);
  return out;
}

struct Figures {
  double run = 0, replay = 0;    // medians of the seconds
  double ratio = 0;              // median of the pairwise run / replay ratios
  double wholeVsAutocommit = 0;  // median of the pairwise whole-run / per-batch replay ratios
  long rss = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Runs and replays of one file, taking turns (which goes first alternates); the run must
// have completed and every replay must leave the same ledger behind, or the comparison
// means nothing.
Figures Measure(const char* backend, const fs::path& dir, int records, int pairs) {
  const fs::path input = dir / ("knjizbe-" + std::to_string(records) + ".txt");
  const fs::path stream =
      dir / ("stream-" + std::string(backend) + "-" + std::to_string(records) + ".txt");
  WriteInput(input, records);
  const std::string replayArgs =
      std::string(backend) + " " + input.string() + " " + stream.string();
  // The stream the replays read comes from a run of its own, not timed.
  auto first = Child(std::string("run ") + replayArgs);
  if (first["done"] != "1") throw std::runtime_error("the run did not complete");
  std::vector<double> runs, replays, ratios, patterns;
  long rss = 0;
  for (int i = 0; i < pairs; ++i) {
    const std::string runArgs = std::string(backend) + " " + input.string() + " -";
    std::map<std::string, std::string> run, replay, perBatch;
    if (i % 2 == 0) {
      run = Child("run " + runArgs);
      replay = Child("replay " + replayArgs + " run");
    } else {
      replay = Child("replay " + replayArgs + " run");
      run = Child("run " + runArgs);
    }
    perBatch = Child("replay " + replayArgs + " autocommit");
    if (run["done"] != "1") throw std::runtime_error("the run did not complete");
    for (auto* other : {&replay, &perBatch})
      if (run["contents"] != (*other)["contents"])
        throw std::runtime_error("run and replay differ: " + run["contents"] + " vs " +
                                 (*other)["contents"]);
    runs.push_back(std::stod(run["seconds"]));
    replays.push_back(std::stod(replay["seconds"]));
    ratios.push_back(runs.back() / replays.back());
    patterns.push_back(replays.back() / std::stod(perBatch["seconds"]));
    rss = std::max(rss, std::stol(run["rss_kb"]));
    if (i == 0)
      std::printf("%-8s %7d records: %zu statements, ledger %s\n", backend, records,
                  static_cast<size_t>(std::stoul(replay["statements"])), run["contents"].c_str());
  }
  Figures f{Median(runs), Median(replays), Median(ratios), Median(patterns), rss};
  std::printf(
      "%-8s %7d records: run %.3f s (%.0f records/s), replay %.3f s, ratio %.3f (median of %d "
      "pairs), "
      "whole run vs commit per batch %.3f, peak RSS %ld kB\n",
      backend, records, f.run, records / f.run, f.replay, f.ratio, pairs, f.wholeVsAutocommit,
      f.rss);
  std::fflush(stdout);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if ((argc == 6 || argc == 7) && std::string(argv[1]) == "child") {
      const Backend backend =
          std::string(argv[3]) == "postgres" ? Backend::Postgres : Backend::Sqlite;
      return std::string(argv[2]) == "run"
                 ? ChildRun(backend, argv[4], argv[5])
                 : ChildReplay(backend, argv[5], argc == 7 ? argv[6] : "run");
    }
    std::vector<std::string> backends = {"postgres", "sqlite"};
    if (argc == 2 || argc == 3) backends = {argv[1]};
    const int records = argc == 3 ? std::stoi(argv[2]) : 10000;
    std::string dir = (fs::temp_directory_path() / "prenos-bench-transfer-XXXXXX").string();
    if (!mkdtemp(dir.data())) throw std::runtime_error("cannot make a temporary folder");
    std::map<std::string, Figures> small, large;
    for (const std::string& backend : backends) {
      try {
        const Figures f = Measure(backend.c_str(), dir, records, kPairs);
        if (argc != 3) large[backend] = Measure(backend.c_str(), dir, 100000, 1);
        small[backend] = f;
      } catch (const std::exception& e) {
        std::printf("%-8s no figures: %s\n", backend.c_str(), e.what());
      }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (small.empty()) return 1;
    // The PostgreSQL figures last: a ledger over the network is what the program meets.
    for (const std::string backend : {"sqlite", "postgres"}) {
      if (!small.count(backend)) continue;
      const std::string suffix = backend == "postgres" ? "" : "_" + backend;
      if (large.count(backend)) {
        if (backend == "postgres")
          std::printf("transfer_vs_replay_100k: %.3f\n", large[backend].ratio);
        std::printf(
            "rss_growth_100k_vs_10k%s: %.3f\n", suffix.c_str(),
            static_cast<double>(large[backend].rss) / static_cast<double>(small[backend].rss));
      }
      std::printf("run_vs_autocommit%s: %.3f\n", suffix.c_str(), small[backend].wholeVsAutocommit);
      std::printf("transfer_vs_replay%s: %.3f\n", suffix.c_str(), small[backend].ratio);
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_transfer: %s\n", e.what());
    return 1;
  }
}
