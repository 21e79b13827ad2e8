// Writing back the query data set's edits: a record's values into the statement's
// cells, the statement's row edits (or an update object), cached updates, the old-values
// buffer, locating an inserted row, and refreshing the current one.
#include <cstring>

#include "odbc/dataset/oedataset.h"
#include "platform/scoped_value.h"

namespace prenos {
namespace {

using db::TFieldType;
using db::TUpdateKind;
using db::TUpdateStatus;

template <typename T>
T Get(const char* p) {
  T v{};
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

void TCustomOEDataSet::FromField(int col, const TOERecord& buffer, bool forInsert, int& offset) {
  const TSlot& s = slots_.at(static_cast<size_t>(col - 1));
  const char* p = buffer.Data() + offset;
  offset += s.DataSize + 1;
  stmt_->SetColIgnore(col, false);
  if (!p[s.DataSize]) {
    // A missing value: NULL, or for an insert without EmptyFieldToNull left out.
    if (forInsert && !EmptyFieldToNull)
      stmt_->SetColIgnore(col, true);
    else if (!forInsert && s.Long && stmt_->BlobDeferral() &&
             !(oldBuffer_ && oldBuffer_->Data()[s.Offset + s.DataSize]))
      // A deferred long value that never reached the record is unknown, not NULL:
      // writing NULL would wipe what the ledger holds, so it is left out.
      stmt_->SetColIgnore(col, true);
    else
      stmt_->SetColNull(col, true);
    return;
  }
  if (s.Long) {
    stmt_->SetColStream(col, buffer.Streams.at(static_cast<size_t>(s.Stream))->Bytes());
    return;
  }
  switch (s.Type) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
    case TFieldType::ftBlob:
      stmt_->SetColString(col, std::string(p, strnlen(p, static_cast<size_t>(s.DataSize))));
      break;
    case TFieldType::ftSmallint: stmt_->SetColSmallint(col, Get<int16_t>(p)); break;
    case TFieldType::ftInteger: stmt_->SetColInteger(col, Get<int32_t>(p)); break;
    case TFieldType::ftWord: stmt_->SetColWord(col, Get<uint16_t>(p)); break;
    case TFieldType::ftBoolean: stmt_->SetColWord(col, Get<uint16_t>(p) ? 1 : 0); break;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: stmt_->SetColDouble(col, Get<double>(p)); break;
    case TFieldType::ftDate:
      stmt_->SetColTimestamp(col, DateTimeToTimestamp(db::DaysToDateTime(Get<int32_t>(p))));
      break;
    case TFieldType::ftTime:
      stmt_->SetColTimestamp(col, DateTimeToTimestamp(db::MSecsToTime(Get<int32_t>(p))));
      break;
    case TFieldType::ftDateTime:
      stmt_->SetColTimestamp(col, DateTimeToTimestamp(db::StampToDateTime(Get<double>(p))));
      break;
    case TFieldType::ftBytes:
      stmt_->SetColString(col, std::string(p, static_cast<size_t>(s.DataSize)));
      break;
    case TFieldType::ftLargeint: stmt_->SetColInt64(col, Get<int64_t>(p)); break;
    default: break;
  }
}

void TCustomOEDataSet::ApplyRecord(TOERecord& record, TUpdateKind kind) {
  const TScopedValue applying(applying_, &record);
  const TScopedValue source(fieldSource_, TFieldSource::Applying);
  int offset = 0;
  for (int col = 1; col <= static_cast<int>(slots_.size()); ++col)
    FromField(col, record, kind == TUpdateKind::ukInsert, offset);
  if (!target_.Empty()) target_.Apply(*stmt_, kind == TUpdateKind::ukInsert);
  switch (kind) {
    case TUpdateKind::ukModify: stmt_->Update(); break;
    case TUpdateKind::ukInsert: stmt_->Insert(); break;
    case TUpdateKind::ukDelete: stmt_->Delete(); break;
  }
}

void TCustomOEDataSet::InternalPost() {
  if (State() == db::TDataSetState::dsEdit)
    UpdateRecords();
  else
    InsertRecords();
}

void TCustomOEDataSet::UpdateRecords() {
  TOERecord& record = Rec(ActiveBuffer());
  if (cachedUpdates_) {
    TOERecord& cached = CachedRecord();
    const bool inserted =
        GetRecInfo(cached).UpdateStatus == static_cast<uint8_t>(TUpdateStatus::usInserted);
    cached.CopyFrom(record);
    GetRecInfo(cached).UpdateStatus =
        static_cast<uint8_t>(inserted ? TUpdateStatus::usInserted : TUpdateStatus::usModified);
    GetRecInfo(cached).BookmarkFlag = static_cast<uint8_t>(db::TBookmarkFlag::bfInserted);
    return;
  }
  ApplyRecord(record, TUpdateKind::ukModify);
  // Browsing shows the edit without fetching the row again.
  if (cached_) {
    CachedRecord().CopyFrom(record);
  } else if (TOERecord* known = FindChanged(record.Bookmark)) {
    known->CopyFrom(record);
  } else if (!record.Bookmark.empty()) {
    auto copy = NewRecord();
    copy->CopyFrom(record);
    changed_.push_back(std::move(copy));
  }
}

void TCustomOEDataSet::InternalAddRecord(TOERecord& record, bool append) {
  if (cachedUpdates_) {
    auto copy = NewRecord();
    copy->CopyFrom(record);
    copy->Bookmark.resize(4);
    const int32_t seq = ++bookmarkCounter_;
    std::memcpy(copy->Bookmark.data(), &seq, 4);
    GetRecInfo(*copy).UpdateStatus = static_cast<uint8_t>(TUpdateStatus::usInserted);
    GetRecInfo(*copy).BookmarkFlag = static_cast<uint8_t>(db::TBookmarkFlag::bfInserted);
    const size_t at = append || cachePos_ < 1
                          ? cache_.size()
                          : std::min(cache_.size(), static_cast<size_t>(cachePos_ - 1));
    cache_.insert(cache_.begin() + static_cast<std::ptrdiff_t>(at), std::move(copy));
    cachePos_ = static_cast<int32_t>(at) + 1;
    ++pendingInserts_;
    return;
  }
  // The columns left out of an insert differ from row to row: generate the text anew.
  stmt_->ResetEditStatements();
  ApplyRecord(record, TUpdateKind::ukInsert);
  stmt_->ResetEditStatements();
}

void TCustomOEDataSet::InsertRecords() {
  TOERecord& record = Rec(ActiveBuffer());
  // The keys are settled before the row is written: a table whose row cannot be found
  // again refuses the post without having written it.
  const bool locate = LocateInsert && !cachedUpdates_;
  if (locate) RememberInsertKeys();
  InternalAddRecord(record, GetBookmarkFlag(record) == db::TBookmarkFlag::bfEOF);
  locateAfterPost_ = locate;
}

void TCustomOEDataSet::RememberInsertKeys() {
  std::vector<std::string> keys = target_.KeyColumns;
  if (keys.empty()) {
    const std::string primary = stmt_->PrimaryColumns();
    size_t pos = 0;
    for (size_t semi; (semi = primary.find(';', pos)) != std::string::npos; pos = semi + 1)
      if (semi > pos) keys.push_back(primary.substr(pos, semi - pos));
  }
  if (keys.empty()) throw EQuarnel("Cannot detect primary columns to locate inserted row.");
  insertKeyFields_.clear();
  std::vector<db::TVariant> values;
  for (const std::string& k : keys) {
    insertKeyFields_ += (insertKeyFields_.empty() ? "" : ";") + k;
    values.push_back(FieldByName(k).AsVariant());
  }
  insertKeyValues_ = db::TVariant::Array(std::move(values));
}

void TCustomOEDataSet::InternalDelete() { DeleteRecords(); }

void TCustomOEDataSet::DeleteRecords() {
  TOERecord& record = Rec(ActiveBuffer());
  if (cachedUpdates_) {
    const size_t index = static_cast<size_t>(cachePos_ - 1);
    CachedRecord();  // the record must be in the cache
    std::unique_ptr<TOERecord> gone = std::move(cache_[index]);
    cache_.erase(cache_.begin() + static_cast<std::ptrdiff_t>(index));
    if (GetRecInfo(*gone).UpdateStatus == static_cast<uint8_t>(TUpdateStatus::usInserted)) {
      --pendingInserts_;  // never reached the database
      return;
    }
    GetRecInfo(*gone).UpdateStatus = static_cast<uint8_t>(TUpdateStatus::usDeleted);
    GetRecInfo(*gone).CachePos = static_cast<int32_t>(index);
    changed_.push_back(std::move(gone));
    return;
  }
  ApplyRecord(record, TUpdateKind::ukDelete);
  if (cached_) {
    const size_t index = static_cast<size_t>(cachePos_ - 1);
    CachedRecord();
    cache_.erase(cache_.begin() + static_cast<std::ptrdiff_t>(index));
  } else if (!record.Bookmark.empty()) {
    deleted_.push_back(record.Bookmark);
  }
}

void TCustomOEDataSet::ApplyCached(TOERecord& record, TUpdateKind kind) {
  try {
    ApplyRecord(record, kind);
    GetRecInfo(record).UpdateStatus = static_cast<uint8_t>(TUpdateStatus::usUnmodified);
  } catch (EODBC& e) {
    bool raise = true;
    {
      // The handler's fields read the record that failed, not the current one.
      const TScopedValue applying(applying_, &record);
      const TScopedValue source(fieldSource_, TFieldSource::Applying);
      DoUpdateError(e, kind, raise);
    }
    if (raise) throw;
  }
}

void TCustomOEDataSet::ApplyUpdates() {
  CheckActive();
  CheckBrowseMode();
  if (!cachedUpdates_) return;
  for (size_t i = 0; i < cache_.size(); ++i) {
    applyIndex_ = -1;
    applyCacheIndex_ = static_cast<int>(i);
    const auto status = static_cast<TUpdateStatus>(GetRecInfo(*cache_[i]).UpdateStatus);
    if (status == TUpdateStatus::usModified) ApplyCached(*cache_[i], TUpdateKind::ukModify);
    if (status == TUpdateStatus::usInserted) {
      stmt_->ResetEditStatements();
      ApplyCached(*cache_[i], TUpdateKind::ukInsert);
      stmt_->ResetEditStatements();
    }
  }
  pendingInserts_ = 0;
  for (size_t i = 0; i < changed_.size(); ++i) {
    applyIndex_ = static_cast<int>(i);
    applyCacheIndex_ = -1;
    if (GetRecInfo(*changed_[i]).UpdateStatus == static_cast<uint8_t>(TUpdateStatus::usDeleted))
      ApplyCached(*changed_[i], TUpdateKind::ukDelete);
  }
  std::erase_if(changed_, [this](const std::unique_ptr<TOERecord>& r) {
    return GetRecInfo(*r).UpdateStatus == static_cast<uint8_t>(TUpdateStatus::usUnmodified);
  });
  applyIndex_ = applyCacheIndex_ = -1;
  Resync(0);
}

void TCustomOEDataSet::InternalRefresh() {
  if (IsEmpty()) return;
  if (cached_) {
    TOERecord& record = CachedRecord();
    int offset = 0;
    for (int col = 1; col <= static_cast<int>(slots_.size()); ++col)
      FromField(col, record, false, offset);
    stmt_->Refresh();
    offset = 0;
    for (int col = 1; col <= static_cast<int>(slots_.size()); ++col)
      ToField(col, 1, offset, record);
    return;
  }
  stmt_->Refresh();
  const db::TBookmark bookmark = Rec(ActiveBuffer()).Bookmark;
  std::erase_if(changed_,
                [&](const std::unique_ptr<TOERecord>& r) { return r->Bookmark == bookmark; });
}

// --- the statement's row-edit handlers ----------------------------------------------

// Whether the statement may do the row edit itself: OnUpdateRecord may refuse it, and an
// attached update object takes it over.
bool TCustomOEDataSet::StatementMayApply(TUpdateKind kind) {
  bool apply = true;
  DoUpdateRecord(kind, apply);
  if (apply && updateObject_) {
    updateObject_->Apply(kind);
    apply = false;
  }
  return apply;
}

bool TCustomOEDataSet::DoInsert(TComponent*, const std::string&) {
  return StatementMayApply(TUpdateKind::ukInsert);
}
bool TCustomOEDataSet::DoUpdate(TComponent*, const std::string&) {
  return StatementMayApply(TUpdateKind::ukModify);
}
bool TCustomOEDataSet::DoDelete(TComponent*, const std::string&) {
  return StatementMayApply(TUpdateKind::ukDelete);
}

bool TCustomOEDataSet::DoRefresh(TComponent*, const std::string&) {
  if (OnRefreshRecord) OnRefreshRecord(*this);
  return true;
}

void TCustomOEDataSet::DoUpdateRecord(TUpdateKind kind, bool& applyUpdate) {
  if (OnUpdateRecord) OnUpdateRecord(*this, kind, applyUpdate);
}

void TCustomOEDataSet::DoUpdateError(EODBC& e, TUpdateKind kind, bool& raiseError) {
  if (OnUpdateError) OnUpdateError(*this, e, kind, raiseError);
}

// --- the old-values buffer and locating an inserted row ------------------------------

void TCustomOEDataSet::DoBeforeEdit() {
  oldBuffer_->CopyFrom(Rec(ActiveBuffer()));
  db::TDataSet::DoBeforeEdit();
}

void TCustomOEDataSet::DoBeforeDelete() {
  oldBuffer_->CopyFrom(Rec(ActiveBuffer()));
  db::TDataSet::DoBeforeDelete();
}

void TCustomOEDataSet::DoAfterCancel() {
  InternalInitRecord(*oldBuffer_);
  db::TDataSet::DoAfterCancel();
}

void TCustomOEDataSet::DoAfterDelete() {
  InternalInitRecord(*oldBuffer_);
  db::TDataSet::DoAfterDelete();
}

void TCustomOEDataSet::DoAfterPost() {
  InternalInitRecord(*oldBuffer_);
  db::TDataSet::DoAfterPost();
  if (locateAfterPost_) {
    locateAfterPost_ = false;
    RefreshResults();
    Locate(insertKeyFields_, insertKeyValues_, {});
  }
}

}  // namespace prenos
