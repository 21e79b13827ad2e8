// The generic data set's ring, states, fields and links, driven by a small in-memory
// data set that stands in for a cursor.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "odbc/dataset/datalink.h"
#include "odbc/dataset/dataset.h"
#include "platform/exceptions.h"

using namespace prenos::db;

namespace {

// Rows of (ID integer, Name string of 20) behind a cursor index: -1 before the first,
// rows.size() after the last. Record layout: id (4) + indicator, name (21) + indicator,
// row index (4) as bookmark, bookmark flag; the calculated-fields area follows.
class TMemDataSet : public TDataSet {
 public:
  struct Row {
    int32_t id;
    std::string name;
  };
  std::vector<Row> rows;
  int cursor = -1;
  int fetches = 0;  // rows read by moving the cursor

  TMemDataSet() : TDataSet(nullptr, "mem") {}
  ~TMemDataSet() override { Close(); }

 protected:
  static constexpr int kName = 5, kBookmark = 27, kFlag = 31, kSize = 32;

  TRecordBufferPtr AllocRecordBuffer() override {
    return std::make_unique<TRecordBuffer>(kSize + CalcFieldsSize());
  }
  int GetRecordSize() override { return kSize; }
  void InternalInitRecord(TRecordBuffer& b) override { std::memset(b.Data(), 0, b.Size()); }
  void ClearCalcFields(TRecordBuffer& b) override {
    std::memset(b.Data() + kSize, 0, b.Size() - kSize);
  }

  TGetResult GetRecord(TRecordBuffer* b, TGetMode mode) override {
    const int n = static_cast<int>(rows.size());
    switch (mode) {
      case TGetMode::gmCurrent:
        if (cursor < 0 || cursor >= n) return TGetResult::grError;
        break;
      case TGetMode::gmNext:
        if (cursor < n) ++cursor;
        if (cursor >= n) return TGetResult::grEOF;
        ++fetches;
        break;
      case TGetMode::gmPrior:
        if (cursor >= 0) --cursor;
        if (cursor < 0) return TGetResult::grBOF;
        ++fetches;
        break;
    }
    if (!b) return TGetResult::grOK;
    InternalInitRecord(*b);
    const Row& r = rows[static_cast<size_t>(cursor)];
    std::memcpy(b->Data(), &r.id, 4);
    b->Data()[4] = 1;
    std::strncpy(b->Data() + kName, r.name.c_str(), 20);
    b->Data()[kName + 21] = 1;
    std::memcpy(b->Data() + kBookmark, &cursor, 4);
    b->Data()[kFlag] = static_cast<char>(TBookmarkFlag::bfCurrent);
    GetCalcFields(*b);
    return TGetResult::grOK;
  }

  TBookmark GetBookmarkData(const TRecordBuffer& b) override {
    return TBookmark(b.Data() + kBookmark, b.Data() + kBookmark + 4);
  }
  void SetBookmarkData(TRecordBuffer& b, const TBookmark& bm) override {
    if (bm.size() == 4) std::memcpy(b.Data() + kBookmark, bm.data(), 4);
  }
  TBookmarkFlag GetBookmarkFlag(const TRecordBuffer& b) override {
    return static_cast<TBookmarkFlag>(b.Data()[kFlag]);
  }
  void SetBookmarkFlag(TRecordBuffer& b, TBookmarkFlag f) override {
    b.Data()[kFlag] = static_cast<char>(f);
  }

  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    FieldDefs().Add("ID", TFieldType::ftInteger);
    FieldDefs().Add("Name", TFieldType::ftString, 20);
  }
  void InternalOpen() override {
    InternalInitFieldDefs();
    CreateAndBindFields();
    SetBookmarkSize(4);
    cursor = -1;
    open_ = true;
  }
  void InternalClose() override {
    open_ = false;
    DestroyDefaultFields();
  }
  bool IsCursorOpen() override { return open_; }
  void InternalFirst() override { cursor = -1; }
  void InternalLast() override { cursor = static_cast<int>(rows.size()); }
  void InternalGotoBookmark(const TBookmark& bm) override { std::memcpy(&cursor, bm.data(), 4); }
  void InternalSetToRecord(TRecordBuffer& b) override { InternalGotoBookmark(GetBookmarkData(b)); }

