// The query data set's life: creation and wiring to its statement, the properties with
// rules of their own, preparing, parameters, opening, closing and termination.
#include "odbc/dataset/oedataset.h"

#include <cstring>

#include "odbc/henv.h"
#include "odbc/odbcconvert.h"

namespace prenos {
namespace {

using db::TFieldType;

bool TokenName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '@') return false;
  return true;
}

TFieldType FieldTypeOfSQLType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR: return TFieldType::ftString;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE: return TFieldType::ftFloat;
    case SQL_INTEGER: return TFieldType::ftInteger;
    case SQL_SMALLINT:
    case SQL_TINYINT: return TFieldType::ftSmallint;
    case SQL_BIGINT: return TFieldType::ftLargeint;
    case SQL_BIT: return TFieldType::ftBoolean;
    case SQL_TYPE_DATE: return TFieldType::ftDate;
    case SQL_TYPE_TIME: return TFieldType::ftTime;
    case SQL_TYPE_TIMESTAMP: return TFieldType::ftDateTime;
    case SQL_BINARY:
    case SQL_VARBINARY: return TFieldType::ftBytes;
    case SQL_LONGVARCHAR: return TFieldType::ftMemo;
    case SQL_LONGVARBINARY: return TFieldType::ftBlob;
    default: return TFieldType::ftUnknown;
  }
}

// The buffer and SQL type a parameter is bound with, and its value's bytes.
struct TParamBinding {
  SQLSMALLINT cType = SQL_C_CHAR;
  SQLSMALLINT sqlType = SQL_VARCHAR;
  std::vector<char> bytes;
};

TParamBinding BindingOf(const TOEParam& p) {
  TParamBinding b;
  TFieldType type = p.DataType;
  if (type == TFieldType::ftUnknown) {
    switch (p.Value.Kind()) {
      case db::TVariant::TKind::Boolean: type = TFieldType::ftBoolean; break;
      case db::TVariant::TKind::Integer: type = TFieldType::ftLargeint; break;
      case db::TVariant::TKind::Float: type = TFieldType::ftFloat; break;
      case db::TVariant::TKind::DateTime: type = TFieldType::ftDateTime; break;
      default: type = TFieldType::ftString; break;
    }
  }
  auto put = [&](const void* v, size_t n) {
    b.bytes.assign(static_cast<const char*>(v), static_cast<const char*>(v) + n);
  };
  const bool null = p.Value.IsNull();
  switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftInteger: {
      b.cType = SQL_C_SLONG, b.sqlType = SQL_INTEGER;
      const int32_t v = null ? 0 : p.Value.AsInteger();
      put(&v, sizeof v);
      break;
    }
    case TFieldType::ftLargeint: {
      b.cType = SQL_C_SBIGINT, b.sqlType = SQL_BIGINT;
      const int64_t v = null ? 0 : p.Value.AsInt64();
      put(&v, sizeof v);
      break;
    }
    case TFieldType::ftBoolean: {
      b.cType = SQL_C_BIT, b.sqlType = SQL_BIT;
      const unsigned char v = !null && p.Value.AsBoolean();
      put(&v, 1);
      break;
    }
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: {
      b.cType = SQL_C_DOUBLE, b.sqlType = SQL_DOUBLE;
      const double v = null ? 0 : p.Value.AsFloat();
      put(&v, sizeof v);
      break;
    }
    case TFieldType::ftDate: {
      b.cType = SQL_C_TYPE_DATE, b.sqlType = SQL_TYPE_DATE;
      const SQL_DATE_STRUCT v =
          TimestampToDate(DateTimeToTimestamp(null ? 0 : p.Value.AsDateTime()));
      put(&v, sizeof v);
      break;
    }
    case TFieldType::ftTime: {
      b.cType = SQL_C_TYPE_TIME, b.sqlType = SQL_TYPE_TIME;
      const SQL_TIME_STRUCT v =
          TimestampToTime(DateTimeToTimestamp(null ? 0 : p.Value.AsDateTime()));
      put(&v, sizeof v);
      break;
    }
    case TFieldType::ftDateTime: {
      b.cType = SQL_C_TYPE_TIMESTAMP, b.sqlType = SQL_TYPE_TIMESTAMP;
      const SQL_TIMESTAMP_STRUCT v = DateTimeToTimestamp(null ? 0 : p.Value.AsDateTime());
      put(&v, sizeof v);
      break;
    }
    default: {
      const std::string s = null ? std::string() : p.Value.AsString();
      b.bytes.assign(s.begin(), s.end());
      b.bytes.push_back('\0');
      break;
    }
  }
  // Output parameters need room for what comes back.
  if (p.ParamType != TOEParamType::ptInput && b.cType == SQL_C_CHAR && b.bytes.size() < 256)
    b.bytes.resize(256, '\0');
  return b;
}

