// Batch sending speed on the PostgreSQL test ledger: 20,000 posting lines built by
// InsertSQL and sent by sqlExecute in its batches, against bare ODBC calls sending the
// same batch texts (in the same transaction pattern, and in plain auto-commit), and
// against psql -f of the same statements, all in this one run. The three ODBC ways share
// one connection and take turns batch by batch, so that a busy machine slows them alike.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/datasif.h"
#include "ledger/ledger_fixture.h"
#include "platform/codepage.h"
#include "sqlsupport/batch.h"
#include "sqlsupport/insertsql.h"

using namespace prenos;
using prenos::testing::Backend;
using prenos::testing::TestLedger;

namespace {

constexpr int kRows = 20000;
constexpr int kRounds = 3;

// The posting lines of a run: debit and credit lines of journals of 500 lines each.
std::vector<std::string> Lines() {
  std::vector<std::string> out;
  const std::string remark = Utf8ToCp1250("Plačilo računa");
  for (int i = 0; i < kRows; ++i) {
    std::string line;
    char key[16];
    std::snprintf(key, sizeof key, "02KA%05d", 1 + i / 500);
    const int64_t amount = (i * 7919L) % 10000000 + 1;
    const bool debit = i % 2 == 0;
    InsertSQL("TemePoz", {"Kljuc",       key,
                          "Poz",         1 + i % 500,
                          "Konto",       std::to_string(1000 + i % 9000),
                          "ProtiKonto",  std::to_string(7000 + i % 900),
                          "Subjekt",     "Kupec " + std::to_string(i % 4000),
                          "Oddelek",     std::to_string(100 + i % 50),
                          "Dokument",    "IR" + std::to_string(i),
                          "VezniDok",    "",
                          "VKljuc",      "",
                          "DokumentTuj", "",
                          "DatumDok",    TVarRec::DateTime(37316 + i % 28),
                          "DatumDDV",    TVarRec::DateTime(37316 + i % 28),
                          "DatumVal",    TVarRec::DateTime(37346 + i % 28),
                          "Opomba",      remark + " " + std::to_string(i),
                          "UserZap",     "Prenos",
                          "UserSpre",    "Prenos",
                          "Valuta",      "SIT",
                          "Debet",       TCurrency{debit ? amount : 0},
                          "ValDebet",    TCurrency{0},
                          "Kredit",      TCurrency{debit ? 0 : amount},
                          "ValKredit",   TCurrency{0}},
              line);
    out.push_back(std::move(line));
  }
  return out;
}

// The texts sqlExecute sends for these lines: a batch goes once it is past the threshold
// (tested before each line is added), and the rest at the end.
std::vector<std::string> BatchTexts(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  std::string batch;
  for (const std::string& l : lines) {
    if (batch.size() > kBatchThreshold) out.push_back(std::move(batch)), batch.clear();
    batch += l;
  }
  out.push_back(batch);
  return out;
}

void Check(SQLSMALLINT type, SQLHANDLE handle, SQLRETURN rc, const char* what) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  SQLCHAR state[6] = {0}, msg[512] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  SQLGetDiagRec(type, handle, 1, state, &native, msg, sizeof msg, &len);
  throw std::runtime_error(std::string(what) + ": " + reinterpret_cast<char*>(state) + " " +
                           reinterpret_cast<char*>(msg));
}

// Bare ODBC on a connection that is already open: each text executed directly with its
// results read, on a statement handle of its own.
class Raw {
 public:
  explicit Raw(SQLHDBC dbc) : dbc_(dbc) {
    Check(SQL_HANDLE_DBC, dbc_, SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_), "statement");
  }
  ~Raw() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }
  Raw(const Raw&) = delete;
  Raw& operator=(const Raw&) = delete;

  void Send(const std::string& text, bool transaction) {
    if (transaction) SetAutoCommit(SQL_AUTOCOMMIT_OFF);
    Check(SQL_HANDLE_STMT, stmt_, SQLExecDirect(stmt_, (SQLCHAR*)text.c_str(), SQL_NTS), "execute");
    for (SQLRETURN rc; (rc = SQLMoreResults(stmt_)) != SQL_NO_DATA;)
      Check(SQL_HANDLE_STMT, stmt_, rc, "results");
    SQLFreeStmt(stmt_, SQL_CLOSE);
    if (transaction) {
      Check(SQL_HANDLE_DBC, dbc_, SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), "commit");
      SetAutoCommit(SQL_AUTOCOMMIT_ON);
    }
  }
  // Empties the table again; the number of rows that were there.
  SQLLEN Clear() {
    Check(SQL_HANDLE_STMT, stmt_, SQLExecDirect(stmt_, (SQLCHAR*)"DELETE FROM TemePoz", SQL_NTS),
          "delete");
    SQLLEN rows = -1;
    SQLRowCount(stmt_, &rows);
    SQLFreeStmt(stmt_, SQL_CLOSE);
    return rows;
  }

 private:
  void SetAutoCommit(SQLULEN value) {
    Check(SQL_HANDLE_DBC, dbc_,
          SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value),
                            SQL_IS_UINTEGER),
          "autocommit");
  }
  SQLHDBC dbc_;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