  void InternalPost() override {
    TRecordBuffer& b = ActiveBuffer();
    Row r;
    std::memcpy(&r.id, b.Data(), 4);
    r.name = b.Data() + kName;
    int at = 0;
    std::memcpy(&at, b.Data() + kBookmark, 4);
    if (State() == TDataSetState::dsEdit)
      rows[static_cast<size_t>(at)] = r;
    else if (GetBookmarkFlag(b) == TBookmarkFlag::bfEOF)
      rows.push_back(r);
    else
      rows.insert(rows.begin() + at, r);
  }
  void InternalDelete() override {
    int at = 0;
    std::memcpy(&at, ActiveBuffer().Data() + kBookmark, 4);
    rows.erase(rows.begin() + at);
    cursor = at;
  }

  TRecordBuffer* FieldBuffer() {
    if (State() == TDataSetState::dsCalcFields) return CalcBuffer();
    if (State() == TDataSetState::dsBrowse && IsEmpty()) return nullptr;
    return &ActiveBuffer();
  }
  bool GetFieldData(const TField& f, void* out) override {
    TRecordBuffer* b = State() == TDataSetState::dsInactive ? nullptr : FieldBuffer();
    if (!b) return false;
    const char* p = f.Calculated() ? b->Data() + kSize + f.Offset()
                                   : b->Data() + (f.FieldNo() == 1 ? 0 : kName);
    if (!p[f.DataSize()]) return false;
    if (out) std::memcpy(out, p, static_cast<size_t>(f.DataSize()));
    return true;
  }
  void SetFieldData(TField& f, const void* in) override {
    const TDataSetState s = State();
    if (s != TDataSetState::dsEdit && s != TDataSetState::dsInsert &&
        s != TDataSetState::dsCalcFields)
      throw prenos::EDatabaseError("DataSet not in edit or insert mode.");
    TRecordBuffer* b = FieldBuffer();
    char* p = f.Calculated() ? b->Data() + kSize + f.Offset()
                             : b->Data() + (f.FieldNo() == 1 ? 0 : kName);
    if (in) std::memcpy(p, in, static_cast<size_t>(f.DataSize()));
    p[f.DataSize()] = in ? 1 : 0;
    if (s != TDataSetState::dsCalcFields)
      DataEvent(TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(&f));
  }

 private:
  bool open_ = false;
};

// Counts what a control would see.
class TCountingLink : public TDataLink {
 public:
  int activeChanges = 0, dataChanges = 0, scrolls = 0;

 protected:
  void ActiveChanged() override { ++activeChanges; }
  void DataSetChanged() override { ++dataChanges; }
  void DataSetScrolled(int) override { ++scrolls; }
};

void Fill(TMemDataSet& ds, int n) {
  for (int i = 1; i <= n; ++i) ds.rows.push_back({i * 10, "row " + std::to_string(i)});
}

// The ids a link's window shows, read by moving its active record as a grid does.
std::vector<int> Window(TDataLink& link) {
  std::vector<int> ids;
  const int saved = link.ActiveRecord();
  for (int i = 0; i < link.RecordCount(); ++i) {
    link.SetActiveRecord(i);
    ids.push_back(link.DataSet()->FieldByName("id").AsInteger());
  }
  link.SetActiveRecord(saved);
  return ids;
}

}  // namespace

TEST(DataSetFramework, OpensWithFieldsFromDefinitionsAndTypedAccess) {
  TMemDataSet ds;
  ds.rows.push_back({7, "Ana"});
  ds.rows.push_back({-3, "12"});
  EXPECT_THROW(ds.FieldByName("ID"), prenos::EDatabaseError);  // no fields while closed
  ds.Open();
  ASSERT_TRUE(ds.Active());
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  ASSERT_EQ(ds.FieldCount(), 2);
  TField& id = ds.FieldByName("id");  // names without regard to case
  TField& name = ds.FieldByName("NAME");
  EXPECT_EQ(id.FieldNo(), 1);
  EXPECT_EQ(name.Size(), 20);
  EXPECT_EQ(name.DisplayWidth(), 20);
  EXPECT_EQ(name.DisplayLabel(), "Name");
  name.SetDisplayLabel("Naziv");
  EXPECT_EQ(name.DisplayLabel(), "Naziv");
  EXPECT_EQ(id.AsInteger(), 7);
  EXPECT_EQ(id.AsString(), "7");
  EXPECT_DOUBLE_EQ(id.AsFloat(), 7.0);
  EXPECT_TRUE(id.AsBoolean());
  EXPECT_EQ(name.AsString(), "Ana");
  EXPECT_FALSE(name.IsNull());
  EXPECT_THROW(name.AsInteger(), prenos::EConvertError);  // "Ana" is no number
  EXPECT_THROW(id.AsDateTime(), prenos::EConvertError);
  ds.Next();
  EXPECT_EQ(name.AsInteger(), 12);  // a text field that holds a number
  EXPECT_EQ(id.AsVariant().AsInteger(), -3);
  try {
    ds.FieldByName("Missing");
    FAIL() << "no exception";
  } catch (const prenos::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Missing' not found");
  }
  EXPECT_EQ(ds.FindField("missing"), nullptr);
  // Setting outside an editing state is refused and changes nothing.
  EXPECT_THROW(id.SetAsInteger(1), prenos::EDatabaseError);
  EXPECT_EQ(id.AsInteger(), -3);
  ds.Close();
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.FieldCount(), 0);  // default fields go with the cursor
}