SQLSMALLINT ParamDirection(TOEParamType t) {
  switch (t) {
    case TOEParamType::ptOutput:
    case TOEParamType::ptResult: return SQL_PARAM_OUTPUT;
    case TOEParamType::ptInputOutput: return SQL_PARAM_INPUT_OUTPUT;
    default: return SQL_PARAM_INPUT;
  }
}

}  // namespace

// --- creation -----------------------------------------------------------------------

TCustomOEDataSet::TCustomOEDataSet(TComponent* owner, std::string name)
    : db::TDataSet(owner, std::move(name)),
      stmt_(CreateHstmt()),
      options_(*this),
      masterLink_(*this) {
  stmt_->OnInsert = [this](TComponent* s, const std::string& m) { return DoInsert(s, m); };
  stmt_->OnUpdate = [this](TComponent* s, const std::string& m) { return DoUpdate(s, m); };
  stmt_->OnDelete = [this](TComponent* s, const std::string& m) { return DoDelete(s, m); };
  stmt_->OnRefresh = [this](TComponent* s, const std::string& m) { return DoRefresh(s, m); };
  stmt_->OnRowCount = [this](TComponent* s) { return DoRowCount(s); };
  stmt_->OnTerminate = [this](TComponent*) { StatementTerminated(); };
  // A data set's statement starts scrollable (keyset driven); the rest are the
  // statement's own defaults.
  stmt_->SetCursorType(SQL_CURSOR_KEYSET_DRIVEN);
  if (owner)
    for (TComponent* c : owner->Components())
      if (auto* h = dynamic_cast<THdbc*>(c)) {
        SethDbc(h);
        break;
      }
}

TCustomOEDataSet::~TCustomOEDataSet() {
  try {
    Close();
  } catch (...) {
    // Closing while destroyed must not throw; the statement is freed below either way.
  }
  if (updateObject_) updateObject_->dataSet_ = nullptr;
  stmt_->OnTerminate = nullptr;
  stmt_->OnInsert = stmt_->OnUpdate = stmt_->OnDelete = stmt_->OnRefresh = nullptr;
  stmt_->OnRowCount = nullptr;
}

std::unique_ptr<THstmt> TCustomOEDataSet::CreateHstmt() { return std::make_unique<THstmt>(); }

void TCustomOEDataSet::Notification(TComponent* component, TOperation operation) {
  db::TDataSet::Notification(component, operation);
  if (operation == TOperation::opInsert && !stmt_->hDbc()) {
    if (auto* h = dynamic_cast<THdbc*>(component)) SethDbc(h);
  } else if (operation == TOperation::opRemove && component == stmt_->hDbc()) {
    SethDbc(nullptr);
  }
}

void TCustomOEDataSet::Loaded() { db::TDataSet::Loaded(); }

void TCustomOEDataSet::SethDbc(THdbc* value) {
  if (THdbc* old = stmt_->hDbc(); old && old != value) RemoveFreeNotification(old);
  stmt_->SethDbc(value);
  // The connection may live with another owner (the data module): be told when it goes.
  if (value) FreeNotification(value);
}