double Seconds(const std::function<void()>& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  try {
    TestLedger ledger(Backend::Postgres);
    const std::vector<std::string> lines = Lines();
    const std::vector<std::string> texts = BatchTexts(lines);

    const std::string file = (ledger.Prefix() / "lines.sql").string();
    {
      std::ofstream out(file, std::ios::binary);
      for (const std::string& l : lines) out << l << "\n";
    }
    const char* port = std::getenv("PRENOS_PG_PORT");
    const std::string psql =
        "PGPASSWORD=" + ledger.Password() +
        " PGCLIENTENCODING=WIN1250 psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p " +
        (port && *port ? port : "54329") + " -U " + ledger.UserName() + " -d " +
        ledger.Scalar("SELECT current_database()") + " -f " + file + " >/dev/null";

    TDataSif dm;
    dm.Database.SetUserName(ledger.UserName());
    dm.Database.SetPassword(ledger.Password());
    dm.Database.Connect();
    // All ways share the data module's one connection, so that they reach the same server
    // process; only the client side differs.
    Raw raw(dm.Database.Handle());

    // Seconds spent by each way: sqlExecute, the same pattern bare, bare auto-commit.
    double spent[3] = {0, 0, 0};
    std::string pending;
    for (int round = 0; round < kRounds; ++round) {
      for (size_t i = 0; i < texts.size(); ++i) {
        const bool last = i + 1 == texts.size();
        for (int k = 0; k < 3; ++k) {
          const int way = static_cast<int>((i + k + round) % 3);
          pending = texts[i];
          spent[way] += Seconds([&] {
            if (way == 0 && !sqlExecute(dm.UpdateHstmt, pending, last))
              throw std::runtime_error("a send failed");
            if (way > 0) raw.Send(texts[i], way == 1);
          });
          const SQLLEN rows = std::count(texts[i].begin(), texts[i].end(), ';');
          if (raw.Clear() != rows) throw std::runtime_error("a batch did not write all its rows");
        }
      }
    }
    double psqlBest = 1e9;
    for (int round = 0; round < kRounds; ++round) {
      psqlBest = std::min(psqlBest, Seconds([&] {
                            if (std::system(psql.c_str()) != 0)
                              throw std::runtime_error("psql -f failed");
                          }));
      const std::string count = ledger.Scalar("SELECT count(*) FROM TemePoz");
      if (count != std::to_string(kRows))
        throw std::runtime_error("psql -f left " + count + " rows");
      ledger.Exec("TRUNCATE TemePoz");
    }
    const double batch = spent[0] / kRounds, rawTx = spent[1] / kRounds,
                 rawAuto = spent[2] / kRounds;
    auto rate = [](double s) { return kRows / s; };
    std::printf("%d TemePoz rows in %zu batches, %d rounds\n", kRows, texts.size(), kRounds);
    std::printf("sqlExecute (one transaction per batch):     %10.0f rows/s\n", rate(batch));
    std::printf("SQLExecDirect, same transaction pattern:    %10.0f rows/s\n", rate(rawTx));
    std::printf("SQLExecDirect, plain auto-commit:           %10.0f rows/s\n", rate(rawAuto));
    std::printf("psql -f, one statement at a time (best):    %10.0f rows/s\n", rate(psqlBest));
    // Time ratios: above 1 the first is slower.
    std::printf("batch_vs_raw: %.3f\n", batch / rawTx);
    std::printf("batch_vs_autocommit: %.3f\n", batch / rawAuto);
    std::printf("psql_vs_batch: %.3f\n", psqlBest / batch);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_batch: %s\n", e.what());
    return 1;
  }
}
