// The generic data set: a navigable set of records with named, typed fields, states,
// bookmarks and links to data-aware controls. It keeps a ring of record buffers around
// the current record; a descendant supplies the records (GetRecord) and the cursor.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "odbc/dataset/fields.h"
#include "odbc/dataset/stream.h"
#include "odbc/variant.h"
#include "platform/component.h"

namespace prenos::db {

class TDataSource;
class TDataLink;

enum class TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsInternalCalc,
  dsOpening
};
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };
// Where a buffer's record stands: on a record, before the first, after the last, or a
// record being inserted.
enum class TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };
enum class TUpdateStatus : uint8_t { usUnmodified, usModified, usInserted, usDeleted };
enum class TUpdateKind { ukModify, ukInsert, ukDelete };
// What the data set tells its data sources and through them its links. Field events
// carry the field (TField*) as info, scroll events the distance.
enum class TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange
};
enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
struct TLocateOptions {
  bool CaseInsensitive = false;
  bool PartialKey = false;
};
// Resync modes, combined with |: the current record must still exist; centre it.
enum TResyncMode : unsigned { rmExact = 1, rmCenter = 2 };
// A bookmark's bytes; empty is the nil bookmark. A string keeps the few bytes of a
// driver's bookmark inside the object, so records and copies allocate nothing for it.
using TBookmark = std::string;

// One record buffer of the ring. The data set that allocates it decides what its bytes
// hold and may derive from it to own more (streams, a bookmark).
class TRecordBuffer {
 public:
  explicit TRecordBuffer(size_t size) : bytes_(size) {}
  virtual ~TRecordBuffer() = default;
  char* Data() { return bytes_.data(); }
  const char* Data() const { return bytes_.data(); }
  size_t Size() const { return bytes_.size(); }

 private:
  std::vector<char> bytes_;
};
using TRecordBufferPtr = std::unique_ptr<TRecordBuffer>;

class TDataSet : public TComponent {
 public:
  using TNotifyEvent = std::function<void(TDataSet&)>;
  using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

  explicit TDataSet(TComponent* owner = nullptr, std::string name = {});
  // A descendant closes the data set in its own destructor (Close needs its overrides).
  ~TDataSet() override;
  const char* ClassName() const override { return "TDataSet"; }