// --- termination --------------------------------------------------------------------

void TCustomOEDataSet::TerminateStatement() { stmt_->Terminate(); }

void TCustomOEDataSet::StatementTerminated() {
  prepared_ = false;
  paramsBound_ = false;
  if (terminating_ || !Active()) return;
  terminating_ = true;
  try {
    Close();
  } catch (...) {
    terminating_ = false;
    throw;
  }
  terminating_ = false;
}

// --- what runs ----------------------------------------------------------------------

void TCustomOEDataSet::AfterTextChange() {
  if (!Loading() && ParamCheck) paramsNeedRefresh_ = true;
  prepared_ = false;
  paramsBound_ = false;
  if (!Loading()) target_.Clear();
}

void TCustomOEDataSet::SetSQLText(const std::string& text) {
  TerminateStatement();
  sql_ = text;
  tableName_.clear();
  storedProcName_.clear();
  stmt_->SetSQL(text);
  AfterTextChange();
}

void TCustomOEDataSet::SetTableName(const std::string& name) {
  TerminateStatement();
  tableName_ = name;
  storedProcName_.clear();
  AfterTextChange();
}

void TCustomOEDataSet::SetStoredProcName(const std::string& name) {
  TerminateStatement();
  storedProcName_ = name;
  tableName_.clear();
  AfterTextChange();
}

// --- properties ---------------------------------------------------------------------

void TCustomOEDataSet::SetEditable(bool value) {
  TerminateStatement();
  editable_ = value;
  if (value && !Loading() && stmt_->ConcurrencyType() == SQL_CONCUR_READ_ONLY &&
      (!stmt_->SkipByPosition() || !stmt_->SkipByCursor()))
    stmt_->SetConcurrencyType(SQL_CONCUR_VALUES);
}

bool TCustomOEDataSet::RequestLive() const {
  return stmt_->ConcurrencyType() != SQL_CONCUR_READ_ONLY;
}

void TCustomOEDataSet::SetRequestLive(bool value) {
  if (!value)
    options_.SetConcurrencyType(SQL_CONCUR_READ_ONLY);
  else if (stmt_->ConcurrencyType() == SQL_CONCUR_READ_ONLY)
    options_.SetConcurrencyType(SQL_CONCUR_VALUES);
  SetEditable(value);
}

bool TCustomOEDataSet::UniDirectional() const {
  return stmt_->CursorType() == SQL_CURSOR_FORWARD_ONLY;
}

void TCustomOEDataSet::SetUniDirectional(bool value) {
  if (value) {
    options_.SetCursorType(SQL_CURSOR_FORWARD_ONLY);
  } else if (stmt_->CursorType() == SQL_CURSOR_FORWARD_ONLY) {
    const bool library = hDbc() && hDbc()->CursorLib() != SQL_CUR_USE_DRIVER;
    options_.SetCursorType(library ? SQL_CURSOR_STATIC : SQL_CURSOR_KEYSET_DRIVEN);
  }
}

TParamBindMode TCustomOEDataSet::ParamBindMode() const {
  return stmt_->BindByName() ? TParamBindMode::pbByName : TParamBindMode::pbByNumber;
}

void TCustomOEDataSet::SetParamBindMode(TParamBindMode value) {
  stmt_->SetBindByName(value == TParamBindMode::pbByName);
}

void TCustomOEDataSet::SetCached(bool value) {
  TerminateStatement();
  cached_ = value;
  if (value) {
    if (!Loading()) {
      stmt_->SetConcurrencyType(SQL_CONCUR_READ_ONLY);
      stmt_->SetCursorType(SQL_CURSOR_FORWARD_ONLY);
    }
    stmt_->SetSkipByPosition(true);
    stmt_->SetSkipByCursor(true);
  } else {
    if (!Loading()) {
      if (stmt_->ConcurrencyType() == SQL_CONCUR_READ_ONLY)
        stmt_->SetConcurrencyType(SQL_CONCUR_VALUES);
      if (stmt_->CursorType() == SQL_CURSOR_FORWARD_ONLY) {
        const bool library = hDbc() && hDbc()->CursorLib() != SQL_CUR_USE_DRIVER;
        stmt_->SetCursorType(library ? SQL_CURSOR_STATIC : SQL_CURSOR_KEYSET_DRIVEN);
      }
    }
    stmt_->SetRowSetSize(1);
    cachedUpdates_ = false;
  }
}

