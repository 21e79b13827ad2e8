// The query data set: one ODBC statement turned into a navigable set of records with
// named, typed fields, so that data-aware controls can browse the result of a SELECT,
// with locating, looking up, filtering, an optional record cache and writing back edits.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "odbc/dataset/datalink.h"
#include "odbc/dataset/dataset.h"
#include "odbc/dataset/oecompanions.h"
#include "odbc/hstmt.h"
#include "odbc/odbcerror.h"

namespace prenos {

class TCustomOEDataSet;

enum class TOELocateOption { loPrefix, loSubString };
enum class TParamBindMode { pbByName, pbByNumber };

using TOEUpdateRecordEvent =
    std::function<void(TCustomOEDataSet& dataSet, db::TUpdateKind kind, bool& applyUpdate)>;
using TOEUpdateErrorEvent = std::function<void(TCustomOEDataSet& dataSet, EODBC& e,
                                               db::TUpdateKind kind, bool& raiseError)>;
using TOERefreshEvent = std::function<void(TCustomOEDataSet& sender)>;

// The options of a data set's statement (published as hStmt). Each reads and writes the
// statement's option of that name; the data set adds its rules (see the setters).
class TDataSetHstmt {
 public:
  explicit TDataSetHstmt(TCustomOEDataSet& dataSet) : ds_(dataSet) {}

  // These terminate the statement first (closing the data set).
  SQLUINTEGER ConcurrencyType() const;
  void SetConcurrencyType(SQLUINTEGER value);
  SQLUINTEGER CursorType() const;
  void SetCursorType(SQLUINTEGER value);
  SQLUINTEGER RowSetSize() const;
  void SetRowSetSize(SQLUINTEGER value);  // above 1 turns Cached on
  bool BindBookmarks() const;
  void SetBindBookmarks(bool value);
  // A value that leaves the statement's flag false turns Cached off.
  bool SkipByPosition() const;
  void SetSkipByPosition(bool value);
  bool SkipByCursor() const;
  void SetSkipByCursor(bool value);
  // Stored without terminating.
  SQLINTEGER BlobSize() const;
  void SetBlobSize(SQLINTEGER value);
  bool BlobDeferral() const;
  void SetBlobDeferral(bool value);
  TBlobPlacement BlobPlacement() const;
  void SetBlobPlacement(TBlobPlacement value);
  bool ExecAsync() const;
  void SetExecAsync(bool value);
  TEmptyToNull EmptyStringToNull() const;
  void SetEmptyStringToNull(TEmptyToNull value);
  TStringTrimming StringTrimming() const;
  void SetStringTrimming(TStringTrimming value);
  bool BindByName() const;
  void SetBindByName(bool value);
  TRowCountMethod RowCountMethod() const;
  void SetRowCountMethod(TRowCountMethod value);
  TNoRowsAffected NoRowsAffected() const;
  void SetNoRowsAffected(TNoRowsAffected value);
  // The update target and its stored form (five texts).
  TTarget& Target();
  std::vector<std::string> TargetTexts() const;
  void SetTargetTexts(const std::vector<std::string>& texts);

 private:
  TCustomOEDataSet& ds_;
};

class TCustomOEDataSet : public db::TDataSet {
 public:
  explicit TCustomOEDataSet(TComponent* owner = nullptr, std::string name = {});
  ~TCustomOEDataSet() override;
  const char* ClassName() const override { return "TCustomOEDataSet"; }

  // --- the statement and its options
  THstmt& Hstmt() { return *stmt_; }
  const THstmt& Hstmt() const { return *stmt_; }
  TDataSetHstmt& hStmt() { return options_; }
  THdbc* hDbc() const { return stmt_->hDbc(); }
  // Terminates the statement (closing the data set) and hands it the connection.
  void SethDbc(THdbc* value);

