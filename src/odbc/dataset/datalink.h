// Links between a data set and the controls that show it: a data source names the data
// set, and each control follows it through a data link of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "odbc/dataset/dataset.h"
#include "platform/component.h"

namespace prenos::db {

class TDataLink;

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner = nullptr, std::string name = {});
  ~TDataSource() override;
  const char* ClassName() const override { return "TDataSource"; }

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  // A disabled source shows its links an inactive data set.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // The data set's state, inactive without a data set or while disabled.
  TDataSetState State() const;

  std::function<void(TDataSource&, TField*)> OnDataChange;
  std::function<void(TDataSource&)> OnStateChange;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, intptr_t info);
  void NotifyLinks(TDataEvent event, intptr_t info);

  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  TDataSetState state_ = TDataSetState::dsInactive;
  std::vector<TDataLink*> links_;
};

// A control's view of a data set: a window of BufferCount records of the data set's
// ring, with ActiveRecord the index of the current record within that window. A control
// derives from it and overrides the notifications it cares about.
class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return source_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const { return source_ ? source_->DataSet() : nullptr; }
  // True while the source's data set is open.
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }

  // The records this link wants the data set to keep (a grid: its visible rows).
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int value);
  // Records of the window that hold data (at most BufferCount).
  int RecordCount() const;
  // Index of the data set's current record within the window. Setting it makes another
  // record of the window current for reading its fields (a grid drawing its rows); set
  // it back afterwards.
  int ActiveRecord() const;
  void SetActiveRecord(int value);

  bool Bof() const;
  bool Eof() const;
  int MoveBy(int distance);

 protected:
  virtual void ActiveChanged() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*field*/) {}
  // The data set is about to post: store the control's pending value into the field.
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}
  virtual void EditingChanged() {}

 private:
  friend class TDataSource;
  void DataEvent(TDataEvent event, intptr_t info);
  void SetActive(bool value);
  void UpdateRange();
  void UpdateState();

  TDataSource* source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool updating_ = false;
  int bufferCount_ = 1;
  int firstRecord_ = 0;
};

}  // namespace prenos::db