void TCustomOEDataSet::SetCachedUpdates(bool value) {
  TerminateStatement();
  cachedUpdates_ = value;
  if (value && !cached_) {
    SetCached(true);
    cachedUpdates_ = true;
  }
}

void TCustomOEDataSet::CheckCircular(db::TDataSource* source) const {
  if (source && (source->DataSet() == this || IsLinkedTo(source)))
    throw EQuarnel("Circular Reference to DataSource");
}

void TCustomOEDataSet::SetDataSource(db::TDataSource* source) {
  CheckCircular(source);
  masterLink_.SetDataSource(source);
}

void TCustomOEDataSet::SetUpdateObject(TOEUpdateObject* object) {
  if (object == updateObject_) return;
  if (updateObject_) updateObject_->dataSet_ = nullptr;
  if (object && object->dataSet_ && object->dataSet_ != this)
    object->dataSet_->SetUpdateObject(nullptr);
  updateObject_ = object;
  if (object) object->dataSet_ = this;
}

// --- preparing, parameters, executing -----------------------------------------------

void TCustomOEDataSet::Prepare() {
  if (prepared_ || Loading()) return;
  std::string text;
  if (!tableName_.empty()) {
    text = "SELECT * FROM " + QuoteIdentifier(tableName_);
  } else if (!storedProcName_.empty()) {
    CreateParams();
    text = "{";
    for (int i = 0; i < params_.Count(); ++i)
      if (params_[i].ParamType == TOEParamType::ptResult) {
        text += ":" + params_[i].Name + " = ";
        break;
      }
    text += "CALL " + storedProcName_ + "(";
    bool resultSeen = false;
    for (int i = 0; i < params_.Count(); ++i) {
      if (params_[i].ParamType == TOEParamType::ptResult && !resultSeen) {
        resultSeen = true;
        continue;
      }
      text += ":" + params_[i].Name + ", ";
    }
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, ", ") == 0)
      text.replace(text.size() - 2, 2, ")}");
    else if (!text.empty() && text.back() == '(')
      text.back() = '}';
  } else {
    if (sql_.empty()) throw EQuarnel("SQL-, Table- or StoredProc-Property must be set.");
    text = sql_;
  }
  if (text != stmt_->SQL()) stmt_->SetSQL(text);
  stmt_->Prepare();
  prepared_ = true;
  paramsBound_ = false;
}

