// The table object of the local table store: a named table of typed fields kept in one
// SQLite file per table, or a text file read line by line as a table of one field.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/component.h"
#include "platform/datetime.h"
#include "platform/exceptions.h"

struct sqlite3;

namespace prenos {

// A failure of the local table store; the message names the table. Missing() tells a
// table (or text file) that does not exist apart from every other failure.
class ELocalTable : public EDatabaseError {
 public:
  explicit ELocalTable(std::string message, bool missing = false)
      : EDatabaseError(std::move(message)), missing_(missing) {}
  const char* ClassName() const noexcept override { return "ELocalTable"; }
  bool Missing() const noexcept { return missing_; }

 private:
  bool missing_;
};

// Integer is 32-bit, SmallInt 16-bit, String holds up to Size single-byte characters,
// Float is double precision, Date a calendar date, DateTime a date with time of day,
// Memo a text of any length.
enum class TFieldType { Integer, SmallInt, String, Float, Date, DateTime, Memo };

// Default: a table in the store. Text: a text file, one record per line, one field "Field1".
enum class TTableType { Default, Text };

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::String;
  int Size = 0;  // characters, for String (and the declared size of a Memo)
  bool Required = false;
};

class TField;

class TTable : public TComponent {
 public:
  explicit TTable(TComponent* owner = nullptr, std::string name = {});
  ~TTable() override;
  const char* ClassName() const override { return "TTable"; }

  // Settings; changing them needs a closed table.
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const std::string& alias);
  const std::string& TableName() const { return tableName_; }
  void SetTableName(const std::string& name);
  TTableType TableType() const { return tableType_; }
  void SetTableType(TTableType type);

  // The file that holds the table: <alias folder>/NAME.db, or the mapped path with ".db"
  // appended; a text table's file is the mapped path itself.
  std::filesystem::path FilePath() const;

  // Definitions used by CreateTable.
  void ClearFieldDefs();
  void AddFieldDef(const std::string& name, TFieldType type, int size = 0, bool required = false);
  const std::vector<TFieldDef>& FieldDefs() const { return fieldDefs_; }
  void ClearIndexDefs();
  // Creates the table from its field definitions, replacing any table of that name. The
  // table must be closed. For a text table: an empty text file.
  void CreateTable();

  // Opening a table that does not exist raises ELocalTable with Missing() true. After
  // Open the table stands on its first record (or at the end when it has none).
  void Open();
  // Discards a record being appended; stores what was posted.
  void Close();
  bool Active() const { return active_; }

  // Append starts a new empty record, Post stores it, Cancel discards it. Appending or
  // moving while a record is being appended posts it first. Text tables are read-only.
  void Append();
  void Post();
  void Cancel();
  bool Appending() const { return appending_; }

  void First();
  void Next();
  // True once Next has passed the last record (or the table is empty).
  bool Eof() const { return eof_; }
  int64_t RecordCount();

  // Names compared without regard to letter case; FieldByName raises when there is none.
  TField& FieldByName(const std::string& name);
  TField* FindField(const std::string& name);
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Fields(int index);

  // How the table is named in messages: ":ALIAS:NAME" or the table name itself.
  std::string DisplayName() const;

 private:
  friend class TField;
  struct Store;
  struct TextReader;

  void CheckInactive(const char* what) const;
  void CheckActive(const char* what) const;
  void CheckBrowse();
  [[noreturn]] void Fail(const std::string& message, bool missing = false) const;
  void ClearBuffers();
  void ReadLine();

  std::string databaseName_;
  std::string tableName_;
  TTableType tableType_ = TTableType::Default;
  std::vector<TFieldDef> fieldDefs_;

  bool active_ = false;
  bool appending_ = false;
  bool modified_ = false;
  bool eof_ = true;
  int64_t rowid_ = 0;  // the current record of a store table; 0 before the first
  std::vector<std::unique_ptr<TField>> fields_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<TextReader> text_;
};

// One field of the current record. Obtained from TTable::FieldByName; valid while the
// table stays open.
class TField {
 public:
  const std::string& FieldName() const { return def_.Name; }
  TFieldType DataType() const { return def_.DataType; }
  int Size() const { return def_.Size; }

  bool IsNull() const;
  // Empty fields read as "", 0 and date-time 0. Texts of a store table come back without
  // trailing blanks; a text table's "Field1" comes back exactly as the line stands.
  std::string AsString() const;
  double AsFloat() const;
  int32_t AsInteger() const;
  TDateTime AsDateTime() const;

  // Only while the table is appending a record. Texts are cut to a String field's size;
  // the empty text clears a field; a text that does not convert to the field's type raises.
  void SetAsString(const std::string& value);
  void SetAsInteger(int64_t value);
  void SetAsFloat(double value);
  void SetAsDateTime(TDateTime value);
  void Clear();

  // Made by the table when it opens.
  TField(TTable& table, TFieldDef def) : table_(table), def_(std::move(def)) {}
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

 private:
  friend class TTable;
  friend struct TTable::Store;
  // Bad: a value another tool stored that does not fit the field's type (kept as text);
  // reading it raises.
  enum class Kind { Null, Int, Real, Text, Bad };
  void CheckWritable() const;
  void CheckReadable() const;
  [[noreturn]] void Fail(const std::string& what) const;
  // The text value read by `parse`; an empty text is 0, one `parse` refuses fails as
  // not a valid `what`.
  template <class T>
  T ParsedText(bool (*parse)(const std::string&, T&), const char* what) const;

  TTable& table_;
  TFieldDef def_;
  Kind kind_ = Kind::Null;
  int64_t int_ = 0;
  double real_ = 0;
  std::string text_;
};

}  // namespace prenos
