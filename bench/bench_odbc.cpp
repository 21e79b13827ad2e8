// The ODBC layer's speed: 1,000,000 rows of five columns read with FetchNext and
// ColString, against a bare loop over bound columns (SQLBindCol, SQLFetch, the same text
// conversion) and against Qt's QODBC driver on the same DSN, on PostgreSQL and SQLite;
// and 1,000 batches of INSERT statements of about 8 KB through Close, SetSQL, Execute
// against bare SQLExecDirect of the same texts on PostgreSQL. Each backend runs in a
// child process of its own, so that each gets a fresh ODBC registration. Reads compare
// processor time of the client; the batches, where the server does the work, wall time.
#include <sql.h>
#include <sqlext.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "ledger/ledger_fixture.h"
#include "odbc/hdbc.h"
#include "odbc/hstmt.h"

namespace {

using prenos::testing::Backend;
using prenos::testing::TestLedger;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 1000000;
constexpr int kRounds = 5;
constexpr int kBatches = 1000;
const char* kSelect = "SELECT Id, Name, Amount, Stamp, Note FROM Bench";

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process: the readers differ only in the work the client does,
// and on a shared machine the wall clock also counts the time other processes take.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// What a read produced: rows and the total length of all texts, which every reader must
// agree on.
struct Result {
  long rows = 0;
  long chars = 0;
  bool operator==(const Result&) const = default;
};

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

std::string Diag(SQLSMALLINT type, SQLHANDLE h) {
  SQLCHAR state[6] = {0}, msg[512] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  SQLGetDiagRec(type, h, 1, state, &native, msg, sizeof msg, &len);
  return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(msg);
}

void Ok(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const char* what) {
  if (!SQL_SUCCEEDED(rc)) Fail(std::string(what) + ": " + Diag(type, h));
}

void Fill(const TestLedger& ledger) {
  const std::string ts = ledger.TimestampType();
  ledger.Exec("CREATE TABLE Bench (Id integer, Name varchar(20), Amount numeric(18,4), Stamp " +
              ts + ", Note varchar(40));");
  const std::string n = std::to_string(kRows);
  if (ledger.IsPostgres())
    ledger.Exec(
        "INSERT INTO Bench SELECT g, 'name ' || g, g * 1.2345, timestamp '2004-01-01' + g * "
        "interval '1 second',"
        " 'note for row number ' || g FROM generate_series(1, " +
        n + ") AS g;");
  else
    ledger.Exec(
        "WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < " + n +
        ") INSERT INTO Bench SELECT g, 'name ' || g, round(g * 1.2345, 4),"
        " datetime('2004-01-01', '+' || g || ' seconds'), 'note for row number ' || g FROM s;");
  ledger.Exec("CREATE TABLE BenchIns (A integer, B varchar(40), C numeric(18,4));");
}

// ---------------------------------------------------------------- the three readers

Result ReadThroughLayer(prenos::THstmt& q) {
  Result r;
  q.Close();
  q.SetSQL(kSelect);
  q.Execute();
  while (q.FetchNext()) {
    ++r.rows;
    for (int col = 1; col <= 5; ++col) r.chars += static_cast<long>(q.ColString(col).size());
  }
  q.Close();
  return r;
}

// The same columns bound by hand into buffers of the layer's types, converted to text by
// the layer's own conversion.
Result ReadBare(SQLHDBC dbc) {
  SQLHSTMT st = SQL_NULL_HSTMT;
  Ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
  Ok(SQLExecDirect(st, (SQLCHAR*)kSelect, SQL_NTS), SQL_HANDLE_STMT, st, "SQLExecDirect");
  SQLINTEGER id = 0;
  char name[21], note[41];
  double amount = 0;
  SQL_TIMESTAMP_STRUCT stamp{};
  SQLLEN ind[5] = {0};
  SQLBindCol(st, 1, SQL_C_SLONG, &id, 4, &ind[0]);
  SQLBindCol(st, 2, SQL_C_CHAR, name, sizeof name, &ind[1]);
  SQLBindCol(st, 3, SQL_C_DOUBLE, &amount, 8, &ind[2]);
  SQLBindCol(st, 4, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &ind[3]);
  SQLBindCol(st, 5, SQL_C_CHAR, note, sizeof note, &ind[4]);
  const void* buffers[5] = {&id, name, &amount, &stamp, note};
  const SQLSMALLINT types[5] = {SQL_C_SLONG, SQL_C_CHAR, SQL_C_DOUBLE, SQL_C_TYPE_TIMESTAMP,
                                SQL_C_CHAR};
  Result r;
  SQLRETURN rc;
  while ((rc = SQLFetch(st)) != SQL_NO_DATA) {
    Ok(rc, SQL_HANDLE_STMT, st, "SQLFetch");
    ++r.rows;
    for (int col = 0; col < 5; ++col)
      if (ind[col] != SQL_NULL_DATA)
        r.chars += static_cast<long>(
            prenos::BufferToText(buffers[col], types[col], prenos::TStringTrimming::stTrimTrailing)
                .size());
  }
  SQLFreeHandle(SQL_HANDLE_STMT, st);
  return r;
}

Result ReadQt(QSqlDatabase& db) {
  QSqlQuery query(db);
  query.setForwardOnly(true);
  if (!query.exec(kSelect)) Fail("QODBC: " + query.lastError().text().toStdString());
  Result r;
  while (query.next()) {
    ++r.rows;
    for (int col = 0; col < 5; ++col) r.chars += query.value(col).toString().size();
  }
  return r;
}

// ---------------------------------------------------------------- one backend

std::vector<std::string> Batches() {
  std::vector<std::string> out;
  for (int b = 0; b < kBatches; ++b) {
    std::string text;
    for (int i = 0; text.size() <= 8192; ++i)
      text += "INSERT INTO BenchIns (A, B, C) VALUES (" + std::to_string(b * 1000 + i) +
              ", 'batch " + std::to_string(b) + " line " + std::to_string(i) + "', " +
              std::to_string(i) + ".25); ";
    out.push_back(std::move(text));
  }
  return out;
}

int RunBackend(Backend backend, int argc, char** argv) {
  TestLedger ledger(backend);
  const char* name = prenos::testing::BackendName(backend);
  std::fprintf(stderr, "%s: filling %d rows...\n", name, kRows);
  Fill(ledger);

  prenos::TComponent owner;
  prenos::THdbc db(&owner, "Database");
  db.SetDataSource("MSStelvar");
  db.SetDriver("SQL Server");
  db.SetUserName(ledger.UserName());
  db.SetPassword(ledger.Password());
  prenos::THstmt q(&owner, "qBench");
  db.Connect();

  QCoreApplication app(argc, argv);
  QSqlDatabase qt = QSqlDatabase::addDatabase("QODBC", "bench");
  qt.setDatabaseName("MSStelvar");  // QODBC puts "DSN=" in front and the login behind
  qt.setUserName(QString::fromStdString(ledger.UserName()));
  qt.setPassword(QString::fromStdString(ledger.Password()));
  if (!qt.open()) Fail("QODBC cannot connect: " + qt.lastError().text().toStdString());

  // Rounds in rotating order; the best time of each reader counts.
  std::map<std::string, double> best{{"layer", 1e99}, {"bare", 1e99}, {"qodbc", 1e99}};
  std::map<std::string, double> bestWall = best;
  const std::vector<std::pair<std::string, std::function<Result()>>> readers = {
      {"layer", [&] { return ReadThroughLayer(q); }},
      {"bare", [&] { return ReadBare(db.Handle()); }},
      {"qodbc", [&] { return ReadQt(qt); }}};
  Result expected;
  for (int round = 0; round < kRounds; ++round)
    for (size_t k = 0; k < readers.size(); ++k) {
      const auto& [reader, read] = readers[(k + static_cast<size_t>(round)) % readers.size()];
      const auto start = Clock::now();
      const double cpu = CpuSeconds();
      const Result r = read();
      const double t = CpuSeconds() - cpu;
      bestWall[reader] = std::min(bestWall[reader], Seconds(start));
      if (r.rows != kRows) Fail(reader + " read " + std::to_string(r.rows) + " rows");
      // QODBC prints numbers and date-times its own way: only the row count must agree.
      if (reader != "qodbc") {
        if (expected.rows == 0) expected = r;
        if (!(r == expected)) Fail(reader + " read other texts than the other readers");
      }
      best[reader] = std::min(best[reader], t);
    }
  for (const char* reader : {"layer", "bare", "qodbc"})
    std::printf("%s fetch %-6s %10.0f rows/s of processor time, %10.0f rows/s of wall time\n", name,
                reader, kRows / best[reader], kRows / bestWall[reader]);
  std::printf("RATIO %s fetch_vs_raw %.3f\n", name, best["layer"] / best["bare"]);
  std::printf("RATIO %s qodbc_vs_fetch %.3f\n", name, best["qodbc"] / best["layer"]);

  if (backend == Backend::Postgres) {
    const std::vector<std::string> batches = Batches();
    SQLHSTMT bare = SQL_NULL_HSTMT;
    Ok(SQLAllocHandle(SQL_HANDLE_STMT, db.Handle(), &bare), SQL_HANDLE_DBC, db.Handle(),
       "SQLAllocHandle");
    prenos::THstmt exec(&owner, "UpdateHstmt");
    exec.SetConcurrencyType(SQL_CONCUR_VALUES);
    exec.SetBlobPlacement(prenos::TBlobPlacement::bpByExec);
    double layer = 0, raw = 0;
    // Each batch goes both ways, in alternating order, so that the table's growth and the
    // server's state weigh on both alike.
    for (int b = 0; b < kBatches; ++b) {
      const std::string& text = batches[static_cast<size_t>(b)];
      const auto viaLayer = [&] {
        const auto start = Clock::now();
        exec.Close();
        exec.SetSQL(text);
        exec.Execute();
        layer += Seconds(start);
      };
      const auto viaBare = [&] {
        const auto start = Clock::now();
        Ok(SQLExecDirect(bare, (SQLCHAR*)text.c_str(), SQL_NTS), SQL_HANDLE_STMT, bare,
           "SQLExecDirect");
        SQLFreeStmt(bare, SQL_CLOSE);
        raw += Seconds(start);
      };
      if (b % 2) {
        viaLayer();
        viaBare();
      } else {
        viaBare();
        viaLayer();
      }
    }
    exec.Close();
    SQLFreeHandle(SQL_HANDLE_STMT, bare);
    const std::string rows = ledger.Scalar("SELECT COUNT(*) FROM BenchIns");
    std::printf(
        "%s exec   %zu batches of about %zu bytes twice, %s rows: layer %.3f s, bare %.3f s\n",
        name, batches.size(), batches[0].size(), rows.c_str(), layer, raw);
    std::printf("RATIO %s exec_vs_raw %.3f\n", name, layer / raw);
  }
  qt.close();
  return 0;
}

// ---------------------------------------------------------------- the parent

std::map<std::string, std::string> RunChild(const char* self, const char* backend) {
  std::map<std::string, std::string> ratios;
  const std::string command = std::string(self) + " --backend " + backend;
  FILE* p = popen(command.c_str(), "r");
  if (!p) Fail("cannot run " + command);
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    char which[32], key[64], value[32];
    if (std::sscanf(line, "RATIO %31s %63s %31s", which, key, value) == 3)
      ratios[key] = value;
    else
      std::fputs(line, stdout);
    std::fflush(stdout);
  }
  if (pclose(p) != 0) Fail(std::string("the ") + backend + " run failed");
  return ratios;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc >= 3 && std::strcmp(argv[1], "--backend") == 0)
      return RunBackend(std::strcmp(argv[2], "postgres") == 0 ? Backend::Postgres : Backend::Sqlite,
                        argc, argv);

    const std::string start = std::string(PRENOS_SOURCE_DIR) + "/scripts/pg start";
    if (std::system(start.c_str()) != 0)
      Fail("the PostgreSQL test server could not be started (" + start + ")");
    if (!std::getenv("PRENOS_SOURCE_DIR")) setenv("PRENOS_SOURCE_DIR", PRENOS_SOURCE_DIR, 1);

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto pg = RunChild(self.c_str(), "postgres");
    const auto sqlite = RunChild(self.c_str(), "sqlite");
    std::printf("sqlite: fetch_vs_raw %s, qodbc_vs_fetch %s\n", sqlite.at("fetch_vs_raw").c_str(),
                sqlite.at("qodbc_vs_fetch").c_str());
    std::printf("fetch_vs_raw: %s\n", pg.at("fetch_vs_raw").c_str());
    std::printf("qodbc_vs_fetch: %s\n", pg.at("qodbc_vs_fetch").c_str());
    std::printf("exec_vs_raw: %s\n", pg.at("exec_vs_raw").c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_odbc: %s\n", e.what());
    return 1;
  }
}