void TCustomOEDataSet::CreateParams() {
  if (!paramsNeedRefresh_) return;
  paramsNeedRefresh_ = false;
  paramNames_.clear();
  if (!tableName_.empty()) {
    params_.Clear();
    return;
  }
  if (!storedProcName_.empty()) {
    // The procedure's parameters from the catalog, read on a statement of our own.
    params_.Clear();
    THstmt catalog;
    catalog.SethDbc(hDbc());
    std::string schema, name = storedProcName_;
    if (const size_t dot = name.rfind('.'); dot != std::string::npos)
      schema = name.substr(0, dot), name.erase(0, dot + 1);
    const SQLRETURN rc = SQLProcedureColumns(
        catalog.Handle(), nullptr, 0, schema.empty() ? nullptr : (SQLCHAR*)schema.c_str(),
        schema.empty() ? 0 : SQL_NTS, (SQLCHAR*)name.c_str(), SQL_NTS, nullptr, 0);
    if (!TODBCError::IsSuccess(rc)) GlobalEnv().Error.RaiseError(&catalog, rc);
    while (catalog.FetchNext()) {
      const int kind = catalog.ColInteger(5);
      if (kind == SQL_RESULT_COL) continue;
      std::string pname = catalog.ColString(4);
      if (!pname.empty() && pname[0] == '@') pname.erase(0, 1);
      if (!TokenName(pname)) pname = "Param" + std::to_string(params_.Count() + 1);
      TOEParam& p = params_.Add(pname);
      p.DataType = FieldTypeOfSQLType(static_cast<SQLSMALLINT>(catalog.ColInteger(6)));
      p.ParamType = kind == SQL_PARAM_OUTPUT         ? TOEParamType::ptOutput
                    : kind == SQL_PARAM_INPUT_OUTPUT ? TOEParamType::ptInputOutput
                    : kind == SQL_RETURN_VALUE       ? TOEParamType::ptResult
                                                     : TOEParamType::ptInput;
    }
    return;
  }
  // A text without a colon has no tokens.
  if (stmt_->SQL().find(':') == std::string::npos) {
    params_.Clear();
    return;
  }
  paramNames_ = stmt_->ParamNames();
  TOEParams fresh;
  for (size_t i = 0; i < paramNames_.size(); ++i) {
    const std::string& n = paramNames_[i];
    if (fresh.FindParam(n)) continue;
    TOEParam& p = fresh.Add(n);
    if (TOEParam* old = params_.FindParam(n)) p.Value = old->Value, p.ParamType = old->ParamType;
    try {
      SQLSMALLINT sqlType = 0;
      stmt_->DescribeParam(static_cast<int>(i) + 1, sqlType, false);
      p.DataType = FieldTypeOfSQLType(sqlType);
    } catch (const EQuarnel&) {
      p.DataType = TFieldType::ftUnknown;  // bound by its value's kind
    }
  }
  params_ = std::move(fresh);
}

void TCustomOEDataSet::BindParams() {
  if (!paramsBound_) {
    Prepare();
    CreateParams();
  }
  CopyParamsIn();
  paramsBound_ = true;
}

void TCustomOEDataSet::CopyParamsIn() {
  if (params_.Count() == 0) return;
  std::vector<std::string> positions = paramNames_;
  if (!storedProcName_.empty() && positions.empty())
    for (int i = 0; i < params_.Count(); ++i) positions.push_back(params_[i].Name);
  // New bytes first (a parameter may stand at several positions), then the bindings.
  std::vector<bool> moved(static_cast<size_t>(params_.Count()), false);
  for (int i = 0; i < params_.Count(); ++i) {
    TOEParam& p = params_[i];
    TParamBinding b = BindingOf(p);
    if (p.Bound.size() < b.bytes.size() || p.BufferType != b.cType) {
      p.Bound.assign(std::max<size_t>(b.bytes.size(), 16), '\0');
      p.BufferType = b.cType;
      moved[static_cast<size_t>(i)] = true;
    }
    std::memcpy(p.Bound.data(), b.bytes.data(), b.bytes.size());
  }
  for (size_t pos = 0; pos < positions.size(); ++pos) {
    TOEParam* p = params_.FindParam(positions[pos]);
    if (!p) continue;
    const int index = static_cast<int>(p - &params_[0]);
    const int number = static_cast<int>(pos) + 1;
    if (!paramsBound_ || moved[static_cast<size_t>(index)]) {
      stmt_->SetParamType(ParamDirection(p->ParamType));
      stmt_->BindParam(number, p->BufferType, BindingOf(*p).sqlType, p->Bound.data());
    }
    stmt_->SetParamSize(number, p->Value.IsNull() && p->ParamType == TOEParamType::ptInput
                                    ? SQL_NULL_DATA
                                : p->BufferType == SQL_C_CHAR ? SQL_NTS
                                                              : 0);
  }
}

