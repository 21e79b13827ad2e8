// Store tables on SQLite: opening, creating, appending in groups, reading by rowid.
#include "localtables/store.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <system_error>

#include "platform/codepage.h"
#include "platform/prefix.h"

namespace fs = std::filesystem;

namespace prenos {
namespace {

constexpr int kBusyTimeoutMs = 5000;

std::string Quote(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string KeyOf(const fs::path& file) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(file, ec);
  return (ec ? file : p).string();
}

std::string DeclaredType(const TFieldDef& d) {
  switch (d.DataType) {
    case TFieldType::Integer: return "INTEGER";
    case TFieldType::SmallInt: return "SMALLINT";
    case TFieldType::String: return "VARCHAR(" + std::to_string(d.Size) + ")";
    case TFieldType::Float: return "FLOAT";
    case TFieldType::Date: return "DATE";
    case TFieldType::DateTime: return "DATETIME";
    // TEXT, not a name of NUMERIC affinity, so that a memo of digits stays a text.
    case TFieldType::Memo: return "TEXT";
  }
  return "TEXT";
}

// The field type of a declared column type; columns made by other tools map by affinity.
TFieldDef FromDeclared(std::string name, std::string type, bool notNull) {
  for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  TFieldDef d{std::move(name), TFieldType::Memo, 0, notNull};
  int size = 0;
  if (type == "SMALLINT")
    d.DataType = TFieldType::SmallInt;
  else if (type == "DATE")
    d.DataType = TFieldType::Date;
  else if (type == "DATETIME")
    d.DataType = TFieldType::DateTime;
  else if (std::sscanf(type.c_str(), "VARCHAR(%d)", &size) == 1 && size > 0) {
    d.DataType = TFieldType::String;
    d.Size = size;
  } else if (type.find("INT") != std::string::npos)
    d.DataType = TFieldType::Integer;
  else if (type.find("REAL") != std::string::npos || type.find("FLOA") != std::string::npos ||
           type.find("DOUB") != std::string::npos)
    d.DataType = TFieldType::Float;
  return d;
}

// Texts are stored as UTF-8 so that any tool reads the files. Rows written before that
// hold Windows-1250 bytes, which are rarely valid UTF-8 of the code page's characters:
// a text that does not decode as such is taken as the bytes it is.
std::string FromStored(const unsigned char* p, int bytes) {
  const std::string_view stored(reinterpret_cast<const char*>(p), static_cast<size_t>(bytes));
  std::string text;
  if (TryUtf8ToCp1250(stored, text)) return text;
  return std::string(stored);
}

void Exec(sqlite3* db, const char* sql, const std::string& label, const char* what) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw ELocalTable("Table '" + label + "': " + what + ": " + sqlite3_errmsg(db));
}

SqliteDb OpenDb(const fs::path& file, int flags, const std::string& label) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  SqliteDb db(raw);
  if (rc != SQLITE_OK)
    throw ELocalTable("Table '" + label + "': cannot open " + PathToText(file) + ": " +
                      (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  return db;
}

// Puts the file in write-ahead-log mode (it stays so); a file that is not a table file
// fails here silently and is reported by the statement that reads it.
void UseWal(sqlite3* db) { sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr); }

}  // namespace

// SQLite connections of one thread on one file would wait on each other's open group of
// appends until the busy timeout; instead a table object commits the other objects'
// groups before it uses the file.
std::multimap<std::string, TTable::Store*>& TTable::Store::OpenStores() {
  static std::multimap<std::string, Store*> stores;
  return stores;
}

void TTable::Store::Unregister() {
  for (auto [it, end] = OpenStores().equal_range(key_); it != end; ++it)
    if (it->second == this) {
      OpenStores().erase(it);
      return;
    }
}

TTable::Store::Store(const fs::path& file, std::string sqlName, std::string label)
    : key_(KeyOf(file)), sqlName_(std::move(sqlName)), label_(std::move(label)) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec))
    throw ELocalTable("Table '" + label_ + "' does not exist (" + PathToText(file) + ")", true);
  db_ = OpenDb(file, SQLITE_OPEN_READWRITE, label_);
  UseWal(db_.get());
  OpenStores().emplace(key_, this);
  try {
    FlushOthers();
    LoadColumns();
  } catch (...) {
    Unregister();
    throw;
  }
}

TTable::Store::~Store() {
  try {
    Commit();
  } catch (...) {
    // Closing the connection rolls the group back; the file stays sound.
  }
  Unregister();
}

void TTable::Store::Fail(const std::string& what) const {
  throw ELocalTable("Table '" + label_ + "': " + what + ": " + sqlite3_errmsg(db_.get()));
}

void TTable::Store::Exec(const char* sql) { prenos::Exec(db_.get(), sql, label_, sql); }