TEST(DataSetFramework, BrowsesForwardAndBackThroughALinkWindow) {
  TMemDataSet ds;
  Fill(ds, 10);
  TDataSource source;
  source.SetDataSet(&ds);
  TCountingLink link;
  link.SetBufferCount(4);
  link.SetDataSource(&source);
  ds.Open();
  EXPECT_TRUE(link.Active());
  EXPECT_EQ(link.activeChanges, 1);
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.fetches, 4);  // the ring reads the link's window and no more
  EXPECT_EQ(Window(link), (std::vector<int>{10, 20, 30, 40}));
  EXPECT_EQ(link.ActiveRecord(), 0);

  EXPECT_EQ(ds.MoveBy(5), 5);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 60);
  EXPECT_EQ(link.ActiveRecord(), 3);  // the window scrolled so the current row is its last
  EXPECT_EQ(Window(link), (std::vector<int>{30, 40, 50, 60}));
  EXPECT_GT(link.scrolls, 0);

  EXPECT_EQ(ds.MoveBy(100), 4);  // stops at the last row
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 100);
  EXPECT_EQ(ds.MoveBy(1), 0);

  ds.Prior();
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 90);
  EXPECT_EQ(ds.MoveBy(-5), -5);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 40);
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_EQ(Window(link), (std::vector<int>{40, 50, 60, 70}));
  EXPECT_EQ(ds.MoveBy(-10), -3);
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 10);

  ds.Last();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 100);
  EXPECT_EQ(Window(link), (std::vector<int>{70, 80, 90, 100}));
  ds.First();
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(Window(link), (std::vector<int>{10, 20, 30, 40}));

  // Controls disabled see nothing until enabled, then one change.
  const int changes = link.dataChanges, scrolls = link.scrolls;
  ds.DisableControls();
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.MoveBy(3);
  ds.Next();
  EXPECT_EQ(link.dataChanges, changes);
  EXPECT_EQ(link.scrolls, scrolls);
  ds.EnableControls();
  EXPECT_EQ(link.dataChanges, changes + 1);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 50);

  ds.Close();
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.RecordCount(), 0);
}

TEST(DataSetFramework, EmptyDataSetAndBookmarks) {
  TMemDataSet ds;
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof());
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  EXPECT_EQ(ds.FieldByName("Name").AsString(), "");
  EXPECT_TRUE(ds.GetBookmark().empty());
  EXPECT_EQ(ds.MoveBy(1), 0);
  ds.Close();

  Fill(ds, 6);
  ds.Open();
  EXPECT_FALSE(ds.IsEmpty());
  ds.MoveBy(2);
  const TBookmark third = ds.GetBookmark();
  ASSERT_FALSE(third.empty());
  EXPECT_TRUE(ds.BookmarkValid(third));
  ds.Last();
  const TBookmark last = ds.GetBookmark();
  EXPECT_EQ(ds.CompareBookmarks(third, third), 0);
  EXPECT_EQ(ds.CompareBookmarks(third, last), -1);
  EXPECT_EQ(ds.CompareBookmarks(last, third), 1);
  EXPECT_EQ(ds.CompareBookmarks({}, {}), 0);
  EXPECT_EQ(ds.CompareBookmarks(third, {}), 1);
  ds.GotoBookmark(third);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 30);
  ds.Next();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 40);
}

