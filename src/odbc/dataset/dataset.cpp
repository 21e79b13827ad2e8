// The record-buffer ring, states and public operations of the generic data set.
//
// The ring holds up to bufferCount_ records around the current one (the largest window
// any linked control wants), plus one spare buffer at index recordCount_ that every
// fetch reads into before it joins the ring. currentRecord_ is the ring index of the
// record the descendant's cursor stands on (-1: unknown); before fetching next to the
// ring's first or last record the cursor is put back on it.
#include "odbc/dataset/dataset.h"

#include <algorithm>
#include <cstring>

#include "odbc/dataset/datalink.h"
#include "platform/exceptions.h"
#include "platform/text_case.h"

namespace prenos::db {
namespace {

bool Editing(TDataSetState s) { return s == TDataSetState::dsEdit || s == TDataSetState::dsInsert; }

}  // namespace

TDataSet::TDataSet(TComponent* owner, std::string name) : TComponent(owner, std::move(name)) {}

TDataSet::~TDataSet() {
  state_ = TDataSetState::dsInactive;
  tearingDown_ = true;
  const auto sources = dataSources_;
  for (TDataSource* s : sources) s->SetDataSet(nullptr);
}

// --- opening and closing ------------------------------------------------------------

void TDataSet::SetActive(bool value) {
  if (Active() == value) return;
  if (value) {
    Fire(BeforeOpen);
    try {
      OpenCursor();
    } catch (...) {
      CloseCursor();
      throw;
    }
    SetState(TDataSetState::dsBrowse);
    Fire(AfterOpen);
    if (!IsEmpty()) DoAfterScroll();
  } else {
    Fire(BeforeClose);
    SetState(TDataSetState::dsInactive);
    CloseCursor();
    Fire(AfterClose);
  }
}

void TDataSet::OpenCursor() {
  InternalOpen();
  UpdateBufferCount();
  bof_ = true;
}

void TDataSet::CloseCursor() {
  ClearBuffers();
  buffers_.clear();
  bufferCount_ = 0;
  calcBuffer_ = nullptr;
  if (IsCursorOpen()) InternalClose();
  DestroyDefaultFields();
}

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

// --- the ring ---------------------------------------------------------------------

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int count = 1;
  for (TDataSource* s : dataSources_)
    for (TDataLink* l : s->links_) count = std::max(count, l->BufferCount());
  SetBufferCount(count);
}

