// The query data set's companions: the update target and its stored form, parameters,
// the master link, the update object and the blob stream.
#include "odbc/dataset/oecompanions.h"

#include "odbc/dataset/oedataset.h"
#include "odbc/hstmt.h"
#include "odbc/odbcconvert.h"

namespace prenos {
namespace {

std::string JoinNames(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += n + ";";
  return out;
}

// The names of a stored list: pieces before each ";" (one after the last is dropped).
std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  for (size_t semi; (semi = text.find(';', pos)) != std::string::npos; pos = semi + 1)
    if (semi > pos) out.push_back(text.substr(pos, semi - pos));
  return out;
}

}  // namespace

// --- TTarget ------------------------------------------------------------------------

std::vector<std::string> TTarget::Store() const {
  return {"OE5.05", TableName, JoinNames(KeyColumns), JoinNames(InsertColumns),
          JoinNames(UpdateColumns)};
}

void TTarget::Load(const std::vector<std::string>& texts) {
  auto text = [&](size_t i) { return i < texts.size() ? texts[i] : std::string(); };
  Clear();
  const std::string marker = text(0);
  TableName = text(1);
  KeyColumns = SplitNames(text(2));
  InsertColumns = SplitNames(text(3));
  UpdateColumns = marker < "OE5.03" ? InsertColumns : SplitNames(text(4));
}

void TTarget::Apply(THstmt& stmt, bool forInsert) const {
  stmt.SetTargetTable(TableName);
  for (const std::string& key : KeyColumns) stmt.SetColPrimary(stmt.ColByName(key), true);
  const std::vector<std::string>& columns = forInsert ? InsertColumns : UpdateColumns;
  if (columns.empty()) return;
  const std::vector<std::string> names = stmt.ColNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (IndexOfText(names[i], columns) < 0) stmt.SetColIgnore(static_cast<int>(i) + 1, true);
  stmt.ResetEditStatements();
}

// --- TOEParams ----------------------------------------------------------------------

TOEParam* TOEParams::FindParam(const std::string& name) {
  for (TOEParam& p : params_)
    if (SameText(p.Name, name)) return &p;
  return nullptr;
}

TOEParam& TOEParams::ParamByName(const std::string& name) {
  if (TOEParam* p = FindParam(name)) return *p;
  throw EQuarnel("Parameter '" + name + "' not found");
}

TOEParam& TOEParams::Add(std::string name) {
  params_.push_back(TOEParam{});
  params_.back().Name = std::move(name);
  return params_.back();
}

void TOEParams::ReleaseBuffers() {
  for (TOEParam& p : params_) {
    p.Bound.clear();
    p.Bound.shrink_to_fit();
  }
}

// --- TOEDataLink --------------------------------------------------------------------

void TOEDataLink::ActiveChanged() { detail_.RefreshParams(); }

void TOEDataLink::RecordChanged(db::TField* field) {
  if (!field) detail_.RefreshParams();
}

void TOEDataLink::CheckBrowseMode() {
  if (detail_.Active()) detail_.CheckBrowseMode();
}

// --- TOEUpdateObject ----------------------------------------------------------------

TOEUpdateObject::~TOEUpdateObject() {
  if (dataSet_) dataSet_->SetUpdateObject(nullptr);
}

// --- TOEBlobStream ------------------------------------------------------------------

TOEBlobStream::TOEBlobStream(TCustomOEDataSet& dataSet, db::TField& field,
                             db::TMemoryStream& stream, char* indicator, db::TBlobStreamMode mode)
    : dataSet_(dataSet), field_(field), stream_(stream), indicator_(indicator), mode_(mode) {
  if (mode_ == db::TBlobStreamMode::bmWrite) {
    stream_.Clear();
    *indicator_ = 0;
    Changed();
  } else {
    stream_.Seek(0, db::TSeekOrigin::soBeginning);
  }
}

size_t TOEBlobStream::Write(const void* buffer, size_t count) {
  if (mode_ == db::TBlobStreamMode::bmRead) throw EQuarnel("DataSet not in edit or insert mode.");
  const size_t n = stream_.Write(buffer, count);
  *indicator_ = 1;
  Changed();
  return n;
}

void TOEBlobStream::SetSize(int64_t size) {
  if (mode_ == db::TBlobStreamMode::bmRead) throw EQuarnel("DataSet not in edit or insert mode.");
  stream_.SetSize(size);
  *indicator_ = size > 0 ? 1 : *indicator_;
  Changed();
}

void TOEBlobStream::Changed() { dataSet_.BlobChanged(field_); }

}  // namespace prenos
