// Test ledgers on real databases: a fresh ledger per test on SQLite (through sqliteodbc)
// or PostgreSQL (through psqlODBC), registered as driver "SQL Server" and DSN "MSStelvar"
// in a private odbcinst.ini / odbc.ini, and a fresh temporary prefix.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace prenos::testing {

enum class Backend { Sqlite, Postgres };

// The backend named by PRENOS_LEDGER ("sqlite" or "postgres"; sqlite when unset).
Backend CurrentBackend();
const char* BackendName(Backend b);

class TestLedger {
 public:
  // Gives the test a fresh ledger holding the schema (tests/ledger/schema.sql) and no
  // rows, the ODBC registration, and a fresh STELVAR_PREFIX. Throws std::runtime_error
  // with a clear message when the backend cannot be reached.
  explicit TestLedger(Backend backend = CurrentBackend());
  ~TestLedger();
  TestLedger(const TestLedger&) = delete;
  TestLedger& operator=(const TestLedger&) = delete;

  Backend backend() const { return backend_; }
  bool IsPostgres() const { return backend_ == Backend::Postgres; }

  // The login that reaches the ledger through DSN MSStelvar.
  std::string UserName() const { return "sa"; }
  std::string Password() const;

  // The temporary prefix of this test (also in STELVAR_PREFIX).
  const std::filesystem::path& Prefix() const { return prefix_; }

  // Runs SQL with the backend's command-line client (sqlite3 / psql), outside ODBC, for
  // set-up and for checking what reached the ledger. Texts are passed as bytes
  // (Windows-1250). Throws std::runtime_error with the client's output on failure.
  void Exec(const std::string& sql) const;
  // Rows of a query, each a vector of column texts (NULL reads as the empty text).
  std::vector<std::vector<std::string>> Query(const std::string& sql) const;
  // The single value of a one-row, one-column query.
  std::string Scalar(const std::string& sql) const;

  // The date-time column type of this backend (for tables a test makes for itself).
  std::string TimestampType() const;

  // Loads tests/ledger/sample.sql (plausible Slovenian business events, clerks,
  // journals and subjects).
  void LoadSample() const;

 private:
  std::string RunClient(const std::string& sql, bool rows) const;

  Backend backend_;
  std::filesystem::path prefix_;
};

// The folder of this process's odbcinst.ini and odbc.ini (ODBCSYSINI).
std::filesystem::path OdbcConfigDir();

}  // namespace prenos::testing