void TDataSet::SetBufferCount(int value) {
  if (value != bufferCount_) {
    int excess = recordCount_ - value;
    if (excess > 0) {
      // Keep the active record: drop records below it first, then above it.
      const int below = std::min(excess, recordCount_ - activeRecord_ - 1);
      recordCount_ -= below;
      excess -= below;
      if (excess > 0) {
        std::rotate(buffers_.begin(), buffers_.begin() + excess, buffers_.begin() + recordCount_);
        recordCount_ -= excess;
        activeRecord_ -= excess;
      }
      CursorPosChanged();
    }
    const size_t size = static_cast<size_t>(value) + 1;
    if (buffers_.size() > size) buffers_.resize(size);
    while (buffers_.size() < size) buffers_.push_back(AllocRecordBuffer());
    bufferCount_ = value;
  }
  if (GetNextRecords() == 0 && recordCount_ > 0 && recordCount_ < bufferCount_) GetPriorRecords();
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::MoveBuffer(int from, int to) {
  if (from == to) return;
  auto b = buffers_.begin();
  if (from < to)
    std::rotate(b + from, b + from + 1, b + to + 1);
  else
    std::rotate(b + to, b + from, b + from + 1);
}

void TDataSet::SetCurrentRecord(int index) {
  if (currentRecord_ == index) return;
  TRecordBuffer& buffer = *buffers_.at(static_cast<size_t>(index));
  switch (GetBookmarkFlag(buffer)) {
    case TBookmarkFlag::bfCurrent:
    case TBookmarkFlag::bfInserted: InternalSetToRecord(buffer); break;
    case TBookmarkFlag::bfBOF: InternalFirst(); break;
    case TBookmarkFlag::bfEOF: InternalLast(); break;
  }
  currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = TGetMode::gmNext;
  if (recordCount_ > 0) {
    SetCurrentRecord(recordCount_ - 1);
    // A record being inserted at the end stands where the cursor is: read that one.
    if (state_ == TDataSetState::dsInsert && currentRecord_ == activeRecord_ &&
        GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent)
      mode = TGetMode::gmCurrent;
  }
  if (GetRecord(buffers_[static_cast<size_t>(recordCount_)].get(), mode) != TGetResult::grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0)
    ActivateBuffers();
  else if (recordCount_ < bufferCount_)
    ++recordCount_;
  else
    MoveBuffer(0, recordCount_);
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  if (GetRecord(buffers_[static_cast<size_t>(recordCount_)].get(), TGetMode::gmPrior) !=
      TGetResult::grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
  return n;
}

// --- moving -------------------------------------------------------------------------

void TDataSet::First() { MoveToEnd(false); }

void TDataSet::Last() { MoveToEnd(true); }

void TDataSet::MoveToEnd(bool last) {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  // The set is at its edge even when reading failed, so that the controls show it empty.
  const auto atEdge = [this, last] {
    (last ? eof_ : bof_) = true;
    DataEvent(TDataEvent::deDataSetChange);
  };
  try {
    if (last) {
      InternalLast();
      GetPriorRecord();
      GetPriorRecords();
    } else {
      InternalFirst();
      GetNextRecord();
      GetNextRecords();
    }
  } catch (...) {
    atEdge();
    throw;
  }
  atEdge();
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0) return 0;
  DoBeforeScroll();
  bof_ = false;
  eof_ = false;
  int scroll = 0;  // how far the ring's records shifted up (negative) or down
  auto notify = [&] { DataEvent(TDataEvent::deDataSetScroll, scroll); };
  try {
    for (; distance > 0; --distance, ++moved) {
      if (activeRecord_ < recordCount_ - 1) {
        ++activeRecord_;
        continue;
      }
      const bool full = recordCount_ >= bufferCount_;
      if (!GetNextRecord()) {
        eof_ = true;
        break;
      }
      if (full) --scroll;
      activeRecord_ = recordCount_ - 1;
    }
    for (; distance < 0; ++distance, --moved) {
      if (activeRecord_ > 0) {
        --activeRecord_;
        continue;
      }
      const bool full = recordCount_ >= bufferCount_;
      if (!GetPriorRecord()) {
        bof_ = true;
        break;
      }
      if (full) ++scroll;
      activeRecord_ = 0;
    }
  } catch (...) {
    notify();
    throw;
  }
  notify();
  DoAfterScroll();
  return moved;
}

void TDataSet::Resync(unsigned mode) {
  TRecordBuffer* spare = buffers_.at(static_cast<size_t>(recordCount_)).get();
  if (mode & rmExact) {
    CursorPosChanged();
    if (GetRecord(spare, TGetMode::gmCurrent) != TGetResult::grOK)
      throw EDatabaseError("Record not found");
  } else if (GetRecord(spare, TGetMode::gmCurrent) != TGetResult::grOK &&
             GetRecord(spare, TGetMode::gmNext) != TGetResult::grOK &&
             GetRecord(spare, TGetMode::gmPrior) != TGetResult::grOK) {
    ClearBuffers();
    DataEvent(TDataEvent::deDataSetChange);
    return;
  }
  int count = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  currentRecord_ = 0;
  try {
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync(0);
}

TBookmark TDataSet::GetBookmark() {
  if (!Active() || IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != TBookmarkFlag::bfCurrent)
    return {};
  return GetBookmarkData(ActiveBuffer());
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark);
  Resync(rmExact | rmCenter);
  DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() && b.empty()) return 0;
  if (a.empty() || b.empty()) return 1;
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i])
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// --- editing ------------------------------------------------------------------------

void TDataSet::InitRecord(TRecordBuffer& buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfInserted);
}

