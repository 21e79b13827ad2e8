// Reading rows of the query data set: the record layout, the fetch steps of the
// statement or the record cache, GetRecord and the field values of a record.
#include <cmath>
#include <cstring>

#include "odbc/dataset/oedataset.h"
#include "odbc/odbcconvert.h"

namespace prenos {
namespace {

using db::TBookmarkFlag;
using db::TDataSetState;
using db::TFieldType;
using db::TGetMode;
using db::TGetResult;

template <typename T>
void Put(char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

db::TBookmark SequenceBookmark(int32_t seq) {
  db::TBookmark bm(4, '\0');
  std::memcpy(bm.data(), &seq, 4);
  return bm;
}

// The indicator byte of a slot for a cell of this size: NULL and ignored cells hold no value.
char Present(SQLLEN size) { return size == SQL_NULL_DATA || size == SQL_COLUMN_IGNORE ? 0 : 1; }

int32_t SequenceOf(const db::TBookmark& bm) {
  int32_t seq = 0;
  if (bm.size() >= 4) std::memcpy(&seq, bm.data(), 4);
  return seq;
}

}  // namespace

// --- records ------------------------------------------------------------------------

TCustomOEDataSet::TOERecord::TOERecord(size_t size, size_t streams) : db::TRecordBuffer(size) {
  for (size_t i = 0; i < streams; ++i) Streams.push_back(std::make_unique<db::TMemoryStream>());
}

void TCustomOEDataSet::TOERecord::CopyFrom(const TOERecord& other) {
  std::memcpy(Data(), other.Data(), std::min(Size(), other.Size()));
  for (size_t i = 0; i < Streams.size() && i < other.Streams.size(); ++i)
    Streams[i]->Assign(other.Streams[i]->Bytes());
  Bookmark = other.Bookmark;
}

std::unique_ptr<TCustomOEDataSet::TOERecord> TCustomOEDataSet::NewRecord() {
  auto r = std::make_unique<TOERecord>(static_cast<size_t>(recordSize_), streamCount_);
  InternalInitRecord(*r);
  return r;
}

db::TRecordBufferPtr TCustomOEDataSet::AllocRecordBuffer() {
  auto r = NewRecord();
  GetRecInfo(*r).BookmarkFlag = static_cast<uint8_t>(TBookmarkFlag::bfBOF);
  return r;
}

void TCustomOEDataSet::InternalInitRecord(db::TRecordBuffer& buffer) {
  TOERecord& r = Rec(buffer);
  std::memset(r.Data(), 0, r.Size());
  for (auto& s : r.Streams) s->Clear();
  for (const TSlot& s : slots_)
    if (s.Long) Put<int32_t>(r.Data() + s.Offset, s.Stream);
  r.Bookmark.clear();
  GetRecInfo(r).CachePos = -1;
}

void TCustomOEDataSet::ClearCalcFields(db::TRecordBuffer& buffer) {
  if (buffer.Size() > static_cast<size_t>(calcOffset_))
    std::memset(buffer.Data() + calcOffset_, 0, buffer.Size() - static_cast<size_t>(calcOffset_));
}

TCustomOEDataSet::TRecInfo& TCustomOEDataSet::GetRecInfo(db::TRecordBuffer& buffer) {
  return *reinterpret_cast<TRecInfo*>(buffer.Data() + recInfoOffset_);
}

const TCustomOEDataSet::TRecInfo& TCustomOEDataSet::GetRecInfo(
    const db::TRecordBuffer& buffer) const {
  return *reinterpret_cast<const TRecInfo*>(buffer.Data() + recInfoOffset_);
}

db::TBookmark TCustomOEDataSet::GetBookmarkData(const db::TRecordBuffer& buffer) {
  return static_cast<const TOERecord&>(buffer).Bookmark;
}

void TCustomOEDataSet::SetBookmarkData(db::TRecordBuffer& buffer, const db::TBookmark& bookmark) {
  Rec(buffer).Bookmark = bookmark;
}

db::TBookmarkFlag TCustomOEDataSet::GetBookmarkFlag(const db::TRecordBuffer& buffer) {
  return static_cast<TBookmarkFlag>(GetRecInfo(buffer).BookmarkFlag);
}

void TCustomOEDataSet::SetBookmarkFlag(db::TRecordBuffer& buffer, db::TBookmarkFlag flag) {
  GetRecInfo(buffer).BookmarkFlag = static_cast<uint8_t>(flag);
}

int TCustomOEDataSet::CompareBookmarks(const db::TBookmark& a, const db::TBookmark& b) {
  return db::TDataSet::CompareBookmarks(a, b);
}

// --- one cell into a record ---------------------------------------------------------

std::string_view TCustomOEDataSet::TrimText(std::string_view text) const {
  return TrimView(text, stmt_->StringTrimming());
}

void TCustomOEDataSet::ToField(int col, int row, int& offset, TOERecord& buffer) {
  const TSlot& s = slots_.at(static_cast<size_t>(col - 1));
  char* p = buffer.Data() + offset;
  offset += s.DataSize + 1;
  char& indicator = p[s.DataSize];
  if (s.Long) {
    db::TMemoryStream& stream = *buffer.Streams.at(static_cast<size_t>(s.Stream));
    if (stmt_->BlobDeferral()) {
      stream.Clear();
    } else {
      const TBlobStream* value =
          stmt_->RowSetSize() > 1 ? stmt_->ColStream(col, row) : stmt_->ColStream(col);
      stream.Assign(value ? *value : TBlobStream());
    }
    indicator = Present(stmt_->ColSize(col, row));
    return;
  }
  switch (s.Type) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
    case TFieldType::ftBlob: {
      // A character cell is read in place; other buffer types convert through ColString.
      std::string converted;
      std::string_view text;
      if (!stmt_->ColChars(col, row, text)) text = converted = stmt_->ColString(col, row);
      text = TrimText(text);
      const size_t n = std::min(text.size(), static_cast<size_t>(s.DataSize - 1));
      if (n > 0) std::memcpy(p, text.data(), n);  // an empty view may have no data at all
      p[n] = '\0';
      break;
    }
    case TFieldType::ftSmallint: Put<int16_t>(p, stmt_->ColSmallint(col, row)); break;
    case TFieldType::ftInteger: Put<int32_t>(p, stmt_->ColInteger(col, row)); break;
    case TFieldType::ftWord: Put<uint16_t>(p, stmt_->ColWord(col, row)); break;
    case TFieldType::ftBoolean: Put<uint16_t>(p, stmt_->ColWord(col, row) != 0); break;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: Put<double>(p, stmt_->ColDouble(col, row)); break;
    case TFieldType::ftDate:
      Put<int32_t>(p, db::DateTimeToDays(TimestampToDateTime(stmt_->ColTimestamp(col, row))));
      break;
    case TFieldType::ftTime:
      Put<int32_t>(p, db::DateTimeToMSecs(TimestampToDateTime(stmt_->ColTimestamp(col, row))));
      break;
    case TFieldType::ftDateTime:
      Put<double>(p, db::DateTimeToStamp(TimestampToDateTime(stmt_->ColTimestamp(col, row))));
      break;
    case TFieldType::ftBytes: {
      std::memset(p, 0, static_cast<size_t>(s.DataSize));
      const SQLLEN size = stmt_->ColSize(col, row);
      if (const void* v = stmt_->ColValuePtr(col, row); v && size > 0)
        std::memcpy(p, v,
                    std::min<size_t>(static_cast<size_t>(size), static_cast<size_t>(s.DataSize)));
      break;
    }
    case TFieldType::ftLargeint: Put<int64_t>(p, stmt_->ColInt64(col, row)); break;
    default: break;
  }
  indicator = Present(stmt_->ColSize(col, row));
}

// --- fetch steps --------------------------------------------------------------------

bool TCustomOEDataSet::Track(bool got, int16_t direction, int32_t n) {
  if (!rowBookmarks_) return got;
  switch (direction) {
    case SQL_FETCH_FIRST: rowNo_ = got ? 1 : 0, fromEnd_ = false, rowKnown_ = true; break;
    case SQL_FETCH_LAST: rowNo_ = got ? -1 : 0, fromEnd_ = got, rowKnown_ = true; break;
    case SQL_FETCH_NEXT:
      if (got || !fromEnd_)
        ++rowNo_;
      else
        rowNo_ = 0;  // past the end, counted from the end
      break;
    case SQL_FETCH_PRIOR:
      if (got)
        --rowNo_;
      else
        rowNo_ = 0, fromEnd_ = false;  // before the start
      break;
    case SQL_FETCH_ABSOLUTE:
      // A row outside the result leaves the cursor where no number is known.
      rowNo_ = n, fromEnd_ = n < 0, rowKnown_ = got;
      break;
    default: break;
  }
  return got;
}

bool TCustomOEDataSet::FetchFirst() {
  return cached_ ? FetchCache(SQL_FETCH_FIRST, 0) : Track(stmt_->FetchFirst(), SQL_FETCH_FIRST, 0);
}
bool TCustomOEDataSet::FetchNext() {
  return cached_ ? FetchCache(SQL_FETCH_NEXT, 0) : Track(stmt_->FetchNext(), SQL_FETCH_NEXT, 0);
}
bool TCustomOEDataSet::FetchLast() {
  return cached_ ? FetchCache(SQL_FETCH_LAST, 0) : Track(stmt_->FetchLast(), SQL_FETCH_LAST, 0);
}
bool TCustomOEDataSet::FetchPrev() {
  return cached_ ? FetchCache(SQL_FETCH_PRIOR, 0) : Track(stmt_->FetchPrev(), SQL_FETCH_PRIOR, 0);
}
bool TCustomOEDataSet::FetchAbsolute(int32_t n) {
  return cached_ ? FetchCache(SQL_FETCH_ABSOLUTE, n)
                 : Track(stmt_->FetchAbsolute(n), SQL_FETCH_ABSOLUTE, n);
}
bool TCustomOEDataSet::FetchBookmark(const db::TBookmark& bookmark) {
  if (cached_) return FetchCache(SQL_FETCH_BOOKMARK, SequenceOf(bookmark));
  if (rowBookmarks_) return FetchAbsolute(SequenceOf(bookmark));
  return stmt_->FetchBookmark(std::vector<unsigned char>(bookmark.begin(), bookmark.end()));
}

void TCustomOEDataSet::FillCache(int32_t n) {
  if (cacheComplete_) return;
  while (n < 0 || static_cast<int32_t>(cache_.size()) < n) {
    if (!stmt_->FetchNext()) {
      cacheComplete_ = true;
      return;
    }
    const int rows = std::max<int>(static_cast<int>(stmt_->NumRowsFetched()), 1);
    for (int row = 1; row <= rows; ++row) {
      auto r = NewRecord();
      r->Bookmark = SequenceBookmark(++bookmarkCounter_);
      GetRecInfo(*r).BookmarkFlag = static_cast<uint8_t>(TBookmarkFlag::bfInserted);
      int offset = 0;
      for (int col = 1; col <= static_cast<int>(slots_.size()); ++col)
        ToField(col, row, offset, *r);
      cache_.push_back(std::move(r));
    }
  }
}

void TCustomOEDataSet::GoToCache(int32_t n) {
  if (n < 0) {
    FillCache(-1);
    const int32_t count = static_cast<int32_t>(cache_.size());
    cachePos_ = count + n + 1 >= 1 ? count + n + 1 : 0;
  } else if (n > static_cast<int32_t>(cache_.size())) {
    FillCache(n);
    const int32_t count = static_cast<int32_t>(cache_.size());
    cachePos_ = n > count ? count + 1 : n;
  } else {
    cachePos_ = n;
  }
}

bool TCustomOEDataSet::FetchCache(int16_t direction, int32_t n) {
  switch (direction) {
    case SQL_FETCH_NEXT: GoToCache(cachePos_ + 1); break;
    case SQL_FETCH_FIRST: GoToCache(1); break;
    case SQL_FETCH_LAST: GoToCache(-1); break;
    case SQL_FETCH_PRIOR:
      if (cachePos_ > 0) GoToCache(cachePos_ - 1);
      break;
    case SQL_FETCH_ABSOLUTE: GoToCache(n); break;
    case SQL_FETCH_RELATIVE: GoToCache(cachePos_ + n); break;
    case SQL_FETCH_BOOKMARK: {
      size_t i = 0;
      while (i < cache_.size() && SequenceOf(cache_[i]->Bookmark) != n) ++i;
      if (i == cache_.size()) throw EQuarnel("Bookmark not found in cache.");
      cachePos_ = static_cast<int32_t>(i) + 1;
      break;
    }
    default: break;
  }
  return cachePos_ >= 1 && cachePos_ <= static_cast<int32_t>(cache_.size());
}

TCustomOEDataSet::TOERecord& TCustomOEDataSet::CachedRecord() {
  if (cachePos_ < 1 || cachePos_ > static_cast<int32_t>(cache_.size()))
    throw EQuarnel("Current record not found in cache.");
  return *cache_[static_cast<size_t>(cachePos_ - 1)];
}

void TCustomOEDataSet::FetchAll() {
  if (cacheComplete_) return;
  CheckBrowseMode();
  FetchLast();
  CursorPosChanged();
}

void TCustomOEDataSet::InternalFirst() {
  FetchFirst();
  FetchPrev();
}

void TCustomOEDataSet::InternalLast() {
  FetchLast();
  FetchNext();
}

void TCustomOEDataSet::InternalGotoBookmark(const db::TBookmark& bookmark) {
  if (!bookmark.empty()) FetchBookmark(bookmark);
}

void TCustomOEDataSet::InternalSetToRecord(db::TRecordBuffer& buffer) {
  InternalGotoBookmark(Rec(buffer).Bookmark);
}

// --- GetRecord ----------------------------------------------------------------------

const db::TBookmark& TCustomOEDataSet::RowBookmark() {
  rowBookmark_.clear();
  if (cached_) {
    if (cachePos_ < 1 || cachePos_ > static_cast<int32_t>(cache_.size())) return rowBookmark_;
    return cache_[static_cast<size_t>(cachePos_ - 1)]->Bookmark;
  }
  if (rowBookmarks_) {
    if (rowKnown_ && rowNo_ != 0) rowBookmark_ = SequenceBookmark(rowNo_);
    return rowBookmark_;
  }
  const auto bm = stmt_->CurrentBookmark();
  rowBookmark_.assign(bm.begin(), bm.end());
  return rowBookmark_;
}

bool TCustomOEDataSet::IsDeleted(const db::TBookmark& bookmark) const {
  if (bookmark.empty()) return false;
  for (const db::TBookmark& d : deleted_)
    if (d == bookmark) return true;
  return false;
}

TCustomOEDataSet::TOERecord* TCustomOEDataSet::FindChanged(const db::TBookmark& bookmark) {
  if (bookmark.empty()) return nullptr;
  for (auto& r : changed_)
    if (r->Bookmark == bookmark) return r.get();
  return nullptr;
}

bool TCustomOEDataSet::Hidden(const db::TBookmark& bookmark) {
  return !cached_ && (!stmt_->RowValid(1) || IsDeleted(bookmark));
}

bool TCustomOEDataSet::Accept(const db::TBookmark& bookmark) {
  if ((!Filtered() && !finding_) || !OnFilterRecord()) return true;
  ReadRow(*filterBuffer_, bookmark);
  GetRecInfo(*filterBuffer_).BookmarkFlag = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
  bool accept = true;
  const TDataSetState saved = SetTempState(TDataSetState::dsFilter);
  try {
    OnFilterRecord()(*this, accept);
  } catch (...) {
    InternalHandleException(std::current_exception());
    accept = true;
  }
  RestoreState(saved);
  return accept;
}

void TCustomOEDataSet::ReadRow(TOERecord& buffer, const db::TBookmark& bookmark) {
  if (cached_) {
    buffer.CopyFrom(CachedRecord());
    return;
  }
  if (TOERecord* changed = FindChanged(bookmark)) {
    buffer.CopyFrom(*changed);
    return;
  }
  int offset = 0;
  for (int col = 1; col <= static_cast<int>(slots_.size()); ++col) ToField(col, 1, offset, buffer);
  buffer.Bookmark = bookmark;
  TRecInfo& info = GetRecInfo(buffer);
  info.UpdateStatus = static_cast<uint8_t>(db::TUpdateStatus::usUnmodified);
  info.CachePos = -1;
}

db::TGetResult TCustomOEDataSet::GetRecord(db::TRecordBuffer* buffer, db::TGetMode mode) {
  TGetResult result = TGetResult::grOK;
  static const db::TBookmark none;
  const db::TBookmark* bookmark = &none;
  if (mode == TGetMode::gmCurrent) {
    TOERecord& active = Rec(ActiveBuffer());
    const TBookmarkFlag flag = GetBookmarkFlag(active);
    if (flag == TBookmarkFlag::bfBOF || flag == TBookmarkFlag::bfEOF ||
        IsDeleted(active.Bookmark) ||
        (cached_ && (cachePos_ < 1 || cachePos_ > static_cast<int32_t>(cache_.size()))))
      result = TGetResult::grError;
    else
      bookmark = &RowBookmark();
  } else if (mode == TGetMode::gmPrior && !cached_ &&
             stmt_->CursorType() == SQL_CURSOR_FORWARD_ONLY) {
    result = TGetResult::grError;  // a forward-only cursor cannot go back
  } else {
    for (;;) {
      if (!(mode == TGetMode::gmNext ? FetchNext() : FetchPrev())) {
        result = mode == TGetMode::gmNext ? TGetResult::grEOF : TGetResult::grBOF;
        break;
      }
      bookmark = &RowBookmark();
      if (!Hidden(*bookmark) && Accept(*bookmark)) break;
    }
  }
  if (result != TGetResult::grOK || !buffer) {
    if (buffer) InternalInitRecord(*buffer);
    return result;
  }
  TOERecord& b = Rec(*buffer);
  if (mode == TGetMode::gmCurrent && bookmark->empty() && !cached_ && !readCursorRow_)
    b.CopyFrom(Rec(ActiveBuffer()));
  else
    ReadRow(b, *bookmark);
  SetBookmarkFlag(b, TBookmarkFlag::bfCurrent);
  GetCalcFields(b);
  return TGetResult::grOK;
}

// --- field values -------------------------------------------------------------------

TCustomOEDataSet::TOERecord* TCustomOEDataSet::FieldBuffer() {
  if (fieldSource_ == TFieldSource::Locate) return locateBuffer_.get();
  if (fieldSource_ == TFieldSource::Applying) return applying_;
  switch (State()) {
    case TDataSetState::dsInactive: return nullptr;
    case TDataSetState::dsBrowse: return IsEmpty() ? nullptr : &Rec(ActiveBuffer());
    case TDataSetState::dsCalcFields: return CalcBuffer() ? &Rec(*CalcBuffer()) : nullptr;
    case TDataSetState::dsFilter: return filterBuffer_.get();
    case TDataSetState::dsOldValue: return oldBuffer_.get();
    default: return &Rec(ActiveBuffer());
  }
}

bool TCustomOEDataSet::GetFieldData(const db::TField& field, void* target) {
  TOERecord* b = State() == TDataSetState::dsInactive ? nullptr : FieldBuffer();
  if (!b) return false;
  if (field.Calculated()) {
    const char* p = b->Data() + calcOffset_ + field.Offset();
    if (target) std::memcpy(target, p, static_cast<size_t>(field.DataSize()));
    return p[field.DataSize()] != 0;
  }
  if (field.FieldNo() < 1 || field.FieldNo() > static_cast<int>(slots_.size())) return false;
  const TSlot& s = slots_[static_cast<size_t>(field.FieldNo() - 1)];
  const char* p = b->Data() + s.Offset;
  if (target && !s.Long)
    std::memcpy(
        target, p,
        std::min<size_t>(static_cast<size_t>(field.DataSize()), static_cast<size_t>(s.DataSize)));
  return p[s.DataSize] != 0;
}

void TCustomOEDataSet::SetFieldData(db::TField& field, const void* source) {
  const TDataSetState st = State();
  if (st != TDataSetState::dsEdit && st != TDataSetState::dsInsert &&
      st != TDataSetState::dsSetKey && st != TDataSetState::dsCalcFields &&
      st != TDataSetState::dsFilter && st != TDataSetState::dsNewValue &&
      st != TDataSetState::dsInternalCalc)
    throw EQuarnel("DataSet not in edit or insert mode.");
  TOERecord* b = FieldBuffer();
  if (!b) throw EQuarnel("DataSet not in edit or insert mode.");
  if (field.Calculated()) {
    char* p = b->Data() + calcOffset_ + field.Offset();
    if (source) std::memcpy(p, source, static_cast<size_t>(field.DataSize()));
    p[field.DataSize()] = source ? 1 : 0;
  } else {
    const TSlot& s = slots_.at(static_cast<size_t>(field.FieldNo() - 1));
    char* p = b->Data() + s.Offset;
    if (s.Long) {
      if (!source) b->Streams.at(static_cast<size_t>(s.Stream))->Clear();
    } else if (source) {
      std::memcpy(
          p, source,
          std::min<size_t>(static_cast<size_t>(field.DataSize()), static_cast<size_t>(s.DataSize)));
    } else {
      std::memset(p, 0, static_cast<size_t>(s.DataSize));
    }
    p[s.DataSize] = source ? 1 : 0;
  }
  if (st != TDataSetState::dsCalcFields && st != TDataSetState::dsFilter &&
      st != TDataSetState::dsNewValue)
    DataEvent(db::TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(&field));
}

std::unique_ptr<db::TStream> TCustomOEDataSet::CreateBlobStream(db::TField& field,
                                                                db::TBlobStreamMode mode) {
  TOERecord* b = State() == TDataSetState::dsInactive ? nullptr : FieldBuffer();
  const bool writing = mode != db::TBlobStreamMode::bmRead;
  if (writing) {
    const TDataSetState st = State();
    if (st != TDataSetState::dsEdit && st != TDataSetState::dsInsert)
      throw EQuarnel("DataSet not in edit or insert mode.");
  }
  if (!b || field.Calculated() || field.FieldNo() < 1 ||
      field.FieldNo() > static_cast<int>(slots_.size()))
    return std::make_unique<db::TMemoryStream>();
  const TSlot& s = slots_[static_cast<size_t>(field.FieldNo() - 1)];
  char* p = b->Data() + s.Offset;
  if (!s.Long) {
    // A short value kept in the record itself: read it as it stands.
    auto copy = std::make_unique<db::TMemoryStream>();
    if (p[s.DataSize]) copy->Assign(std::string(p, strnlen(p, static_cast<size_t>(s.DataSize))));
    return copy;
  }
  db::TMemoryStream& stream = *b->Streams.at(static_cast<size_t>(s.Stream));
  // A deferred value of the record under the cursor is read from the statement now.
  if (!writing && stmt_->BlobDeferral() && !cached_ && b == &Rec(ActiveBuffer()) &&
      State() == TDataSetState::dsBrowse) {
    UpdateCursorPos();
    if (const TBlobStream* value = stmt_->ColStream(field.FieldNo())) {
      stream.Assign(*value);
      p[s.DataSize] = stmt_->ColNull(field.FieldNo()) ? 0 : 1;
    }
  }
  return std::make_unique<TOEBlobStream>(*this, field, stream, p + s.DataSize, mode);
}

void TCustomOEDataSet::BlobChanged(db::TField& field) {
  DataEvent(db::TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(&field));
}

db::TUpdateStatus TCustomOEDataSet::UpdateStatus() {
  if (!cachedUpdates_ || !Active() || IsEmpty()) return db::TUpdateStatus::usUnmodified;
  return static_cast<db::TUpdateStatus>(GetRecInfo(ActiveBuffer()).UpdateStatus);
}

}  // namespace prenos