  // --- what runs: a table, a stored procedure or the SQL text (in that order)
  const std::string& SQLText() const { return sql_; }
  // Terminates, stores the text (clearing table and procedure), unprepares.
  void SetSQLText(const std::string& text);
  const std::string& TableName() const { return tableName_; }
  void SetTableName(const std::string& name);
  const std::string& StoredProcName() const { return storedProcName_; }
  void SetStoredProcName(const std::string& name);

  // --- properties with rules of their own
  bool Editable() const { return editable_; }
  void SetEditable(bool value);
  bool RequestLive() const;
  void SetRequestLive(bool value);
  bool UniDirectional() const;
  void SetUniDirectional(bool value);
  bool CacheBlobs() const { return !stmt_->BlobDeferral(); }
  void SetCacheBlobs(bool value) { stmt_->SetBlobDeferral(!value); }
  TParamBindMode ParamBindMode() const;
  void SetParamBindMode(TParamBindMode value);
  bool Cached() const { return cached_; }
  void SetCached(bool value);
  bool CachedUpdates() const { return cachedUpdates_; }
  void SetCachedUpdates(bool value);
  bool EmptyFieldToNull = false;
  bool ParamCheck = true;
  TOELocateOption LocateOption = TOELocateOption::loPrefix;
  bool LocateInsert = false;
  TOEParams& Params() { return params_; }
  // The master data source; EQuarnel "Circular Reference to DataSource" when it is this
  // data set's own or follows this data set.
  void SetDataSource(db::TDataSource* source);
  db::TDataSource* GetDataSource() const override { return masterLink_.DataSource(); }
  TOEUpdateObject* UpdateObject() const { return updateObject_; }
  // Attaching detaches the object from any other data set it served.
  void SetUpdateObject(TOEUpdateObject* object);

  TOEUpdateRecordEvent OnUpdateRecord;
  TOEUpdateErrorEvent OnUpdateError;
  TOERefreshEvent OnRefreshRecord;

  // --- public operations
  // Prepares the statement once (not while loading). EQuarnel "SQL-, Table- or
  // StoredProc-Property must be set." when there is nothing to run.
  void Prepare();
  bool Prepared() const { return prepared_; }
  // Binds the parameters, executes, copies output parameters back.
  void ExecSQL();
  // Closes and reopens with the controls disabled.
  void RefreshResults();
  // RefreshResults when a master is set whose data set is open and not in set-key state.
  void RefreshParams();
  // Fetches every row into the record cache (Cached).
  void FetchAll();
  bool MoveAbsolute(int32_t n);
  // Copies into each parameter the value of the master field of the same name.
  void SetParamsFromCursor();
  // With CachedUpdates: writes every modified, inserted and deleted cached record.
  void ApplyUpdates();

  // --- framework overrides used from outside
  bool Locate(const std::string& keyFields, const db::TVariant& keyValues,
              db::TLocateOptions options) override;
  db::TVariant Lookup(const std::string& keyFields, const db::TVariant& keyValues,
                      const std::string& resultFields) override;
  int RecordCount() override;
  int RecNo() override;
  void SetRecNo(int value) override;
  bool IsSequenced() override { return false; }
  void SetBlockReadSize(int value) override;
  void SetFiltered(bool value) override;
  void SetOnFilterRecord(TFilterRecordEvent handler) override;
  bool BookmarkValid(const db::TBookmark& bookmark) override { return !bookmark.empty(); }
  int CompareBookmarks(const db::TBookmark& a, const db::TBookmark& b) override;
  std::unique_ptr<db::TStream> CreateBlobStream(db::TField& field,
                                                db::TBlobStreamMode mode) override;
  db::TUpdateStatus UpdateStatus() override;