  // --- opening and state
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  // Opening that fails leaves the data set closed and passes the failure on.
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }

  // --- moving
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by up to distance records; answers how far it moved (negative backwards).
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_; }
  // Re-reads the current record from the cursor (InternalRefresh) and the ring around it.
  void Refresh();
  // Re-reads the ring around the cursor's record (rmExact: it must still exist).
  void Resync(unsigned mode);
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark& bookmark) { return !bookmark.empty(); }
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
  // -1 when the data set cannot tell.
  virtual int RecordCount() { return -1; }
  virtual int RecNo() { return -1; }
  virtual void SetRecNo(int) {}
  // Whether record numbers are stable positions (a grid's scroll bar uses them).
  virtual bool IsSequenced() { return true; }

  // --- editing
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Posts a pending edit when it changed anything, else cancels it.
  void CheckBrowseMode();
  bool CanModify() { return GetCanModify(); }
  // Asks the linked controls to store what they hold into the fields.
  void UpdateRecord();
  virtual TUpdateStatus UpdateStatus() { return TUpdateStatus::usUnmodified; }

  // --- searching
  virtual bool Locate(const std::string& keyFields, const TVariant& keyValues,
                      TLocateOptions options);
  // The values of resultFields in the record found; NULL when none is found.
  virtual TVariant Lookup(const std::string& keyFields, const TVariant& keyValues,
                          const std::string& resultFields);
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  bool Found() const { return found_; }

  // --- fields
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Fields(int index) const { return *fields_.at(static_cast<size_t>(index)); }
  // Names compare without regard to letter case.
  TField* FindField(const std::string& name) const;
  // Raises EDatabaseError "Field 'name' not found" when there is none.
  TField& FieldByName(const std::string& name) const;
  // The fields named in a ";"-separated list, each found by FieldByName.
  std::vector<TField*> GetFieldList(const std::string& names) const;
  // Adds a persistent field while the data set is closed: a data field is bound to the
  // column of its name at open, a calculated one gets room in the calculated-fields area.
  TField& AddField(std::string name, TFieldType type, int size = 0,
                   TFieldKind kind = TFieldKind::fkData);
  virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

  // --- filtering and calculated fields
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool value) { filtered_ = value; }
  const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
  virtual void SetOnFilterRecord(TFilterRecordEvent handler) {
    onFilterRecord_ = std::move(handler);
  }
  bool AutoCalcFields = true;
  TNotifyEvent OnCalcFields;

  // --- linked controls
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }
  // The master data source this data set follows, if any.
  virtual TDataSource* GetDataSource() const { return nullptr; }
  // Whether this data set follows source's data set, directly or through other masters.
  bool IsLinkedTo(const TDataSource* source) const;

  int BlockReadSize() const { return blockReadSize_; }
  virtual void SetBlockReadSize(int value) { blockReadSize_ = value; }

  TNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll;
  TNotifyEvent BeforeEdit, AfterEdit, BeforeInsert, AfterInsert, BeforePost, AfterPost;
  TNotifyEvent BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, OnNewRecord;
  // Receives failures the data set cannot pass on (a failing filter handler); without a
  // handler they are dropped.
  std::function<void(std::exception_ptr)> OnHandleException;

 protected:
  // --- what a descendant supplies: record buffers
  virtual TRecordBufferPtr AllocRecordBuffer() = 0;
  virtual TGetResult GetRecord(TRecordBuffer* buffer, TGetMode mode) = 0;
  // Bytes of a record's field part.
  virtual int GetRecordSize() = 0;
  virtual void InternalInitRecord(TRecordBuffer& buffer) = 0;
  virtual void ClearCalcFields(TRecordBuffer&) {}
  virtual TBookmark GetBookmarkData(const TRecordBuffer& buffer) = 0;
  virtual void SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(const TRecordBuffer& buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) = 0;
  // --- the cursor
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() = 0;
  virtual void InternalInitFieldDefs() = 0;
  // Leave the cursor before the first / after the last record.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer& buffer) = 0;
  virtual void InternalRefresh() {}
  virtual void InternalHandleException(std::exception_ptr e);
  // --- editing
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalPost() = 0;
  virtual void InternalDelete() = 0;
  virtual bool GetCanModify() { return true; }
  // --- field values in the layout fields.h describes
  virtual bool GetFieldData(const TField& field, void* buffer) = 0;
  virtual void SetFieldData(TField& field, const void* buffer) = 0;
  virtual bool FindRecord(bool restart, bool goForward);
  // --- hooks around the public operations (each calls its event)
  virtual void DoBeforeEdit() { Fire(BeforeEdit); }
  virtual void DoBeforeDelete() { Fire(BeforeDelete); }
  virtual void DoBeforePost() { Fire(BeforePost); }
  virtual void DoAfterPost() { Fire(AfterPost); }
  virtual void DoAfterCancel() { Fire(AfterCancel); }
  virtual void DoAfterDelete() { Fire(AfterDelete); }
  virtual void DoBeforeScroll() { Fire(BeforeScroll); }
  virtual void DoAfterScroll() { Fire(AfterScroll); }

  // --- framework services for descendants
  TRecordBuffer& ActiveBuffer() { return *buffers_.at(static_cast<size_t>(activeRecord_)); }
  // A buffer outside the records of the ring (the first free one).
  TRecordBuffer& TempBuffer() { return *buffers_.at(static_cast<size_t>(recordCount_)); }
  // The buffer whose calculated fields are being computed (CalcFields state).
  TRecordBuffer* CalcBuffer() { return calcBuffer_; }
  int CalcFieldsSize() const { return calcFieldsSize_; }
  int BookmarkSize() const { return bookmarkSize_; }
  void SetBookmarkSize(int size) { bookmarkSize_ = size; }
  // Records held in the ring.
  int BufferedRecords() const { return recordCount_; }
  // True while the data set has no fields of its own (they are made from the definitions).
  bool DefaultFields() const { return defaultFields_; }
  // Makes default fields from the field definitions when there are none, and binds all
  // fields: data fields to their definitions, calculated ones into the calc area.
  void CreateAndBindFields();
  void DestroyDefaultFields();
  // Computes the calculated fields of buffer in CalcFields state.
  void GetCalcFields(TRecordBuffer& buffer);
  // The cursor no longer stands on any buffered record.
  void CursorPosChanged() { currentRecord_ = -1; }
  // Puts the cursor back on the active record.
  void UpdateCursorPos();
  void DataEvent(TDataEvent event, intptr_t info = 0);
  void SetState(TDataSetState value);
  // A state for reading or computing fields of another buffer; RestoreState undoes it.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState saved);
  void SetFound(bool value) { found_ = value; }
  void SetModified(bool value) { modified_ = value; }
  void CheckActive() const;
  void InitRecord(TRecordBuffer& buffer);
  static void Fire(const TNotifyEvent& e, TDataSet& ds) {
    if (e) e(ds);
  }
  void Fire(const TNotifyEvent& e) { Fire(e, *this); }

 private:
  friend class TField;
  friend class TDataLink;
  friend class TDataSource;

  void OpenCursor();
  void CloseCursor();
  void SetBufferCount(int value);
  void UpdateBufferCount();
  void ActivateBuffers();
  void ClearBuffers();
  // First (last false) or Last: the records read from that end of the set.
  void MoveToEnd(bool last);
  void MoveBuffer(int from, int to);
  void SetCurrentRecord(int index);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void BeginInsertAppend();
  void EndInsertAppend();
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);

  TDataSetState state_ = TDataSetState::dsInactive;
  TFieldDefs fieldDefs_;
  std::vector<std::unique_ptr<TField>> fields_;
  bool defaultFields_ = false;
  int calcFieldsSize_ = 0;
  int bookmarkSize_ = 0;
  // The ring: bufferCount_ record buffers plus one spare.
  std::vector<TRecordBufferPtr> buffers_;
  int bufferCount_ = 0;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  int currentRecord_ = -1;
  TRecordBuffer* calcBuffer_ = nullptr;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool found_ = false;
  bool filtered_ = false;
  TFilterRecordEvent onFilterRecord_;
  int disableCount_ = 0;
  bool pendingChange_ = false;
  int blockReadSize_ = 0;
  std::vector<TDataSource*> dataSources_;
  // Set while the destructor detaches the data sources: the derived part is gone then,
  // so nothing may reach its virtual functions.
  bool tearingDown_ = false;
};

}  // namespace prenos::db
