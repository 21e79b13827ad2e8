// The SQLite side of a store table: one connection to the table's file, the statements
// that read and append its rows, and the open transaction that groups appends.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "localtables/table.h"

namespace prenos {

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalizer {
  void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// Appends are grouped in one transaction that ends when the table is read, closed, or
// the same file is used by another table object of the process. The files use SQLite's
// write-ahead log: a crash loses at most the open group and never damages the file, and
// a reader (another process, or sqlite3) never waits for a writer. With the rollback
// journal a writer that commits record after record, as the error log does, holds the
// file locked through each sync and can starve a reader past any busy timeout. The log
// is folded back into the file when the last connection closes, so a closed table is
// one file again.
struct TTable::Store {
  // Opens an existing file; label names the table in messages. Raises ELocalTable,
  // with Missing() when the file or the table inside it does not exist.
  Store(const std::filesystem::path& file, std::string sqlName, std::string label);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Creates (or replaces) table sqlName in file from the definitions.
  static void Create(const std::filesystem::path& file, const std::string& sqlName,
                     const std::string& label, const std::vector<TFieldDef>& defs);

  const std::vector<TFieldDef>& Columns() const { return columns_; }

  // Stores the buffers of fields (one per column, in column order); returns the rowid.
  int64_t Insert(const std::vector<std::unique_ptr<TField>>& fields);
  // Loads the first row after rowid into fields; false when there is none.
  bool FetchAfter(int64_t rowid, int64_t& found, std::vector<std::unique_ptr<TField>>& fields);
  int64_t Count();
  // Ends the open group of appends, if any.
  void Commit();

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  void Exec(const char* sql);
  sqlite3_stmt* Prepare(SqliteStmt& slot, const std::string& sql);
  void FlushOthers();
  void LoadColumns();
  void Unregister();
  // Every open store of the process, by the canonical path of its file.
  static std::multimap<std::string, Store*>& OpenStores();

  std::string key_;  // the file's canonical path, shared by every object on that file
  std::string sqlName_;
  std::string label_;
  SqliteDb db_;
  SqliteStmt insert_, fetch_, count_;
  std::vector<TFieldDef> columns_;
  bool pending_ = false;
};

// Date and date-time values as the table files keep them: "YYYY-MM-DD" and
// "YYYY-MM-DD HH:MM:SS". Parsing accepts both forms for either type.
std::string IsoDate(TDateTime value);
std::string IsoDateTime(TDateTime value);
bool ParseIsoDateTime(const std::string& text, TDateTime& out);

}  // namespace prenos
