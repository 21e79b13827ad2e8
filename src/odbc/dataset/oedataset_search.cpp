// Searching the query data set: Locate, Lookup, FindRecord and filtering, record
// counts and numbers, and moving to an absolute position.
#include <cmath>

#include "odbc/dataset/oedataset.h"

namespace prenos {
namespace {

using db::TDataSetState;
using db::TFieldType;
using db::TGetMode;
using db::TGetResult;

// Upper case of a Windows-1250 text (ASCII and the code page's accented letters).
std::string Upper1250(std::string s) {
  for (char& ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z')
      c = static_cast<unsigned char>(c - 32);
    else if (c == 0x9A || c == 0x9C || c == 0x9D || c == 0x9E || c == 0x9F)  // š ś ť ž ź
      c = static_cast<unsigned char>(c - 0x10);
    else if (c == 0xB3)  // ł
      c = 0xA3;
    else if (c == 0xB9)  // ą
      c = 0xA5;
    else if (c == 0xBA)  // ş
      c = 0xAA;
    else if (c == 0xBE)  // ľ
      c = 0xBC;
    else if (c == 0xBF)  // ż
      c = 0xAF;
    else if (c >= 0xE0 && c != 0xF7 && c != 0xFF)
      c = static_cast<unsigned char>(c - 0x20);
    ch = static_cast<char>(c);
  }
  return s;
}

// The key value of key field i: the single value, or the i-th element of an array.
db::TVariant KeyAt(const db::TVariant& keys, size_t i, size_t fieldCount) {
  if (keys.IsArray()) return i < keys.Elements().size() ? keys.Elements()[i] : db::TVariant();
  return fieldCount == 1 || i == 0 ? keys : db::TVariant();
}

}  // namespace

bool TCustomOEDataSet::KeyMatches(const db::TField& field, const db::TVariant& key,
                                  db::TLocateOptions options) const {
  if (key.IsNull() || (key.Kind() == db::TVariant::TKind::Text && key.AsString().empty()))
    return field.IsNull();
  switch (field.DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftMemo: {
      std::string text(TrimText(field.AsString())), k(TrimText(key.AsString()));
      if (options.CaseInsensitive) text = Upper1250(text), k = Upper1250(k);
      if (!options.PartialKey) return text == k;
      const size_t at = text.find(k);
      return LocateOption == TOELocateOption::loPrefix ? at == 0 : at != std::string::npos;
    }
    default: break;
  }
  // A NULL field only matches an empty key (above), never a value.
  if (field.IsNull()) return false;
  switch (field.DataType()) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftLargeint: return static_cast<int64_t>(key.AsInteger()) == field.AsLargeInt();
    case TFieldType::ftBoolean: return key.AsBoolean() == field.AsBoolean();
    case TFieldType::ftFloat: return key.AsFloat() == field.AsFloat();
    case TFieldType::ftCurrency:
      return std::llround(key.AsFloat() * 10000) == std::llround(field.AsFloat() * 10000);
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
      return db::DateTimeToStamp(key.AsDateTime()) == db::DateTimeToStamp(field.AsDateTime());
    default: return key.AsString() == field.AsString();
  }
}