sqlite3_stmt* TTable::Store::Prepare(SqliteStmt& slot, const std::string& sql) {
  if (!slot) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) !=
        SQLITE_OK)
      Fail("cannot prepare " + sql);
    slot.reset(st);
  }
  return slot.get();
}

void TTable::Store::FlushOthers() {
  std::vector<Store*> others;
  for (auto [it, end] = OpenStores().equal_range(key_); it != end; ++it)
    if (it->second != this && it->second->pending_) others.push_back(it->second);
  for (Store* s : others) s->Commit();
}

void TTable::Store::LoadColumns() {
  SqliteStmt info;
  sqlite3_stmt* st = Prepare(info, "SELECT name, type, \"notnull\" FROM pragma_table_info(?)");
  sqlite3_bind_text(st, 1, sqlName_.c_str(), static_cast<int>(sqlName_.size()), SQLITE_STATIC);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    auto text = [&](int i) {
      const unsigned char* p = sqlite3_column_text(st, i);
      return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(st, i)) : "";
    };
    columns_.push_back(FromDeclared(text(0), text(1), sqlite3_column_int(st, 2) != 0));
  }
  if (rc != SQLITE_DONE) Fail("cannot read the table's fields");
  if (columns_.empty())
    throw ELocalTable("Table '" + label_ + "' does not exist in " +
                          PathToText(sqlite3_db_filename(db_.get(), "main")),
                      true);
}

void TTable::Store::Create(const fs::path& file, const std::string& sqlName,
                           const std::string& label, const std::vector<TFieldDef>& defs) {
  const std::string key = KeyOf(file);
  if (OpenStores().count(key))
    throw ELocalTable("Table '" + label + "' cannot be re-created while it is open");
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);

  std::string create = "CREATE TABLE " + Quote(sqlName) + " (";
  for (size_t i = 0; i < defs.size(); ++i) {
    if (i) create += ", ";
    create += Quote(defs[i].Name) + " " + DeclaredType(defs[i]);
    if (defs[i].Required) create += " NOT NULL";
  }
  create += ")";
  const std::string drop = "DROP TABLE IF EXISTS " + Quote(sqlName);

  for (int attempt = 0;; ++attempt) {
    SqliteDb db = OpenDb(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, label);
    int rc = sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_NOTADB && attempt == 0) {
      // Whatever held the name is not a table file: the new table replaces it.
      db.reset();
      fs::remove(file, ec);
      for (const char* side : {"-journal", "-wal", "-shm"})
        fs::remove(fs::path(file.string() + side), ec);
      continue;
    }
    if (rc != SQLITE_OK)
      throw ELocalTable("Table '" + label + "': cannot create: " + sqlite3_errmsg(db.get()));
    try {
      prenos::Exec(db.get(), drop.c_str(), label, "cannot replace the old table");
      prenos::Exec(db.get(), create.c_str(), label, "cannot create");
      prenos::Exec(db.get(), "COMMIT", label, "cannot create");
    } catch (...) {
      sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    UseWal(db.get());
    return;
  }
}

int64_t TTable::Store::Insert(const std::vector<std::unique_ptr<TField>>& fields) {
  if (!insert_) {
    std::string names, marks;
    for (size_t i = 0; i < columns_.size(); ++i) {
      names += (i ? ", " : "") + Quote(columns_[i].Name);
      marks += i ? ", ?" : "?";
    }
    Prepare(insert_, "INSERT INTO " + Quote(sqlName_) + " (" + names + ") VALUES (" + marks + ")");
  }
  if (!pending_) {
    FlushOthers();
    Exec("BEGIN IMMEDIATE");
    pending_ = true;
  }
  sqlite3_stmt* st = insert_.get();
  std::vector<std::string> texts(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    const TField& f = *fields[i];
    const int n = static_cast<int>(i + 1);
    switch (f.kind_) {
      case TField::Kind::Null:
      case TField::Kind::Bad:  // only ever read, never appended
        sqlite3_bind_null(st, n);
        break;
      case TField::Kind::Int: sqlite3_bind_int64(st, n, f.int_); break;
      case TField::Kind::Real:
        if (f.DataType() == TFieldType::Date || f.DataType() == TFieldType::DateTime) {
          texts[i] = f.DataType() == TFieldType::Date ? IsoDate(f.real_) : IsoDateTime(f.real_);
          sqlite3_bind_text(st, n, texts[i].data(), static_cast<int>(texts[i].size()),
                            SQLITE_STATIC);
        } else {
          sqlite3_bind_double(st, n, f.real_);
        }
        break;
      case TField::Kind::Text:
        texts[i] = Cp1250ToUtf8Exact(f.text_);
        sqlite3_bind_text(st, n, texts[i].data(), static_cast<int>(texts[i].size()), SQLITE_STATIC);
        break;
    }
  }
  const int rc = sqlite3_step(st);
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  if (rc != SQLITE_DONE) Fail("cannot post the record");
  return sqlite3_last_insert_rowid(db_.get());
}