void TDataSet::Edit() {
  if (Editing(state_)) return;
  if (recordCount_ == 0) return Insert();
  CheckBrowseMode();
  if (!GetCanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  DoBeforeEdit();
  UpdateCursorPos();
  InternalEdit();
  GetCalcFields(ActiveBuffer());
  SetState(TDataSetState::dsEdit);
  DataEvent(TDataEvent::deRecordChange);
  Fire(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  if (!GetCanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  Fire(BeforeInsert);
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(TDataSetState::dsInsert);
  try {
    Fire(OnNewRecord);
  } catch (...) {
    CursorPosChanged();
    UpdateCursorPos();
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    throw;
  }
  modified_ = false;
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterInsert);
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  const TBookmark current = GetBookmark();
  MoveBuffer(recordCount_, activeRecord_);
  CursorPosChanged();
  TRecordBuffer& buffer = ActiveBuffer();
  InitRecord(buffer);
  if (recordCount_ == 0)
    SetBookmarkFlag(buffer, TBookmarkFlag::bfBOF);
  else
    SetBookmarkData(buffer, current);
  if (recordCount_ < bufferCount_) ++recordCount_;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer& buffer = *buffers_.at(0);
  InitRecord(buffer);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfEOF);
  recordCount_ = 1;
  bof_ = false;
  GetPriorRecords();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::UpdateRecord() {
  if (!Editing(state_) && state_ != TDataSetState::dsSetKey)
    throw EDatabaseError("Dataset not in edit or insert mode");
  DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::Post() {
  UpdateRecord();
  if (!Editing(state_)) return;
  const bool inserting = state_ == TDataSetState::dsInsert;
  DataEvent(TDataEvent::deCheckBrowseMode);
  DoBeforePost();
  // The descendant writes back the record the cursor stands on.
  UpdateCursorPos();
  InternalPost();
  SetState(TDataSetState::dsBrowse);
  // A posted insert goes back to the record it was inserted at; the new row shows once
  // the cursor is refreshed.
  if (inserting) {
    CursorPosChanged();
    UpdateCursorPos();
  }
  Resync(0);
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (!Editing(state_)) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforeCancel);
  const bool inserting = state_ == TDataSetState::dsInsert;
  // Back to the record the edit or insert started from.
  CursorPosChanged();
  UpdateCursorPos();
  InternalCancel();
  SetState(TDataSetState::dsBrowse);
  Resync(0);
  DoAfterCancel();
  if (inserting) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsSetKey) return Cancel();
  if (recordCount_ == 0) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  DataEvent(TDataEvent::deCheckBrowseMode);
  DoBeforeDelete();
  DoBeforeScroll();
  UpdateCursorPos();
  InternalDelete();
  SetState(TDataSetState::dsBrowse);
  Resync(0);
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (Editing(state_)) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  } else if (state_ == TDataSetState::dsSetKey) {
    SetState(TDataSetState::dsBrowse);
  }
}

// --- searching ----------------------------------------------------------------------

bool TDataSet::Locate(const std::string&, const TVariant&, TLocateOptions) { return false; }

TVariant TDataSet::Lookup(const std::string&, const TVariant&, const std::string&) { return {}; }

bool TDataSet::FindRecord(bool, bool) { return false; }

// --- fields -------------------------------------------------------------------------