bool TCustomOEDataSet::LocateRecord(const std::string& keyFields, const db::TVariant& keyValues,
                                    db::TLocateOptions options) {
  CheckBrowseMode();
  CursorPosChanged();
  const std::vector<db::TField*> fields = GetFieldList(keyFields);
  DisableControls();
  bool found = false;
  try {
    InternalFirst();
    while (!found && GetRecord(locateBuffer_.get(), TGetMode::gmNext) == TGetResult::grOK) {
      bool match = !fields.empty();
      for (size_t i = 0; i < fields.size() && match; ++i) {
        try {
          match = KeyMatches(*fields[i], KeyAt(keyValues, i, fields.size()), options);
        } catch (const Exception&) {
          match = false;  // a key that does not convert to the field's type matches nothing
        }
      }
      found = match;
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
  return found;
}

bool TCustomOEDataSet::Locate(const std::string& keyFields, const db::TVariant& keyValues,
                              db::TLocateOptions options) {
  CheckActive();
  if (IsEmpty()) return false;
  DoBeforeScroll();
  const TFieldSource saved = fieldSource_;
  fieldSource_ = TFieldSource::Locate;
  bool found = false;
  try {
    found = LocateRecord(keyFields, keyValues, options);
  } catch (...) {
    fieldSource_ = saved;
    throw;
  }
  fieldSource_ = saved;
  if (found) {
    // The cursor stands on the row found; with a bookmark it is fetched again by it.
    InternalGotoBookmark(locateBuffer_->Bookmark);
    ResyncOnCursorRow();
    DoAfterScroll();
  }
  return found;
}

db::TVariant TCustomOEDataSet::Lookup(const std::string& keyFields, const db::TVariant& keyValues,
                                      const std::string& resultFields) {
  CheckActive();
  if (IsEmpty()) return {};
  const TFieldSource saved = fieldSource_;
  fieldSource_ = TFieldSource::Locate;
  db::TVariant result;
  try {
    if (LocateRecord(keyFields, keyValues, {})) {
      // The row found, with its calculated fields, read from the locate buffer; the
      // data set's current record stays.
      GetCalcFields(*locateBuffer_);
      const std::vector<db::TField*> fields = GetFieldList(resultFields);
      if (fields.size() == 1) {
        result = fields[0]->AsVariant();
      } else {
        std::vector<db::TVariant> values;
        for (db::TField* f : fields) values.push_back(f->AsVariant());
        result = db::TVariant::Array(std::move(values));
      }
    }
  } catch (...) {
    fieldSource_ = saved;
    throw;
  }
  fieldSource_ = saved;
  return result;
}

bool TCustomOEDataSet::FindRecord(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  SetFound(false);
  UpdateCursorPos();
  CursorPosChanged();
  finding_ = true;
  TGetResult r = TGetResult::grError;
  try {
    if (restart) goForward ? InternalFirst() : InternalLast();
    r = GetRecord(filterBuffer_.get(), goForward ? TGetMode::gmNext : TGetMode::gmPrior);
  } catch (...) {
    finding_ = false;
    throw;
  }
  finding_ = false;
  if (r != TGetResult::grOK) return false;
  InternalGotoBookmark(filterBuffer_->Bookmark);
  ResyncOnCursorRow();
  SetFound(true);
  DoAfterScroll();
  return true;
}

void TCustomOEDataSet::SetFiltered(bool value) {
  if (value == Filtered()) return;
  db::TDataSet::SetFiltered(value);
  if (Active()) RefreshResults();
}

void TCustomOEDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
  db::TDataSet::SetOnFilterRecord(std::move(handler));
  if (Active()) RefreshResults();
}

int TCustomOEDataSet::RecordCount() {
  CheckActive();
  return static_cast<int>(stmt_->RowCount());
}

int32_t TCustomOEDataSet::DoRowCount(TComponent*) {
  if (!cached_) return -1;
  FillCache(-1);
  return static_cast<int32_t>(cache_.size());
}

int TCustomOEDataSet::RecNo() {
  if (!cached_ || !Active()) return db::TDataSet::RecNo();
  UpdateCursorPos();
  return cachePos_;
}

void TCustomOEDataSet::SetRecNo(int value) {
  if (cached_ && value != RecNo()) MoveAbsolute(value);
}

// Resyncs around the row the cursor stands on, read from the statement even when the
// driver gave it no bookmark.
void TCustomOEDataSet::ResyncOnCursorRow() {
  readCursorRow_ = true;
  try {
    Resync(db::rmExact | db::rmCenter);
  } catch (...) {
    readCursorRow_ = false;
    throw;
  }
  readCursorRow_ = false;
}

bool TCustomOEDataSet::MoveAbsolute(int32_t n) {
  CheckActive();
  if (IsEmpty()) return true;
  CheckBrowseMode();
  DoBeforeScroll();
  const bool found = FetchAbsolute(n);
  if (!found) n <= 0 ? FetchNext() : FetchPrev();
  ResyncOnCursorRow();
  DoAfterScroll();
  return found;
}

void TCustomOEDataSet::SetBlockReadSize(int value) {
  CheckActive();
  if (value < 0) Next();
}

}  // namespace prenos
