// Data sources and data links: how a data set's events reach the controls that follow it.
#include "odbc/dataset/datalink.h"

#include <algorithm>

namespace prenos::db {

// --- TDataSource --------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner, std::string name)
    : TComponent(owner, std::move(name)) {}

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
  const auto links = links_;
  for (TDataLink* l : links) l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet_ == dataSet) return;
  if (dataSet_) dataSet_->RemoveDataSource(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->AddDataSource(this);
  DataEvent(TDataEvent::deUpdateState, 0);
}

void TDataSource::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  DataEvent(TDataEvent::deUpdateState, 0);
}

TDataSetState TDataSource::State() const {
  return dataSet_ && enabled_ ? dataSet_->State() : TDataSetState::dsInactive;
}

void TDataSource::NotifyLinks(TDataEvent event, intptr_t info) {
  const auto links = links_;
  for (TDataLink* l : links)
    if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deUpdateState) {
    const TDataSetState s = State();
    if (s == state_) return;
    state_ = s;
    NotifyLinks(event, info);
    if (OnStateChange) OnStateChange(*this);
    return;
  }
  if (!enabled_) return;
  NotifyLinks(event, info);
  switch (event) {
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
      if (OnDataChange) OnDataChange(*this, reinterpret_cast<TField*>(info));
      break;
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange:
      if (OnDataChange) OnDataChange(*this, nullptr);
      break;
    default: break;
  }
}

// --- TDataLink ----------------------------------------------------------------------

TDataLink::~TDataLink() {
  if (source_) {
    auto& links = source_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    if (TDataSet* ds = source_->DataSet()) ds->UpdateBufferCount();
  }
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source_ == source) return;
  if (source_) {
    auto& links = source_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    if (TDataSet* ds = source_->DataSet()) ds->UpdateBufferCount();
  }
  source_ = source;
  if (source_) {
    source_->links_.push_back(this);
    if (TDataSet* ds = source_->DataSet()) ds->UpdateBufferCount();
  }
  UpdateState();
}

void TDataLink::UpdateState() {
  SetActive(source_ && source_->State() != TDataSetState::dsInactive);
  const TDataSetState s = source_ ? source_->State() : TDataSetState::dsInactive;
  const bool editing = s == TDataSetState::dsEdit || s == TDataSetState::dsInsert;
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TDataLink::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  if (value)
    UpdateRange();
  else
    firstRecord_ = 0;
  ActiveChanged();
}

void TDataLink::SetBufferCount(int value) {
  value = std::max(value, 1);
  if (bufferCount_ == value) return;
  bufferCount_ = value;
  if (active_) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

void TDataLink::UpdateRange() {
  const TDataSet* ds = DataSet();
  if (!ds) return;
  // Keep the data set's current record inside this link's window.
  const int minFirst = std::max(ds->activeRecord_ - bufferCount_ + 1, 0);
  const int maxFirst = std::max(std::min(ds->bufferCount_ - bufferCount_, ds->activeRecord_), 0);
  firstRecord_ = std::clamp(firstRecord_, minFirst, std::max(minFirst, maxFirst));
}

int TDataLink::RecordCount() const {
  const TDataSet* ds = DataSet();
  if (!active_ || !ds) return 0;
  return std::clamp(ds->recordCount_ - firstRecord_, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const {
  const TDataSet* ds = DataSet();
  return active_ && ds ? ds->activeRecord_ - firstRecord_ : 0;
}

void TDataLink::SetActiveRecord(int value) {
  TDataSet* ds = DataSet();
  if (active_ && ds) ds->activeRecord_ = value + firstRecord_;
}

bool TDataLink::Bof() const { return DataSet() ? DataSet()->Bof() : true; }
bool TDataLink::Eof() const { return DataSet() ? DataSet()->Eof() : true; }
int TDataLink::MoveBy(int distance) { return DataSet() ? DataSet()->MoveBy(distance) : 0; }

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  TDataSet* ds = DataSet();
  switch (event) {
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange: {
      // Shift the window with the ring's records, then keep the current record in it.
      int count = 0;
      if (ds->State() != TDataSetState::dsSetKey) {
        const int active = ds->activeRecord_;
        const int first = firstRecord_ + static_cast<int>(info);
        const int last = first + bufferCount_ - 1;
        if (active > last)
          count = active - last;
        else if (active < first)
          count = active - first;
        firstRecord_ = std::max(first + count, 0);
      }
      if (event == TDataEvent::deDataSetChange)
        DataSetChanged();
      else if (event == TDataEvent::deDataSetScroll)
        DataSetScrolled(count);
      else
        LayoutChanged();
      break;
    }
    case TDataEvent::deUpdateRecord:
      updating_ = true;
      try {
        UpdateData();
      } catch (...) {
        updating_ = false;
        throw;
      }
      updating_ = false;
      break;
    case TDataEvent::deCheckBrowseMode: CheckBrowseMode(); break;
    default: break;
  }
}

}  // namespace prenos::db