bool TTable::Store::FetchAfter(int64_t rowid, int64_t& found,
                               std::vector<std::unique_ptr<TField>>& fields) {
  Commit();
  FlushOthers();
  if (!fetch_) {
    std::string names;
    for (const TFieldDef& c : columns_) names += ", " + Quote(c.Name);
    Prepare(fetch_, "SELECT rowid" + names + " FROM " + Quote(sqlName_) +
                        " WHERE rowid > ? ORDER BY rowid LIMIT 1");
  }
  sqlite3_stmt* st = fetch_.get();
  sqlite3_bind_int64(st, 1, rowid);
  const int rc = sqlite3_step(st);
  if (rc == SQLITE_DONE) {
    sqlite3_reset(st);
    return false;
  }
  if (rc != SQLITE_ROW) {
    sqlite3_reset(st);
    Fail("cannot read a record");
  }
  found = sqlite3_column_int64(st, 0);
  for (size_t i = 0; i < fields.size(); ++i) {
    TField& f = *fields[i];
    const int c = static_cast<int>(i + 1);
    const int type = sqlite3_column_type(st, c);
    f.kind_ = TField::Kind::Null;
    f.text_.clear();
    if (type == SQLITE_NULL) continue;
    const TFieldType want = f.DataType();
    if ((want == TFieldType::Integer || want == TFieldType::SmallInt) && type == SQLITE_INTEGER) {
      f.kind_ = TField::Kind::Int;
      f.int_ = sqlite3_column_int64(st, c);
      continue;
    }
    if (want == TFieldType::Float && (type == SQLITE_INTEGER || type == SQLITE_FLOAT)) {
      f.kind_ = TField::Kind::Real;
      f.real_ = sqlite3_column_double(st, c);
      continue;
    }
    const unsigned char* p = sqlite3_column_text(st, c);
    f.text_ = FromStored(p, sqlite3_column_bytes(st, c));
    if (want == TFieldType::String || want == TFieldType::Memo) {
      f.kind_ = TField::Kind::Text;
    } else if ((want == TFieldType::Date || want == TFieldType::DateTime) && type == SQLITE_TEXT &&
               ParseIsoDateTime(f.text_, f.real_)) {
      f.kind_ = TField::Kind::Real;
      f.text_.clear();
    } else {
      f.kind_ = TField::Kind::Bad;
    }
  }
  sqlite3_reset(st);
  return true;
}

int64_t TTable::Store::Count() {
  Commit();
  FlushOthers();
  sqlite3_stmt* st = Prepare(count_, "SELECT count(*) FROM " + Quote(sqlName_));
  const int rc = sqlite3_step(st);
  const int64_t n = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
  sqlite3_reset(st);
  if (rc != SQLITE_ROW) Fail("cannot count the records");
  return n;
}

void TTable::Store::Commit() {
  if (!pending_) return;
  Exec("COMMIT");
  pending_ = false;
}

std::string IsoDate(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

std::string IsoDateTime(TDateTime value) {
  int h, n, s, ms;
  DecodeTime(value, h, n, s, ms);
  char buf[16];
  std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", h, n, s);
  return IsoDate(value) + buf;
}

bool ParseIsoDateTime(const std::string& t, TDateTime& out) {
  auto num = [&](size_t at, size_t len, int& v) {
    if (at + len > t.size()) return false;
    v = 0;
    for (size_t i = at; i < at + len; ++i) {
      if (t[i] < '0' || t[i] > '9') return false;
      v = v * 10 + (t[i] - '0');
    }
    return true;
  };
  int y, m, d, h = 0, n = 0, s = 0;
  if (!num(0, 4, y) || t.size() < 10 || t[4] != '-' || !num(5, 2, m) || t[7] != '-' ||
      !num(8, 2, d))
    return false;
  TDateTime date;
  if (!TryEncodeDate(y, m, d, date)) return false;
  if (t.size() > 10) {
    if ((t[10] != ' ' && t[10] != 'T') || !num(11, 2, h) || t.size() < 16 || t[13] != ':' ||
        !num(14, 2, n))
      return false;
    if (t.size() > 16 && (t.size() != 19 || t[16] != ':' || !num(17, 2, s))) return false;
    if (h > 23 || n > 59 || s > 59) return false;
  }
  const double time = (h * 3600.0 + n * 60.0 + s) / 86400.0;
  // Before 30 December 1899 the time of day counts away from zero, as DecodeTime reads it.
  out = date < 0 ? date - time : date + time;
  return true;
}

}  // namespace prenos
