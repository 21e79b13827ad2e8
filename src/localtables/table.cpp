// The table object: settings, definitions, open and close, appending and moving.
#include "localtables/table.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

#include "localtables/store.h"
#include "localtables/text_reader.h"
#include "platform/codepage.h"
#include "platform/prefix.h"
#include "platform/text_case.h"

namespace fs = std::filesystem;

namespace prenos {
namespace {

// A table name that names a file itself rather than a table of the alias.
bool IsPath(const std::string& name) {
  return name.find_first_of("/\\") != std::string::npos ||
         (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':');
}

bool HasDbExtension(const fs::path& p) {
  std::string ext = p.extension().string();
  return SameText(ext, ".db");
}

// The entry of folder named name without regard to case; folder / name when none is.
fs::path MatchInFolder(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::exists(folder / name, ec)) return folder / name;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (SameText(it->path().filename().string(), name)) return it->path();
  return folder / name;
}

}  // namespace

TTable::TTable(TComponent* owner, std::string name) : TComponent(owner, std::move(name)) {
  Announce();
}

TTable::~TTable() {
  Withdraw();
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; what was posted is committed or rolled back whole.
  }
}

void TTable::SetDatabaseName(const std::string& alias) {
  CheckInactive("change the database name of");
  databaseName_ = alias;
}

void TTable::SetTableName(const std::string& name) {
  CheckInactive("change the table name of");
  tableName_ = name;
}

void TTable::SetTableType(TTableType type) {
  CheckInactive("change the table type of");
  tableType_ = type;
}

std::string TTable::DisplayName() const {
  return databaseName_.empty() || IsPath(tableName_) ? tableName_
                                                     : ":" + databaseName_ + ":" + tableName_;
}

fs::path TTable::FilePath() const {
  if (tableName_.empty()) Fail("no table name is set");
  std::string name = tableName_;
  // The extension is added before mapping so that an existing file matches in any case.
  if (tableType_ == TTableType::Default && !HasDbExtension(fs::path(Cp1250ToUtf8(name))))
    name += ".db";
  if (databaseName_.empty() || IsPath(tableName_)) return MapWindowsPath(name);
  return MatchInFolder(AliasDir(databaseName_), Cp1250ToUtf8(name));
}

void TTable::Fail(const std::string& message, bool missing) const {
  throw ELocalTable("Table '" + DisplayName() + "': " + message, missing);
}

void TTable::CheckInactive(const char* what) const {
  if (active_) Fail(std::string("cannot ") + what + " an open table");
}

void TTable::CheckActive(const char* what) const {
  if (!active_) Fail(std::string("cannot ") + what + " a closed table");
}

void TTable::ClearFieldDefs() {
  CheckInactive("change the field definitions of");
  fieldDefs_.clear();
}

void TTable::AddFieldDef(const std::string& name, TFieldType type, int size, bool required) {
  CheckInactive("change the field definitions of");
  if (name.empty()) Fail("a field needs a name");
  for (const TFieldDef& d : fieldDefs_)
    if (SameText(d.Name, name)) Fail("field '" + name + "' is defined twice");
  if (type == TFieldType::String && size < 1) Fail("string field '" + name + "' needs a size");
  fieldDefs_.push_back({name, type, size, required});
}

// Indexes are not kept: the tables are read in the order their records were appended.
void TTable::ClearIndexDefs() { CheckInactive("change the index definitions of"); }

void TTable::CreateTable() {
  CheckInactive("create");
  const fs::path file = FilePath();
  if (tableType_ == TTableType::Text) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) Fail("cannot create " + PathToText(file));
    return;
  }
  if (fieldDefs_.empty()) Fail("cannot create a table without fields");
  Store::Create(file, file.stem().string(), DisplayName(), fieldDefs_);
}

void TTable::Open() {
  if (active_) return;
  const fs::path file = FilePath();
  fields_.clear();
  if (tableType_ == TTableType::Text) {
    text_ = std::make_unique<TextReader>(file, DisplayName());
    fields_.push_back(
        std::make_unique<TField>(*this, TFieldDef{"Field1", TFieldType::String, 0, false}));
  } else {
    store_ = std::make_unique<Store>(file, file.stem().string(), DisplayName());
    for (const TFieldDef& d : store_->Columns())
      fields_.push_back(std::make_unique<TField>(*this, d));
  }
  active_ = true;
  try {
    First();
  } catch (...) {
    Close();
    throw;
  }
}

void TTable::Close() {
  if (!active_) return;
  appending_ = modified_ = false;
  active_ = false;
  eof_ = true;
  rowid_ = 0;
  fields_.clear();
  text_.reset();
  std::unique_ptr<Store> store = std::move(store_);
  if (store) store->Commit();
}

void TTable::ClearBuffers() {
  for (auto& f : fields_) {
    f->kind_ = TField::Kind::Null;
    f->text_.clear();
  }
}

void TTable::CheckBrowse() {
  if (!appending_) return;
  if (modified_)
    Post();
  else
    Cancel();
}

void TTable::Append() {
  CheckActive("append to");
  if (tableType_ == TTableType::Text) Fail("a text table is read-only");
  CheckBrowse();
  ClearBuffers();
  appending_ = true;
  modified_ = false;
}

void TTable::Post() {
  CheckActive("post to");
  if (!appending_) Fail("no record is being appended");
  for (const auto& f : fields_)
    if (f->def_.Required && f->IsNull()) Fail("field '" + f->FieldName() + "' must have a value");
  rowid_ = store_->Insert(fields_);
  appending_ = modified_ = false;
  eof_ = false;
}

void TTable::Cancel() {
  if (!active_ || !appending_) return;
  appending_ = modified_ = false;
  // Back to the record that was current before the append.
  ClearBuffers();
  int64_t found = 0;
  if (rowid_ > 0 && store_->FetchAfter(rowid_ - 1, found, fields_) && found != rowid_) {
    ClearBuffers();
    eof_ = true;
  }
}

void TTable::First() {
  CheckActive("move in");
  CheckBrowse();
  ClearBuffers();
  if (text_) {
    text_->Rewind();
    ReadLine();
    return;
  }
  int64_t found = 0;
  eof_ = !store_->FetchAfter(0, found, fields_);
  rowid_ = eof_ ? 0 : found;
}

void TTable::Next() {
  CheckActive("move in");
  CheckBrowse();
  if (eof_) return;
  if (text_) {
    ReadLine();
    return;
  }
  int64_t found = 0;
  if (store_->FetchAfter(rowid_, found, fields_))
    rowid_ = found;
  else
    eof_ = true;
}

void TTable::ReadLine() {
  std::string line;
  if (text_->ReadLine(line)) {
    fields_[0]->kind_ = TField::Kind::Text;
    fields_[0]->text_ = std::move(line);
    eof_ = false;
  } else {
    eof_ = true;
  }
}

int64_t TTable::RecordCount() {
  CheckActive("count the records of");
  return text_ ? text_->CountLines() : store_->Count();
}

TField* TTable::FindField(const std::string& name) {
  for (auto& f : fields_)
    if (SameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField& TTable::FieldByName(const std::string& name) {
  CheckActive("read the fields of");
  TField* f = FindField(name);
  if (!f) Fail("field '" + name + "' not found");
  return *f;
}

TField& TTable::Fields(int index) {
  CheckActive("read the fields of");
  if (index < 0 || index >= FieldCount())
    Fail("field index " + std::to_string(index) + " out of range");
  return *fields_[static_cast<size_t>(index)];
}

}  // namespace prenos
