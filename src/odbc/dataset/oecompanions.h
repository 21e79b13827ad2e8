// The companions of the query data set: its update target, its parameters, the link to
// a master data source, the optional external update handler and the stream over a
// record's long value.
#pragma once

#include <string>
#include <vector>

#include "odbc/dataset/datalink.h"
#include "odbc/dataset/dataset.h"
#include "odbc/dataset/stream.h"
#include "odbc/variant.h"

namespace prenos {

class THstmt;
class TCustomOEDataSet;

// The table and columns a data set's edits are written to. Stored as five texts: the
// marker "OE5.05", the table name, then the key, insert and update columns, each list
// written as its names each followed by ";".
class TTarget {
 public:
  std::string TableName;
  std::vector<std::string> KeyColumns, InsertColumns, UpdateColumns;

  bool Empty() const {
    return TableName.empty() && KeyColumns.empty() && InsertColumns.empty() &&
           UpdateColumns.empty();
  }
  void Clear() { *this = TTarget(); }
  std::vector<std::string> Store() const;
  // Reads a stored form. A marker lower than "OE5.03" means four texts: the update
  // columns are then the insert columns. Missing texts read as empty.
  void Load(const std::vector<std::string>& texts);
  // Hands the target to the statement for an insert (forInsert) or an update: the
  // table, the key columns marked primary, and every column outside a non-empty
  // insert / update list marked ignored so the generated statement leaves it out.
  void Apply(THstmt& stmt, bool forInsert) const;
};

enum class TOEParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// One parameter of the data set's statement, by name.
struct TOEParam {
  std::string Name;
  db::TFieldType DataType = db::TFieldType::ftUnknown;  // from the driver's description
  TOEParamType ParamType = TOEParamType::ptInput;
  db::TVariant Value;
  // The bytes bound to the statement (owned here, so the statement may keep pointing at
  // them between executions).
  std::vector<char> Bound;
  short BufferType = 0;
};

class TOEParams {
 public:
  int Count() const { return static_cast<int>(params_.size()); }
  TOEParam& operator[](int i) { return params_.at(static_cast<size_t>(i)); }
  // The parameter of that name (without regard to case); nullptr when none.
  TOEParam* FindParam(const std::string& name);
  // Raises EQuarnel "Parameter 'name' not found" when none.
  TOEParam& ParamByName(const std::string& name);
  TOEParam& Add(std::string name);
  void Clear() { params_.clear(); }
  // Frees the bound bytes of every parameter.
  void ReleaseBuffers();

 private:
  std::vector<TOEParam> params_;
};

// Follows the master data source of a data set: a master that opens or moves refreshes
// the detail's parameters; a master asked to check browse mode checks the detail's.
class TOEDataLink : public db::TDataLink {
 public:
  explicit TOEDataLink(TCustomOEDataSet& detail) : detail_(detail) {}

 protected:
  void ActiveChanged() override;
  void RecordChanged(db::TField* field) override;
  void CheckBrowseMode() override;

 private:
  TCustomOEDataSet& detail_;
};

// An external handler that writes a data set's edits itself (attached by UpdateObject).
class TOEUpdateObject {
 public:
  TOEUpdateObject() = default;
  virtual ~TOEUpdateObject();
  TOEUpdateObject(const TOEUpdateObject&) = delete;
  TOEUpdateObject& operator=(const TOEUpdateObject&) = delete;

  TCustomOEDataSet* DataSet() const { return dataSet_; }
  // Writes the data set's current record (the record being applied) for this kind.
  virtual void Apply(db::TUpdateKind kind) = 0;

 private:
  friend class TCustomOEDataSet;
  TCustomOEDataSet* dataSet_ = nullptr;
};

// A stream over the memory stream of a record's memo or blob value. Writing (allowed
// when opened for writing, which empties it) marks the value present and reports the
// field as changed.
class TOEBlobStream : public db::TStream {
 public:
  TOEBlobStream(TCustomOEDataSet& dataSet, db::TField& field, db::TMemoryStream& stream,
                char* indicator, db::TBlobStreamMode mode);
  size_t Read(void* buffer, size_t count) override { return stream_.Read(buffer, count); }
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, db::TSeekOrigin origin) override {
    return stream_.Seek(offset, origin);
  }
  int64_t Size() const override { return stream_.Size(); }
  void SetSize(int64_t size) override;

 private:
  void Changed();
  TCustomOEDataSet& dataSet_;
  db::TField& field_;
  db::TMemoryStream& stream_;
  char* indicator_;
  db::TBlobStreamMode mode_;
};

}  // namespace prenos