 protected:
  // One record: its bytes (column slots, record info, calculated fields), a memory
  // stream per long-data column and the row's bookmark (empty: none).
  class TOERecord : public db::TRecordBuffer {
   public:
    TOERecord(size_t size, size_t streams);
    std::vector<std::unique_ptr<db::TMemoryStream>> Streams;
    db::TBookmark Bookmark;
    void CopyFrom(const TOERecord& other);
  };
  // Column slot of the record layout.
  struct TSlot {
    int Offset = 0;
    int DataSize = 0;  // bytes before the indicator
    db::TFieldType Type = db::TFieldType::ftUnknown;
    bool Long = false;  // held in a stream; the slot keeps the stream's index
    int Stream = -1;
  };
  // Record info, at recInfoOffset_ of each record.
  struct TRecInfo {
    uint32_t BookmarkRef;  // the bookmark lives in TOERecord::Bookmark
    uint8_t BookmarkFlag;
    uint8_t UpdateStatus;
    int32_t CachePos;  // where a cached delete came from, -1 when none
  } __attribute__((packed));
  static_assert(sizeof(TRecInfo) == 10);

  // --- new virtual operations
  virtual bool DoInsert(TComponent* sender, const std::string& msg);
  virtual bool DoUpdate(TComponent* sender, const std::string& msg);
  virtual bool DoDelete(TComponent* sender, const std::string& msg);
  virtual bool DoRefresh(TComponent* sender, const std::string& msg);
  virtual int32_t DoRowCount(TComponent* sender);
  virtual void DoUpdateRecord(db::TUpdateKind kind, bool& applyUpdate);
  virtual void DoUpdateError(EODBC& e, db::TUpdateKind kind, bool& raiseError);
  virtual std::unique_ptr<THstmt> CreateHstmt();

  // --- fetch steps (the statement's, or the record cache's with Cached)
  bool FetchFirst();
  bool FetchNext();
  bool FetchLast();
  bool FetchPrev();
  bool FetchAbsolute(int32_t n);
  bool FetchBookmark(const db::TBookmark& bookmark);
  bool FetchCache(int16_t direction, int32_t n);
  void ToField(int col, int row, int& offset, TOERecord& buffer);
  void FromField(int col, const TOERecord& buffer, bool forInsert, int& offset);
  TRecInfo& GetRecInfo(db::TRecordBuffer& buffer);
  const TRecInfo& GetRecInfo(const db::TRecordBuffer& buffer) const;

  // --- framework overrides
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void ClearCalcFields(db::TRecordBuffer& buffer) override;
  void DoAfterCancel() override;
  void DoAfterDelete() override;
  void DoAfterPost() override;
  void DoBeforeDelete() override;
  void DoBeforeEdit() override;
  bool FindRecord(bool restart, bool goForward) override;
  bool GetCanModify() override { return editable_; }
  void InternalRefresh() override;
  db::TRecordBufferPtr AllocRecordBuffer() override;
  db::TBookmark GetBookmarkData(const db::TRecordBuffer& buffer) override;
  db::TBookmarkFlag GetBookmarkFlag(const db::TRecordBuffer& buffer) override;
  db::TGetResult GetRecord(db::TRecordBuffer* buffer, db::TGetMode mode) override;
  int GetRecordSize() override { return recInfoOffset_; }
  void InternalAddRecord(TOERecord& record, bool append);
  void InternalClose() override;
  void InternalDelete() override;
  void InternalFirst() override;
  void InternalGotoBookmark(const db::TBookmark& bookmark) override;
  void InternalHandleException(std::exception_ptr e) override;
  void InternalInitFieldDefs() override;
  void InternalInitRecord(db::TRecordBuffer& buffer) override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalPost() override;
  void InternalSetToRecord(db::TRecordBuffer& buffer) override;
  bool IsCursorOpen() override { return cursorOpen_; }
  void SetBookmarkFlag(db::TRecordBuffer& buffer, db::TBookmarkFlag flag) override;
  void SetBookmarkData(db::TRecordBuffer& buffer, const db::TBookmark& bookmark) override;
  void SetFieldData(db::TField& field, const void* buffer) override;
  bool GetFieldData(const db::TField& field, void* buffer) override;

  // Terminates the statement (the data set closes through OnTerminate).
  void TerminateStatement();
  const std::vector<TSlot>& Slots() const { return slots_; }

 private:
  friend class TDataSetHstmt;
  friend class TOEDataLink;
  friend class TOEBlobStream;

