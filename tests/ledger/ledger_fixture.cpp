// Test ledgers: ODBC registration, per-process ledger database, reset to the schema.
#include "ledger/ledger_fixture.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/codepage.h"

namespace fs = std::filesystem;

namespace prenos::testing {
namespace {

const char* kSqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
const char* kPsqlDriver = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so";
const char* kPgPassword = "Stelvar-sa";

std::string Env(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

// PRENOS_PG_PORT, else the port scripts/pg wrote when it started the server beside the
// build (it may have taken another than 54329 when that was in use).
std::string PgPort() {
  if (const std::string port = Env("PRENOS_PG_PORT", ""); !port.empty()) return port;
  std::ifstream file(fs::path(Env("PRENOS_BUILD_DIR", ".")) / ".pg-port");
  std::string port;
  if (file >> port) return port;
  return "54329";
}

fs::path WorkDir() {
  static const fs::path dir = [] {
    fs::path base = Env("PRENOS_BUILD_DIR", fs::temp_directory_path().string());
    fs::path d = base / "ledgers" / std::to_string(getpid());
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

std::string PgDatabase() { return "ledger_" + std::to_string(getpid()); }

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("test ledger: cannot read " + p.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path SourceDir() {
  return Env("PRENOS_SOURCE_DIR",
             fs::path(__FILE__).parent_path().parent_path().parent_path().string());
}

struct CommandResult {
  int status;
  std::string output;
};

CommandResult Run(const std::string& command) {
  CommandResult r{0, {}};
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) throw std::runtime_error("test ledger: cannot run " + command);
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.output.append(buf.data(), n);
  r.status = pclose(p);
  return r;
}

std::string PsqlCommand(const std::string& user, const std::string& db) {
  std::string pw = user == "sa" ? std::string("PGPASSWORD=") + kPgPassword + " " : "";
  return pw +
         "PGCLIENTENCODING=WIN1250 PGCONNECT_TIMEOUT=5 psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 "
         "-p " +
         PgPort() + " -U " + user + " -d " + db + " -At -F '\t'";
}

void WriteOdbcConfig(Backend b) {
  const fs::path dir = WorkDir();
  {
    std::ofstream inst(dir / "odbcinst.ini");
    inst << "[SQL Server]\nDescription=" << BackendName(b)
         << " test ledger\nDriver=" << (b == Backend::Sqlite ? kSqliteDriver : kPsqlDriver)
         << "\nFileUsage=1\nDontDLClose=1\n";
  }
  std::ostringstream dsn;
  dsn << "[MSStelvar]\nDriver=SQL Server\n";
  if (b == Backend::Sqlite) {
    dsn << "Database=" << (dir / "ledger.db").string() << "\nTimeout=10000\nNoWCHAR=1\n";
  } else {
    dsn << "Servername=127.0.0.1\nPort=" << PgPort() << "\nDatabase=" << PgDatabase()
        << "\nConnSettings=SET client_encoding TO 'WIN1250'\n";
  }
  for (const char* name : {"odbc.ini", "user-odbc.ini"}) {
    std::ofstream ini(dir / name);
    ini << dsn.str();
  }
  setenv("ODBCSYSINI", dir.c_str(), 1);
  setenv("ODBCINI", (dir / "user-odbc.ini").c_str(), 1);
}

// Databases of test processes that are gone.
void DropStalePgDatabases() {
  auto r = Run(PsqlCommand("postgres", "postgres") +
               " -c \"SELECT datname FROM pg_database WHERE datname LIKE 'ledger\\_%'\"");
  if (r.status != 0) return;
  std::istringstream lines(r.output);
  std::string name;
  while (std::getline(lines, name)) {
    std::string pid = name.substr(7);
    if (pid.empty() || fs::exists("/proc/" + pid)) continue;
    Run(PsqlCommand("postgres", "postgres") + " -c 'DROP DATABASE IF EXISTS " + name +
        " WITH (FORCE)'");
  }
}

void DropOwnPgDatabase() {
  Run(PsqlCommand("postgres", "postgres") + " -c 'DROP DATABASE IF EXISTS " + PgDatabase() +
      " WITH (FORCE)'");
}

void EnsurePgDatabase() {
  static bool created = false;
  if (created) return;
  auto ping = Run(PsqlCommand("postgres", "postgres") + " -c 'SELECT 1'");
  if (ping.status != 0)
    throw std::runtime_error(
        "test ledger: the PostgreSQL test server on 127.0.0.1:" + PgPort() +
        " cannot be reached (start it with scripts/pg start, or run scripts/test): " + ping.output);
  DropStalePgDatabases();
  auto r = Run(PsqlCommand("postgres", "postgres") + " -c 'DROP DATABASE IF EXISTS " +
               PgDatabase() + "' -c \"CREATE DATABASE " + PgDatabase() +
               " OWNER sa ENCODING 'UTF8' TEMPLATE template0\"");
  if (r.status != 0) throw std::runtime_error("test ledger: cannot create database: " + r.output);
  std::atexit(DropOwnPgDatabase);
  created = true;
}

fs::path MakeTempPrefix() {
  std::string tmpl = (WorkDir() / "prefix-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("test ledger: cannot make a prefix folder");
  return tmpl;
}

}  // namespace

Backend CurrentBackend() {
  const std::string name = Env("PRENOS_LEDGER", "sqlite");
  if (name == "sqlite") return Backend::Sqlite;
  if (name == "postgres") return Backend::Postgres;
  throw std::runtime_error("PRENOS_LEDGER must be sqlite or postgres, not " + name);
}

const char* BackendName(Backend b) { return b == Backend::Sqlite ? "sqlite" : "postgres"; }

fs::path OdbcConfigDir() { return WorkDir(); }

TestLedger::TestLedger(Backend backend) : backend_(backend), prefix_(MakeTempPrefix()) {
  setenv("STELVAR_PREFIX", prefix_.c_str(), 1);
  WriteOdbcConfig(backend_);
  std::string schema = ReadFile(SourceDir() / "tests" / "ledger" / "schema.sql");
  const std::string ts = TimestampType();
  for (size_t p; (p = schema.find("@TIMESTAMP@")) != std::string::npos;) schema.replace(p, 11, ts);
  if (backend_ == Backend::Sqlite) {
    fs::remove(WorkDir() / "ledger.db");
    Exec(schema);
  } else {
    EnsurePgDatabase();
    Exec("SET lock_timeout = '10s'; DROP SCHEMA IF EXISTS public CASCADE; CREATE SCHEMA public;\n" +
         schema);
  }
}

TestLedger::~TestLedger() {
  std::error_code ec;
  fs::remove_all(prefix_, ec);
}

std::string TestLedger::Password() const {
  return backend_ == Backend::Postgres ? kPgPassword : "";
}

std::string TestLedger::TimestampType() const {
  return backend_ == Backend::Sqlite ? "datetime" : "timestamp";
}

std::string TestLedger::RunClient(const std::string& sql, bool rows) const {
  const fs::path file = WorkDir() / "client.sql";
  {
    std::ofstream out(file, std::ios::binary);
    out << sql << "\n";
  }
  std::string cmd = backend_ == Backend::Sqlite
                        ? "sqlite3 -batch -bail -noheader -separator '\t' " +
                              (WorkDir() / "ledger.db").string() + " < " + file.string()
                        : PsqlCommand("sa", PgDatabase()) + " -f " + file.string();
  auto r = Run(cmd);
  if (r.status != 0 || (!rows && r.output.find("ERROR") != std::string::npos))
    throw std::runtime_error(std::string("test ledger (") + BackendName(backend_) +
                             "): SQL failed: " + r.output + "\nSQL: " + sql.substr(0, 2000));
  return r.output;
}

void TestLedger::Exec(const std::string& sql) const { RunClient(sql, false); }

std::vector<std::vector<std::string>> TestLedger::Query(const std::string& sql) const {
  std::vector<std::vector<std::string>> out;
  std::istringstream lines(RunClient(sql, true));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> row;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      row.push_back(line.substr(start, tab - start));
    row.push_back(line.substr(start));
    out.push_back(std::move(row));
  }
  return out;
}

std::string TestLedger::Scalar(const std::string& sql) const {
  auto rows = Query(sql);
  if (rows.empty() || rows[0].empty()) return "";
  return rows[0][0];
}

void TestLedger::LoadSample() const {
  Exec(Utf8ToCp1250(ReadFile(SourceDir() / "tests" / "ledger" / "sample.sql")));
}

}  // namespace prenos::testing