void TCustomOEDataSet::CopyParamsOut() {
  std::vector<std::string> positions = paramNames_;
  if (!storedProcName_.empty() && positions.empty())
    for (int i = 0; i < params_.Count(); ++i) positions.push_back(params_[i].Name);
  for (size_t pos = 0; pos < positions.size(); ++pos) {
    TOEParam* p = params_.FindParam(positions[pos]);
    if (!p || p->ParamType == TOEParamType::ptInput || p->Bound.empty()) continue;
    if (stmt_->GetParamSize(static_cast<int>(pos) + 1) == SQL_NULL_DATA) {
      p->Value = db::TVariant();
      continue;
    }
    const void* v = p->Bound.data();
    switch (p->BufferType) {
      case SQL_C_CHAR: p->Value = std::string(p->Bound.data()); break;
      case SQL_C_DOUBLE: p->Value = BufferToDouble(v, SQL_C_DOUBLE); break;
      case SQL_C_TYPE_TIMESTAMP:
        p->Value = db::TVariant::FromDateTime(
            TimestampToDateTime(*static_cast<const SQL_TIMESTAMP_STRUCT*>(v)));
        break;
      case SQL_C_TYPE_DATE:
        p->Value = db::TVariant::FromDateTime(
            TimestampToDateTime(DateToTimestamp(*static_cast<const SQL_DATE_STRUCT*>(v))));
        break;
      case SQL_C_TYPE_TIME:
        p->Value = db::TVariant::FromDateTime(
            TimestampToDateTime(TimeToTimestamp(*static_cast<const SQL_TIME_STRUCT*>(v))));
        break;
      case SQL_C_BIT: p->Value = *static_cast<const unsigned char*>(v) != 0; break;
      default: p->Value = BufferToInt64(v, p->BufferType); break;
    }
  }
}

void TCustomOEDataSet::ExecSQL() {
  BindParams();
  stmt_->Execute();
  CopyParamsOut();
}

void TCustomOEDataSet::SetParamsFromCursor() {
  db::TDataSource* source = masterLink_.DataSource();
  db::TDataSet* master = source ? source->DataSet() : nullptr;
  if (!master || !master->Active()) return;
  for (int i = 0; i < params_.Count(); ++i)
    if (db::TField* f = master->FindField(params_[i].Name)) params_[i].Value = f->AsVariant();
}