  enum class TFieldSource { Normal, Locate, Applying };

  void StatementTerminated();
  void AfterTextChange();
  void CreateParams();
  void BindParams();
  void CopyParamsIn();
  void CopyParamsOut();
  void ComputeLayout();
  TOERecord* FieldBuffer();
  TOERecord& Rec(db::TRecordBuffer& b) { return static_cast<TOERecord&>(b); }
  // The bookmark of the row under the cursor; valid until the next move.
  const db::TBookmark& RowBookmark();
  bool Hidden(const db::TBookmark& bookmark);
  bool Accept(const db::TBookmark& bookmark);
  void ReadRow(TOERecord& buffer, const db::TBookmark& bookmark);
  TOERecord* FindChanged(const db::TBookmark& bookmark);
  bool IsDeleted(const db::TBookmark& bookmark) const;
  void FillCache(int32_t n);
  void GoToCache(int32_t n);
  TOERecord& CachedRecord();
  std::unique_ptr<TOERecord> NewRecord();
  bool LocateRecord(const std::string& keyFields, const db::TVariant& keyValues,
                    db::TLocateOptions options);
  bool KeyMatches(const db::TField& field, const db::TVariant& key,
                  db::TLocateOptions options) const;
  std::string_view TrimText(std::string_view text) const;
  void ApplyRecord(TOERecord& record, db::TUpdateKind kind);
  void UpdateRecords();
  void InsertRecords();
  void DeleteRecords();
  void ApplyCached(TOERecord& record, db::TUpdateKind kind);
  void RememberInsertKeys();
  bool StatementMayApply(db::TUpdateKind kind);
  void ResyncOnCursorRow();
  void BlobChanged(db::TField& field);
  void CheckCircular(db::TDataSource* source) const;

  std::unique_ptr<THstmt> stmt_;
  TDataSetHstmt options_;
  bool cursorOpen_ = false;
  std::string sql_, tableName_, storedProcName_;
  TOEDataLink masterLink_;
  TOEParams params_;
  std::vector<std::string> paramNames_;
  bool prepared_ = false;
  bool editable_ = false;
  bool paramsNeedRefresh_ = false;
  bool paramsBound_ = false;
  TOEUpdateObject* updateObject_ = nullptr;
  bool cached_ = false;
  bool cacheComplete_ = false;
  int32_t cachePos_ = 0;
  int32_t bookmarkCounter_ = 0;
  bool cachedUpdates_ = false;
  int pendingInserts_ = 0;
  bool finding_ = false;
  TFieldSource fieldSource_ = TFieldSource::Normal;
  // A located or found row without a bookmark is read from the statement, not copied
  // from the active record (see GetRecord).
  bool readCursorRow_ = false;
  bool terminating_ = false;
  // A scrollable cursor without bookmarks of its own: rows are known by their number,
  // counted from 1 at the start, or from -1 at the end after the last row was fetched
  // (the count is not known then); 0 before the start / after the end respectively.
  bool rowBookmarks_ = false;
  int32_t rowNo_ = 0;
  bool fromEnd_ = false;
  bool rowKnown_ = true;
  bool Track(bool got, int16_t direction, int32_t n);
  db::TBookmark rowBookmark_;  // RowBookmark's answer, reused row after row
  int recordSize_ = 0, calcOffset_ = 0, recInfoOffset_ = 0;
  std::vector<TSlot> slots_;
  size_t streamCount_ = 0;
  std::unique_ptr<TOERecord> filterBuffer_, oldBuffer_, locateBuffer_;
  TOERecord* applying_ = nullptr;
  int applyIndex_ = -1, applyCacheIndex_ = -1;
  std::vector<std::unique_ptr<TOERecord>> changed_, cache_;
  std::vector<db::TBookmark> deleted_;
  std::string insertKeyFields_;
  db::TVariant insertKeyValues_;
  bool locateAfterPost_ = false;
  TTarget target_;
};

}  // namespace prenos
