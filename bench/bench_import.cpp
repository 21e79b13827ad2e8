// Import speed: 100,000 posting lines through FillPrenos against the same 34-column rows
// loaded by the sqlite3 command-line tool in one transaction, in the same run.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "transfer/import.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLines = 100000;

struct Row {
  int doc;
  std::string kz, kn, ks, kk, kd, vs, amountPiece;
  int zapDay, valDay;
  double amount;
};

Row MakeRow(int i) {
  Row r;
  r.doc = i % 999999;
  r.kz = std::to_string(1000 + i % 9000);
  r.kn = i % 7 ? std::to_string(7000 + i % 900) : "";
  r.ks = std::to_string(100 + i % 50);
  r.kk = "P" + std::to_string(i % 4000);
  r.kd = "IR" + std::to_string(i % 10);
  r.vs = "Racun " + std::to_string(i);
  const long cents = (i * 7919L) % 10000000 - 500000;
  r.amountPiece = std::to_string(cents / 100) + "," + (std::abs(cents % 100) < 10 ? "0" : "") +
                  std::to_string(std::abs(cents % 100));
  if (cents < 0 && cents / 100 == 0) r.amountPiece = "-" + r.amountPiece;
  r.amount = static_cast<double>(cents) / 100.0;
  r.zapDay = 1 + i % 28;
  r.valDay = 1 + (i + 5) % 28;
  return r;
}

std::string Pad(const std::string& s, size_t n) { return (s + std::string(n, ' ')).substr(0, n); }

std::string Line(const Row& r) {
  std::string l(224, ' ');
  auto put = [&](size_t start, size_t len, const std::string& v) {
    l.replace(start - 1, len, Pad(v, len));
  };
  char zap[16], val[16];
  std::snprintf(zap, sizeof zap, "200203%02d", r.zapDay);
  std::snprintf(val, sizeof val, "200204%02d", r.valDay);
  put(27, 6, std::to_string(r.doc));
  put(75, 10, r.kz);
  put(85, 10, r.kn);
  put(95, 10, r.ks);
  put(105, 10, r.kk);
  put(125, 7, r.kd);
  put(138, 8, zap);
  put(146, 22, r.vs);
  put(169, 17, r.amountPiece);
  put(215, 8, val);
  return l;
}

// The row as the import stages it, as an INSERT of all 34 columns.
std::string Insert(const Row& r) {
  char buf[512];
  std::snprintf(
      buf, sizeof buf,
      "INSERT INTO Prenos VALUES(NULL,NULL,NULL,NULL,NULL,NULL,%d,NULL,NULL,NULL,NULL,NULL,"
      "NULL,'%s','%s','%s','%s',NULL,'%s',NULL,NULL,NULL,'2002-03-%02d','%s',NULL,NULL,"
      "%.2f,NULL,NULL,'2002-04-%02d',NULL,NULL,NULL,NULL);\n",
      r.doc, Pad(r.kz, 10).c_str(), Pad(r.kn, 10).c_str(), Pad(r.ks, 10).c_str(),
      Pad(r.kk, 10).c_str(), Pad(r.kd, 7).c_str(), r.zapDay, Pad(r.vs, 22).c_str(), r.amount,
      r.valDay);
  return buf;
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main() {
  std::string dir = (fs::temp_directory_path() / "prenos-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 1;
  setenv("STELVAR_PREFIX", dir.c_str(), 1);

  const fs::path input = fs::path(dir) / "knjizbe.txt";
  const fs::path script = fs::path(dir) / "load.sql";
  const fs::path baseline = fs::path(dir) / "baseline.db";
  {
    std::ofstream in(input, std::ios::binary);
    std::ofstream sql(script, std::ios::binary);
    sql << "BEGIN;\nCREATE TABLE Prenos (Ident INTEGER, Oznaka INTEGER, Tip INTEGER, StDok "
           "INTEGER, "
           "StDne INTEGER, IdZap INTEGER, DsKup_Knj INTEGER, IdRacuna INTEGER, IdStrm INTEGER, "
           "IdKupDob INTEGER, IdMatOsn INTEGER, IdDeviza INTEGER, IdDokm INTEGER, KzRacuna "
           "VARCHAR(10), KNaRacun VARCHAR(10), KStrM VARCHAR(10), KKupDob VARCHAR(10), KMatOsn "
           "VARCHAR(10), KDokm VARCHAR(10), STrans INTEGER, STrank INTEGER, STranMs INTEGER, "
           "DatZap "
           "DATE, Vsebina VARCHAR(22), Operater VARCHAR(1), Status VARCHAR(1), Znesek FLOAT, "
           "OdpZnesek FLOAT, Kolicina FLOAT, DatVal DATE, IDDevize INTEGER, KDevize VARCHAR(10), "
           "Tecaj FLOAT, Status1 VARCHAR(1));\n";
    for (int i = 0; i < kLines; ++i) {
      const Row r = MakeRow(i);
      in << Line(r) << "\r\n";
      sql << Insert(r);
    }
    sql << "COMMIT;\n";
  }

  prenos::TImportTables tables;
  auto t0 = std::chrono::steady_clock::now();
  prenos::FillPrenos(tables.tbPrenos, tables.TAscii, input.string());
  const double ours = Seconds(std::chrono::steady_clock::now() - t0);
  const int64_t staged = tables.tbPrenos.RecordCount();
  tables.tbPrenos.Close();

  const std::string command = "sqlite3 '" + baseline.string() + "' < '" + script.string() + "'";
  t0 = std::chrono::steady_clock::now();
  const int rc = std::system(command.c_str());
  const double theirs = Seconds(std::chrono::steady_clock::now() - t0);

  // Both loads must hold the same rows for the comparison to mean anything.
  const std::string check =
      "SELECT count(*), sum(DsKup_Knj), round(sum(Znesek), 2), max(DatZap), max(DatVal), "
      "sum(length(KzRacuna || KNaRacun || KStrM || KKupDob || KDokm || Vsebina)) FROM Prenos";
  const std::string a =
      Output("sqlite3 '" + tables.tbPrenos.FilePath().string() + "' '" + check + "'");
  const std::string b = Output("sqlite3 '" + baseline.string() + "' '" + check + "'");

  std::error_code ec;
  fs::remove_all(dir, ec);
  if (staged != kLines || rc != 0 || a != b || a.empty()) {
    std::fprintf(stderr, "staged %lld of %d lines; sqlite3 exit %d; contents %s vs %s\n",
                 static_cast<long long>(staged), kLines, rc, a.c_str(), b.c_str());
    return 1;
  }
  std::printf("lines: %d\n", kLines);
  std::printf("FillPrenos: %.3f s, %.0f lines/s\n", ours, kLines / ours);
  std::printf("sqlite3 CLI: %.3f s, %.0f lines/s\n", theirs, kLines / theirs);
  std::printf("import_ratio: %.2f\n", ours / theirs);
  return 0;
}