TEST(DataSetFramework, EditInsertDeleteAndCheckBrowseMode) {
  TMemDataSet ds;
  Fill(ds, 3);
  TDataSource source;
  source.SetDataSet(&ds);
  TCountingLink link;
  link.SetBufferCount(3);
  link.SetDataSource(&source);
  ds.Open();
  ds.Next();
  ds.Edit();
  EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
  EXPECT_TRUE(link.Editing());
  EXPECT_FALSE(ds.Modified());
  ds.FieldByName("Name").SetAsString("a name longer than twenty characters");
  EXPECT_TRUE(ds.Modified());
  EXPECT_EQ(ds.FieldByName("Name").AsString(), "a name longer than t");  // cut to the size
  EXPECT_THROW(ds.FieldByName("ID").SetAsString("x1"), prenos::EConvertError);
  ds.Post();
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_FALSE(link.Editing());
  EXPECT_EQ(ds.rows[1].name, "a name longer than t");
  EXPECT_EQ(ds.FieldByName("Name").AsString(), "a name longer than t");

  // Cancel keeps the stored row.
  ds.Edit();
  ds.FieldByName("ID").SetAsInteger(99);
  ds.Cancel();
  EXPECT_EQ(ds.rows[1].id, 20);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 20);

  // Moving while editing posts a changed record and cancels an unchanged one.
  ds.Edit();
  ds.FieldByName("ID").SetAsInteger(21);
  ds.Next();
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(ds.rows[1].id, 21);
  ds.Edit();
  ds.Prior();
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 21);

  // Insert before the current row, starting empty.
  ds.Insert();
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  ds.FieldByName("ID").SetAsInteger(15);
  ds.FieldByName("Name").SetAsString("new");
  ds.Post();
  ASSERT_EQ(ds.rows.size(), 4u);
  EXPECT_EQ(ds.rows[1].id, 15);
  // Append after the last row.
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(40);
  ds.Post();
  ASSERT_EQ(ds.rows.size(), 5u);
  EXPECT_EQ(ds.rows.back().id, 40);

  // Delete removes the current row and shows the next.
  ds.First();
  ds.Next();
  ASSERT_EQ(ds.FieldByName("ID").AsInteger(), 15);
  ds.Delete();
  EXPECT_EQ(ds.rows.size(), 4u);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 21);
  EXPECT_THROW(ds.Post(), prenos::EDatabaseError);  // nothing to post
}

TEST(DataSetFramework, CalculatedFieldsAreComputedPerRecord) {
  TMemDataSet ds;
  Fill(ds, 3);
  TField& twice = ds.AddField("Twice", TFieldType::ftInteger, 0, TFieldKind::fkCalculated);
  ds.AddField("ID", TFieldType::ftInteger);
  EXPECT_THROW(ds.AddField("id", TFieldType::ftInteger), prenos::EDatabaseError);
  int calls = 0;
  ds.OnCalcFields = [&](TDataSet& d) {
    ++calls;
    d.FieldByName("Twice").SetAsInteger(d.FieldByName("ID").AsInteger() * 2);
  };
  ds.Open();
  EXPECT_EQ(ds.FieldCount(), 2);  // persistent fields only: Name is not shown
  EXPECT_EQ(ds.FindField("Name"), nullptr);
  EXPECT_EQ(twice.AsInteger(), 20);
  ds.Next();
  EXPECT_EQ(twice.AsInteger(), 40);
  EXPECT_GE(calls, 2);
  EXPECT_THROW(twice.SetAsInteger(1), prenos::EDatabaseError);  // only while computing
  ds.Edit();
  ds.FieldByName("ID").SetAsInteger(5);
  EXPECT_EQ(twice.AsInteger(), 10);  // recomputed as the record changes
  ds.Cancel();
  ds.Close();
  EXPECT_EQ(ds.FieldCount(), 2);  // persistent fields stay
}

// A data set destroyed while a data source and its links still point at it (members of a
// window die before its child controls) leaves the source empty and the link inactive.
TEST(DataSetFramework, DestroyingAnOpenDataSetDetachesItsSourcesSafely) {
  TDataSource source;
  TCountingLink link;
  link.SetBufferCount(4);
  link.SetDataSource(&source);
  {
    TMemDataSet ds;
    Fill(ds, 10);
    source.SetDataSet(&ds);
    ds.Open();
    ASSERT_TRUE(link.Active());
    ds.MoveBy(2);
  }
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
}