void TCustomOEDataSet::RefreshResults() {
  DisableControls();
  try {
    Close();
    Open();
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TCustomOEDataSet::RefreshParams() {
  db::TDataSource* source = masterLink_.DataSource();
  db::TDataSet* master = source ? source->DataSet() : nullptr;
  if (master && master->Active() && master->State() != db::TDataSetState::dsSetKey)
    RefreshResults();
}

// --- opening and closing ------------------------------------------------------------

void TCustomOEDataSet::InternalInitFieldDefs() {
  ExecSQL();
  FieldDefs().Clear();
  const int n = stmt_->NumCols();
  if (n <= 0) return;
  const std::vector<std::string> names = stmt_->ColNames();
  for (int col = 1; col <= n; ++col) {
    const SQLSMALLINT sqlType = stmt_->ColSQLType(col);
    const SQLSMALLINT cType = stmt_->ColCType(col);
    TFieldType type = FieldTypeOfSQLType(sqlType);
    if (sqlType == SQL_SMALLINT)
      type = cType == SQL_C_SSHORT ? TFieldType::ftSmallint : TFieldType::ftWord;
    if (sqlType == SQL_TINYINT)
      type = cType == SQL_C_STINYINT ? TFieldType::ftSmallint : TFieldType::ftWord;
    const bool sized = type == TFieldType::ftString || type == TFieldType::ftBytes;
    FieldDefs().Add(names.at(static_cast<size_t>(col - 1)), type,
                    sized ? static_cast<int>(stmt_->ColPrecision(col)) : 0, stmt_->ColScale(col));
  }
}

void TCustomOEDataSet::ComputeLayout() {
  slots_.clear();
  streamCount_ = 0;
  int offset = 0;
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    const db::TFieldDef& def = FieldDefs()[i];
    TSlot s;
    s.Offset = offset;
    s.Type = def.DataType;
    if (stmt_->ColIsBlob(i + 1)) {
      s.Long = true;
      s.DataSize = 4;
      s.Stream = static_cast<int>(streamCount_++);
    } else {
      switch (def.DataType) {
        case TFieldType::ftString: s.DataSize = def.Size + 1; break;
        case TFieldType::ftSmallint:
        case TFieldType::ftWord:
        case TFieldType::ftBoolean: s.DataSize = 2; break;
        case TFieldType::ftInteger: s.DataSize = 4; break;
        case TFieldType::ftFloat:
        case TFieldType::ftCurrency:
        case TFieldType::ftDate:
        case TFieldType::ftTime:
        case TFieldType::ftDateTime:
        case TFieldType::ftLargeint: s.DataSize = 8; break;
        case TFieldType::ftBytes: s.DataSize = def.Size; break;
        case TFieldType::ftBlob:
        case TFieldType::ftMemo: s.DataSize = 256; break;
        default: s.DataSize = 0; break;
      }
    }
    offset += s.DataSize + 1;
    slots_.push_back(s);
  }
  recInfoOffset_ = offset;
  calcOffset_ = offset + static_cast<int>(sizeof(TRecInfo));
  recordSize_ = calcOffset_ + CalcFieldsSize();
}

void TCustomOEDataSet::InternalOpen() {
  // A detail's parameters must exist before the master's values are copied into them,
  // or its first open would run with them unset.
  if (masterLink_.DataSource()) {
    Prepare();
    CreateParams();
  }
  SetParamsFromCursor();
  InternalInitFieldDefs();
  cacheComplete_ = false;
  pendingInserts_ = 0;
  cachePos_ = 0;
  bookmarkCounter_ = 0;
  cursorOpen_ = true;
  CreateAndBindFields();
  ComputeLayout();
  // Without bookmarks from the driver (SQLite's has none) a scrollable cursor's rows are
  // known by their row numbers, so the ring can still put the cursor back on a row.
  rowBookmarks_ = !cached_ && stmt_->CursorType() != SQL_CURSOR_FORWARD_ONLY &&
                  !(stmt_->CursorAttributes() & SQL_CA1_BOOKMARK);
  rowNo_ = 0;
  fromEnd_ = false;
  rowKnown_ = true;
  SetBookmarkSize(cached_ || rowBookmarks_ ? 4 : static_cast<int>(stmt_->BookmarkLength()));
  filterBuffer_ = NewRecord();
  oldBuffer_ = NewRecord();
  locateBuffer_ = NewRecord();
  changed_.clear();
  cache_.clear();
  deleted_.clear();
}

void TCustomOEDataSet::InternalClose() {
  filterBuffer_.reset();
  oldBuffer_.reset();
  locateBuffer_.reset();
  changed_.clear();
  cache_.clear();
  deleted_.clear();
  // Terminating closes the statement itself; otherwise it stays prepared and bound.
  if (!terminating_) stmt_->CloseCursor();
  params_.ReleaseBuffers();
  cursorOpen_ = false;
  DestroyDefaultFields();
}

void TCustomOEDataSet::InternalHandleException(std::exception_ptr e) {
  db::TDataSet::InternalHandleException(e);
}

// --- TDataSetHstmt --------------------------------------------------------------------

SQLUINTEGER TDataSetHstmt::ConcurrencyType() const { return ds_.stmt_->ConcurrencyType(); }
void TDataSetHstmt::SetConcurrencyType(SQLUINTEGER value) {
  ds_.TerminateStatement();
  ds_.stmt_->SetConcurrencyType(value);
}
SQLUINTEGER TDataSetHstmt::CursorType() const { return ds_.stmt_->CursorType(); }
void TDataSetHstmt::SetCursorType(SQLUINTEGER value) {
  ds_.TerminateStatement();
  ds_.stmt_->SetCursorType(value);
}
SQLUINTEGER TDataSetHstmt::RowSetSize() const { return ds_.stmt_->RowSetSize(); }
void TDataSetHstmt::SetRowSetSize(SQLUINTEGER value) {
  ds_.TerminateStatement();
  ds_.stmt_->SetRowSetSize(value);
  if (value > 1 && !ds_.cached_) {
    ds_.SetCached(true);
    ds_.stmt_->SetRowSetSize(value);  // turning Cached on keeps the rowset asked for
  }
}
bool TDataSetHstmt::BindBookmarks() const { return ds_.stmt_->BindBookmarks(); }
void TDataSetHstmt::SetBindBookmarks(bool value) {
  ds_.TerminateStatement();
  ds_.stmt_->SetBindBookmarks(value);
}
bool TDataSetHstmt::SkipByPosition() const { return ds_.stmt_->SkipByPosition(); }
void TDataSetHstmt::SetSkipByPosition(bool value) {
  ds_.stmt_->SetSkipByPosition(value);
  if (!ds_.stmt_->SkipByPosition() && ds_.cached_) ds_.SetCached(false);
}
bool TDataSetHstmt::SkipByCursor() const { return ds_.stmt_->SkipByCursor(); }
void TDataSetHstmt::SetSkipByCursor(bool value) {
  ds_.stmt_->SetSkipByCursor(value);
  if (!ds_.stmt_->SkipByCursor() && ds_.cached_) ds_.SetCached(false);
}
SQLINTEGER TDataSetHstmt::BlobSize() const { return ds_.stmt_->BlobSize(); }
void TDataSetHstmt::SetBlobSize(SQLINTEGER value) { ds_.stmt_->SetBlobSize(value); }
bool TDataSetHstmt::BlobDeferral() const { return ds_.stmt_->BlobDeferral(); }
void TDataSetHstmt::SetBlobDeferral(bool value) { ds_.stmt_->SetBlobDeferral(value); }
TBlobPlacement TDataSetHstmt::BlobPlacement() const { return ds_.stmt_->BlobPlacement(); }
void TDataSetHstmt::SetBlobPlacement(TBlobPlacement value) { ds_.stmt_->SetBlobPlacement(value); }
bool TDataSetHstmt::ExecAsync() const { return ds_.stmt_->ExecAsync(); }
void TDataSetHstmt::SetExecAsync(bool value) { ds_.stmt_->SetExecAsync(value); }
TEmptyToNull TDataSetHstmt::EmptyStringToNull() const { return ds_.stmt_->EmptyStringToNull(); }
void TDataSetHstmt::SetEmptyStringToNull(TEmptyToNull value) {
  ds_.stmt_->SetEmptyStringToNull(value);
}
TStringTrimming TDataSetHstmt::StringTrimming() const { return ds_.stmt_->StringTrimming(); }
void TDataSetHstmt::SetStringTrimming(TStringTrimming value) {
  ds_.stmt_->SetStringTrimming(value);
}
bool TDataSetHstmt::BindByName() const { return ds_.stmt_->BindByName(); }
void TDataSetHstmt::SetBindByName(bool value) { ds_.stmt_->SetBindByName(value); }
TRowCountMethod TDataSetHstmt::RowCountMethod() const { return ds_.stmt_->RowCountMethod(); }
void TDataSetHstmt::SetRowCountMethod(TRowCountMethod value) {
  ds_.stmt_->SetRowCountMethod(value);
}
TNoRowsAffected TDataSetHstmt::NoRowsAffected() const { return ds_.stmt_->NoRowsAffected(); }
void TDataSetHstmt::SetNoRowsAffected(TNoRowsAffected value) {
  ds_.stmt_->SetNoRowsAffected(value);
}
TTarget& TDataSetHstmt::Target() { return ds_.target_; }
std::vector<std::string> TDataSetHstmt::TargetTexts() const { return ds_.target_.Store(); }
void TDataSetHstmt::SetTargetTexts(const std::vector<std::string>& texts) {
  ds_.target_.Load(texts);
}

}  // namespace prenos