TField* TDataSet::FindField(const std::string& name) const {
  for (const auto& f : fields_)
    if (SameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) const {
  if (TField* f = FindField(name)) return *f;
  throw EDatabaseError("Field '" + name + "' not found");
}

std::vector<TField*> TDataSet::GetFieldList(const std::string& names) const {
  std::vector<TField*> out;
  size_t pos = 0;
  while (pos <= names.size()) {
    size_t end = names.find(';', pos);
    if (end == std::string::npos) end = names.size();
    std::string name = names.substr(pos, end - pos);
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ') name.pop_back();
    while (!name.empty() && static_cast<unsigned char>(name.front()) <= ' ') name.erase(0, 1);
    if (!name.empty()) out.push_back(&FieldByName(name));
    pos = end + 1;
  }
  return out;
}

TField& TDataSet::AddField(std::string name, TFieldType type, int size, TFieldKind kind) {
  if (Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
  if (FindField(name)) throw EDatabaseError("Duplicate field name '" + name + "'");
  fields_.push_back(std::make_unique<TField>(*this, std::move(name), type, size, kind));
  fields_.back()->index_ = static_cast<int>(fields_.size()) - 1;
  return *fields_.back();
}

void TDataSet::CreateAndBindFields() {
  if (fields_.empty()) {
    defaultFields_ = true;
    for (int i = 0; i < fieldDefs_.Count(); ++i) {
      const TFieldDef& def = fieldDefs_[i];
      if (def.DataType == TFieldType::ftUnknown) continue;
      fields_.push_back(
          std::make_unique<TField>(*this, def.Name, def.DataType, def.Size, TFieldKind::fkData));
      fields_.back()->precision_ = def.Precision;
    }
  }
  int offset = 0;
  for (size_t i = 0; i < fields_.size(); ++i) {
    TField& f = *fields_[i];
    f.index_ = static_cast<int>(i);
    if (f.Calculated()) {
      f.offset_ = offset;
      offset += f.DataSize() + 1;
      continue;
    }
    const TFieldDef* def = fieldDefs_.Find(f.FieldName());
    if (!def) throw EDatabaseError("Field '" + f.FieldName() + "' not found");
    if (def->DataType != f.DataType())
      throw EDatabaseError("Type mismatch for field '" + f.FieldName() + "'");
    f.fieldNo_ = def->FieldNo;
    if (f.size_ == 0) f.size_ = def->Size;
    f.precision_ = def->Precision;
  }
  calcFieldsSize_ = offset;
}

void TDataSet::DestroyDefaultFields() {
  if (!defaultFields_) return;
  fields_.clear();
  defaultFields_ = false;
  calcFieldsSize_ = 0;
}

void TDataSet::GetCalcFields(TRecordBuffer& buffer) {
  if (calcFieldsSize_ == 0) return;
  const TDataSetState saved = SetTempState(TDataSetState::dsCalcFields);
  TRecordBuffer* savedBuffer = calcBuffer_;
  calcBuffer_ = &buffer;
  try {
    ClearCalcFields(buffer);
    Fire(OnCalcFields);
  } catch (...) {
    calcBuffer_ = savedBuffer;
    RestoreState(saved);
    throw;
  }
  calcBuffer_ = savedBuffer;
  RestoreState(saved);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode) {
  throw EDatabaseError("Field '" + field.FieldName() + "' is not a blob field");
}

// --- states, events and controls ----------------------------------------------------

void TDataSet::SetState(TDataSetState value) {
  if (state_ == value) return;
  state_ = value;
  modified_ = false;
  DataEvent(TDataEvent::deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  const TDataSetState saved = state_;
  state_ = value;
  ++disableCount_;
  return saved;
}

void TDataSet::RestoreState(TDataSetState saved) {
  state_ = saved;
  --disableCount_;
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deFieldChange) {
    auto* field = reinterpret_cast<TField*>(info);
    if (field && !field->Calculated()) modified_ = true;
    if (state_ != TDataSetState::dsSetKey && AutoCalcFields && calcFieldsSize_ > 0 &&
        Editing(state_))
      GetCalcFields(ActiveBuffer());
  }
  if (disableCount_ == 0) {
    const auto sources = dataSources_;
    for (TDataSource* s : sources) s->DataEvent(event, info);
  } else if ((event == TDataEvent::deUpdateState && state_ == TDataSetState::dsInactive) ||
             event == TDataEvent::deLayoutChange) {
    pendingChange_ = true;
  }
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) pendingChange_ = false;
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0 || --disableCount_ != 0) return;
  // The links learn the state (which may have changed meanwhile) and see the data anew.
  DataEvent(TDataEvent::deUpdateState);
  if (Active())
    DataEvent(pendingChange_ ? TDataEvent::deLayoutChange : TDataEvent::deDataSetChange);
  pendingChange_ = false;
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const {
  // Walk up the chain of masters; a chain longer than the number of steps taken so far
  // cannot be without a cycle, so the walk is bounded.
  const TDataSet* ds = source ? source->DataSet() : nullptr;
  for (int steps = 0; ds && steps < 1000; ++steps) {
    if (ds == this) return true;
    const TDataSource* master = ds->GetDataSource();
    ds = master ? master->DataSet() : nullptr;
  }
  return false;
}

void TDataSet::InternalHandleException(std::exception_ptr e) {
  if (OnHandleException) OnHandleException(e);
}

void TDataSet::AddDataSource(TDataSource* source) {
  if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end())
    dataSources_.push_back(source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source),
                     dataSources_.end());
  if (!tearingDown_) UpdateBufferCount();
}

}  // namespace prenos::db
