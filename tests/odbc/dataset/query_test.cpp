// The query data set on the real ledgers: the three lookup queries browsed both ways,
// empty results, Locate and Lookup, Cached, connection resets, table names, editing
// through the statement, filters.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ledger/ledger_fixture.h"
#include "odbc/dataset/datalink.h"
#include "odbc/dataset/oequery.h"
#include "platform/codepage.h"
#include "platform/datetime.h"

using namespace prenos;
using prenos::testing::TestLedger;

namespace {

// Counts the notifications a grid would get.
class TGridLink : public db::TDataLink {
 public:
  int changes = 0;

 protected:
  void DataSetChanged() override { ++changes; }
};

class DataSetQuery : public ::testing::Test {
 protected:
  DataSetQuery() {
    ledger.LoadSample();
    db.SetDataSource("MSStelvar");
    db.SetUserName(ledger.UserName());
    db.SetPassword(ledger.Password());
  }

  // A lookup data set as the main window stores it.
  void AsLookup(TwwOEDataSet& ds, std::vector<std::string> lines) {
    ds.SethDbc(&db);
    ds.hStmt().SetConcurrencyType(4);
    ds.hStmt().SetTargetTexts({"OE5.05", "", "", "", ""});
    ds.SetRequestLive(true);
    ds.SetEditable(true);
    ds.SetSQL(std::move(lines));
  }

  // The first column of a query run outside ODBC.
  std::vector<std::string> Column(const std::string& sql) {
    std::vector<std::string> out;
    for (const auto& row : ledger.Query(sql)) out.push_back(row.at(0));
    return out;
  }

  // The texts of a field from the current record to the end.
  static std::vector<std::string> WalkForward(db::TDataSet& ds, const std::string& field) {
    std::vector<std::string> out;
    for (; !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName(field).AsString());
    return out;
  }
  static std::vector<std::string> WalkBack(db::TDataSet& ds, const std::string& field) {
    std::vector<std::string> out;
    for (ds.Last(); !ds.Bof(); ds.Prior()) out.push_back(ds.FieldByName(field).AsString());
    return out;
  }

  TestLedger ledger;
  THdbc db{nullptr, "Database"};
};

std::vector<std::string> Reversed(std::vector<std::string> v) {
  std::reverse(v.begin(), v.end());
  return v;
}

}  // namespace

TEST_F(DataSetQuery, TheThreeLookupQueriesBrowseForwardAndBack) {
  TwwOEDataSet posl(nullptr, "tbLookPoslDog"), oddel(nullptr, "tbLookZaposlen"),
      teme(nullptr, "tbTemeStev");
  AsLookup(posl, {"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ", "ORDER BY POSLDOG "});
  AsLookup(oddel, {"SELECT * FROM ODDEL ", "ORDER BY USERID "});
  AsLookup(teme, {"SELECT * FROM Teme ", "ORDER BY KLJUC "});
  EXPECT_EQ(posl.SQLText(),
            "SELECT * FROM PoslDog \r\nWHERE Vrsta = 'K' \r\nORDER BY POSLDOG \r\n");
  EXPECT_FALSE(posl.Active());
  EXPECT_FALSE(posl.Prepared());

  const auto codes = Column("SELECT PoslDog FROM PoslDog WHERE Vrsta = 'K' ORDER BY PoslDog");
  ASSERT_GE(codes.size(), 3u);
  posl.Open();
  EXPECT_TRUE(posl.Active());
  EXPECT_TRUE(posl.Prepared());
  EXPECT_TRUE(posl.Bof());
  ASSERT_EQ(posl.FieldCount(), 4);
  db::TField& naziv = posl.FieldByName("NAZIV");
  EXPECT_EQ(naziv.DataType(), db::TFieldType::ftString);
  EXPECT_EQ(naziv.Size(), 40);
  EXPECT_EQ(naziv.DisplayWidth(), 40);
  EXPECT_EQ(WalkForward(posl, "POSLDOG"), codes);
  EXPECT_TRUE(posl.Eof());
  EXPECT_EQ(WalkBack(posl, "posldog"), Reversed(codes));
  EXPECT_TRUE(posl.Bof());
  // Walked past the end, one step back is the row before the last.
  posl.First();
  WalkForward(posl, "PoslDog");
  posl.Prior();
  EXPECT_EQ(posl.FieldByName("PoslDog").AsString(), codes[codes.size() - 2]);
  // Names and their Slovenian letters arrive as stored.
  posl.First();
  EXPECT_EQ(naziv.AsString(),
            ledger.Scalar("SELECT Naziv FROM PoslDog WHERE PoslDog = '" + codes[0] + "'"));

  const auto users = Column("SELECT UserID FROM ODDEL ORDER BY UserID");
  oddel.Open();
  EXPECT_EQ(WalkForward(oddel, "UserID"), users);
  EXPECT_EQ(WalkBack(oddel, "USERID"), Reversed(users));
  oddel.First();
  oddel.MoveBy(2);
  EXPECT_EQ(oddel.FieldByName("Delavec").AsString(),
            ledger.Scalar("SELECT Delavec FROM ODDEL WHERE UserID = '" + users[2] + "'"));
  // The scrollable cursor's own bookmarks lead back to a row.
  const db::TBookmark third = oddel.GetBookmark();
  ASSERT_FALSE(third.empty());
  oddel.Last();
  oddel.GotoBookmark(third);
  EXPECT_EQ(oddel.FieldByName("UserID").AsString(), users[2]);
  oddel.Next();
  EXPECT_EQ(oddel.FieldByName("UserID").AsString(), users[3]);

  // The journal list through a grid's window of eight rows.
  const auto keys = Column("SELECT Kljuc FROM Teme ORDER BY Kljuc");
  db::TDataSource source;
  source.SetDataSet(&teme);
  TGridLink grid;
  grid.SetBufferCount(8);
  grid.SetDataSource(&source);
  teme.Open();
  EXPECT_TRUE(grid.Active());
  EXPECT_EQ(grid.RecordCount(), static_cast<int>(std::min<size_t>(keys.size(), 8)));
  EXPECT_EQ(WalkForward(teme, "KLJUC"), keys);
  EXPECT_EQ(WalkBack(teme, "KLJUC"), Reversed(keys));
  teme.First();
  db::TField& datum = teme.FieldByName("DATUM");
  EXPECT_EQ(datum.DataType(), db::TFieldType::ftDateTime);
  const std::string firstDate =
      ledger.Scalar("SELECT Datum FROM Teme WHERE Kljuc = '" + keys[0] + "'");
  int y = 0, m = 0, d = 0;
  ASSERT_EQ(std::sscanf(firstDate.c_str(), "%d-%d-%d", &y, &m, &d), 3) << firstDate;
  EXPECT_DOUBLE_EQ(datum.AsDateTime(), EncodeDate(y, m, d));
  EXPECT_GT(grid.changes, 0);
}

TEST_F(DataSetQuery, EmptyResultOpensWithItsFieldsAndFindsNothing) {
  TwwOEDataSet ds(nullptr, "tbLookPoslDog");
  AsLookup(ds, {"SELECT * FROM PoslDog ", "WHERE Vrsta = 'X' "});
  int fetches = 0;
  ds.Hstmt().BeforeFetch = [&](TComponent*) { ++fetches; };
  ds.Open();
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.FieldCount(), 4);
  EXPECT_NE(ds.FindField("Vrsta"), nullptr);
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof());
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.FieldByName("Naziv").IsNull());
  const int before = fetches;
  EXPECT_FALSE(ds.Locate("PoslDog", "10", {}));
  EXPECT_EQ(fetches, before);  // answered without fetching
  EXPECT_TRUE(ds.Lookup("PoslDog", "10", "Naziv").IsNull());
  EXPECT_EQ(ds.MoveBy(1), 0);
  EXPECT_TRUE(ds.MoveAbsolute(3));
}

TEST_F(DataSetQuery, LocateAndLookupFollowEveryMatchingRule) {
  ledger.Exec("CREATE TABLE LocT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20), N integer)");
  ledger.Exec(
      "INSERT INTO LocT VALUES (1, 'XABC', 5);\nINSERT INTO LocT VALUES (2, 'ABC  ', NULL);\n"
      "INSERT INTO LocT VALUES (3, NULL, 7);\nINSERT INTO LocT VALUES (4, 'abd', 9);\n");
  TOEQuery ds(nullptr, "qLoc");
  ds.SethDbc(&db);
  ds.SetSQL({"SELECT * FROM LocT ORDER BY Id"});
  ds.Open();
  db::TField& id = ds.FieldByName("Id");
  const db::TLocateOptions prefix{true, true};
  auto at = [&](const std::string& fields, const db::TVariant& key, db::TLocateOptions o) {
    return ds.Locate(fields, key, o) ? id.AsInteger() : -1;
  };
  // Case-insensitive partial key: a prefix of ABC (its trailing blanks trimmed) ...
  EXPECT_EQ(at("Naziv", "ab", prefix), 2);
  // ... and with substrings XABC, the first row, matches too.
  ds.LocateOption = TOELocateOption::loSubString;
  EXPECT_EQ(at("Naziv", "ab", prefix), 1);
  ds.LocateOption = TOELocateOption::loPrefix;
  EXPECT_EQ(at("Naziv", "ab", {}), -1);  // whole and case-sensitive: no row
  EXPECT_EQ(at("Naziv", "abc", {true, false}), 2);
  EXPECT_EQ(at("Naziv", "abd", {}), 4);
  // An empty or NULL key finds the first NULL.
  EXPECT_EQ(at("Naziv", "", {}), 3);
  EXPECT_EQ(at("N", db::TVariant(), {}), 2);
  // Integer keys; a key that is no number finds nothing and raises nothing.
  EXPECT_EQ(at("N", "7", {}), 3);
  EXPECT_EQ(at("N", 9, {}), 4);
  EXPECT_EQ(at("N", "x7", {}), -1);
  EXPECT_EQ(at("n", "0", {}), -1);  // a NULL integer is not 0
  // Several key fields: all must match; a key of the wrong type matches nothing.
  EXPECT_EQ(at("Naziv;N", db::TVariant::Array({"abd", 9}), {}), 4);
  EXPECT_EQ(at("Naziv;N", db::TVariant::Array({"abd", 5}), {}), -1);
  EXPECT_EQ(at("Naziv;N", db::TVariant::Array({"abd", "zz"}), {}), -1);
  EXPECT_THROW(ds.Locate("Nope", 1, {}), EDatabaseError);

  // The cursor stays on the row found: browsing goes on from there, both ways.
  ASSERT_TRUE(ds.Locate("Id", 2, {}));
  ds.Next();
  EXPECT_EQ(id.AsInteger(), 3);
  ds.Prior();
  ds.Prior();
  EXPECT_EQ(id.AsInteger(), 1);

  // Lookup answers values of the row found and leaves the current record alone.
  ASSERT_TRUE(ds.Locate("Id", 3, {}));
  EXPECT_EQ(ds.Lookup("Id", 4, "Naziv").AsString(), "abd");
  const db::TVariant both = ds.Lookup("Id", 2, "Naziv;N");
  ASSERT_TRUE(both.IsArray());
  ASSERT_EQ(both.Elements().size(), 2u);
  EXPECT_EQ(both.Elements()[0].AsString(), "ABC");
  EXPECT_TRUE(both.Elements()[1].IsNull());
  EXPECT_TRUE(ds.Lookup("Id", 99, "Naziv").IsNull());
  EXPECT_EQ(id.AsInteger(), 3);
}

TEST_F(DataSetQuery, ForwardOnlyCursorRefusesToGoBackWithoutCache) {
  TOEQuery ds(nullptr, "qFwd");
  ds.SethDbc(&db);
  ds.SetSQL({"SELECT * FROM ODDEL ORDER BY UserID"});
  ds.SetUniDirectional(true);
  EXPECT_TRUE(ds.UniDirectional());
  EXPECT_EQ(ds.hStmt().CursorType(), 0u);
  int fetches = 0;
  ds.Hstmt().BeforeFetch = [&](TComponent*) { ++fetches; };
  ds.Open();
  const auto users = Column("SELECT UserID FROM ODDEL ORDER BY UserID");
  ds.Next();
  ASSERT_EQ(ds.FieldByName("UserID").AsString(), users[1]);
  const int before = fetches;
  EXPECT_EQ(ds.MoveBy(-1), 0);  // the error result: no move and no fetch
  EXPECT_EQ(fetches, before);
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.FieldByName("UserID").AsString(), users[1]);
  ds.Next();
  EXPECT_EQ(ds.FieldByName("UserID").AsString(), users[2]);
  ds.SetUniDirectional(false);
  EXPECT_FALSE(ds.Active());  // changing the cursor type closes the data set
  EXPECT_EQ(ds.hStmt().CursorType(), 1u);
}

TEST_F(DataSetQuery, CachedRecordsGoToTheEndAndRefuseUnknownBookmarks) {
  TOEQuery ds(nullptr, "qCache");
  ds.SethDbc(&db);
  ds.SetSQL({"SELECT * FROM Teme ORDER BY Kljuc"});
  ds.SetCached(true);
  EXPECT_EQ(ds.hStmt().ConcurrencyType(), 1u);
  EXPECT_EQ(ds.hStmt().CursorType(), 0u);
  EXPECT_TRUE(ds.hStmt().SkipByPosition());
  EXPECT_TRUE(ds.hStmt().SkipByCursor());
  const auto keys = Column("SELECT Kljuc FROM Teme ORDER BY Kljuc");
  ds.Open();
  EXPECT_EQ(ds.RecNo(), 1);
  // Going to record -1 fills the whole cache and stands on the last record.
  EXPECT_TRUE(ds.MoveAbsolute(-1));
  EXPECT_EQ(ds.FieldByName("Kljuc").AsString(), keys.back());
  EXPECT_EQ(ds.RecNo(), static_cast<int>(keys.size()));
  // The cache browses back on a forward-only cursor.
  EXPECT_EQ(WalkBack(ds, "Kljuc"), Reversed(keys));
  ds.First();
  EXPECT_EQ(WalkForward(ds, "Kljuc"), keys);
  ds.SetRecNo(2);
  EXPECT_EQ(ds.FieldByName("Kljuc").AsString(), keys[1]);
  const db::TBookmark second = ds.GetBookmark();
  ds.Last();
  ds.GotoBookmark(second);
  EXPECT_EQ(ds.FieldByName("Kljuc").AsString(), keys[1]);
  db::TBookmark unknown(4, '\0');
  unknown[0] = 99;
  try {
    ds.GotoBookmark(unknown);
    FAIL() << "no exception";
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Bookmark not found in cache.");
  }
  ds.hStmt().SetRowCountMethod(TRowCountMethod::rcCustom);
  EXPECT_EQ(ds.RecordCount(), static_cast<int>(keys.size()));

  // Turning the cache off makes the cursor scrollable and updatable again.
  ds.SetCached(false);
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.hStmt().ConcurrencyType(), 4u);
  EXPECT_EQ(ds.hStmt().CursorType(), 1u);
  ds.hStmt().SetRowSetSize(5);  // a rowset needs the cache
  EXPECT_TRUE(ds.Cached());
  ds.Open();
  EXPECT_EQ(WalkForward(ds, "Kljuc"), keys);
  ds.hStmt().SetSkipByCursor(false);
  EXPECT_FALSE(ds.Cached());
}

TEST_F(DataSetQuery, ConnectionResetClosesAndTheNextOpenPreparesAgain) {
  TwwOEDataSet ds(nullptr, "tbLookZaposlen");
  AsLookup(ds, {"SELECT * FROM ODDEL ", "ORDER BY USERID "});
  int prepares = 0;
  ds.Hstmt().BeforePrepare = [&](TComponent*) { ++prepares; };
  ds.Open();
  ds.Next();
  EXPECT_EQ(prepares, 1);
  ds.Close();
  ds.Open();  // closing keeps the statement prepared
  EXPECT_EQ(prepares, 1);
  EXPECT_TRUE(ds.Active());

  db.SetConnected(false);
  EXPECT_FALSE(ds.Active());
  EXPECT_FALSE(ds.Prepared());
  db.SetUserName(ledger.UserName());
  db.SetPassword(ledger.Password());
  db.SetConnected(true);
  ds.Open();
  EXPECT_EQ(prepares, 2);
  EXPECT_TRUE(ds.Prepared());
  EXPECT_EQ(ds.FieldByName("UserID").AsString(),
            Column("SELECT UserID FROM ODDEL ORDER BY UserID")[0]);

  // New SQL lines close the data set too; a rewritten search opens from its value.
  ds.SetSQL({"SELECT * FROM ODDEL WHERE USERID >= '05' ORDER BY USERID"});
  EXPECT_FALSE(ds.Active());
  ds.Open();
  EXPECT_EQ(ds.FieldByName("UserID").AsString(), "05");
  EXPECT_EQ(prepares, 3);
}

TEST_F(DataSetQuery, TableNamesWithABlankAndWithASchema) {
  ledger.Exec(
      "CREATE TABLE \"Posl Dog\" (Koda varchar(5));\nINSERT INTO \"Posl Dog\" VALUES ('A1');\n");
  TOEQuery ds(nullptr, "qTable");
  ds.SethDbc(&db);
  ds.SetTableName("Posl Dog");
  ds.Open();
  EXPECT_EQ(ds.Hstmt().SQL(), "SELECT * FROM \"Posl Dog\"");
  EXPECT_EQ(ds.FieldByName("Koda").AsString(), "A1");

  std::string schema = "main";
  if (ledger.IsPostgres()) {
    ledger.Exec(
        "CREATE SCHEMA knj;\nCREATE TABLE knj.Vrste (Koda varchar(5));\nINSERT INTO knj.Vrste "
        "VALUES ('S1');\n");
    schema = "knj";
  } else {
    ledger.Exec("CREATE TABLE Vrste (Koda varchar(5));\nINSERT INTO Vrste VALUES ('S1');\n");
  }
  ds.SetTableName(schema + ".Vrste");
  EXPECT_FALSE(ds.Active());
  ds.Open();
  EXPECT_EQ(ds.Hstmt().SQL(), "SELECT * FROM " + schema + ".Vrste");
  EXPECT_EQ(ds.FieldByName("Koda").AsString(), "S1");

  // With nothing to run, opening fails and leaves the data set closed.
  TOEQuery none(nullptr, "qNone");
  none.SethDbc(&db);
  try {
    none.Open();
    FAIL() << "no exception";
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "SQL-, Table- or StoredProc-Property must be set.");
  }
  EXPECT_FALSE(none.Active());
  // A failing statement leaves it closed as well, with the driver's diagnostics.
  none.SetSQL({"SELECT * FROM NoSuchTable"});
  EXPECT_THROW(none.Open(), EODBC);
  EXPECT_FALSE(none.Active());
}

TEST_F(DataSetQuery, DatabaseNameNamesTheConnectionComponent) {
  TComponent window(nullptr, "MainWindow");
  TwwOEDataSet lonely(&window, "tbLookPoslDog");
  EXPECT_EQ(lonely.DatabaseName(), "");
  lonely.SetDatabaseName("Database");  // the window holds no connection: nothing changes
  EXPECT_EQ(lonely.DatabaseName(), "");
  EXPECT_EQ(lonely.hDbc(), nullptr);
  lonely.SethDbc(&db);
  EXPECT_EQ(lonely.DatabaseName(), "Database");

  // A connection among the owner's components is found by name, and a data set made
  // after it takes it at once.
  TComponent module(nullptr, "DataModule");
  THdbc local(&module, "Local");
  TwwOEDataSet mine(&module, "tbMine");
  EXPECT_EQ(mine.hDbc(), &local);
  mine.SethDbc(&db);
  mine.SetDatabaseName("local");
  EXPECT_EQ(mine.DatabaseName(), "Local");

  // Circular master links are refused.
  db::TDataSource own;
  own.SetDataSet(&mine);
  try {
    mine.SetDataSource(&own);
    FAIL() << "no exception";
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Circular Reference to DataSource");
  }
  TwwOEDataSet detail(nullptr, "tbDetail");
  detail.SetDataSource(&own);
  db::TDataSource detailSource;
  detailSource.SetDataSet(&detail);
  EXPECT_THROW(mine.SetDataSource(&detailSource), EQuarnel);
  EXPECT_EQ(mine.GetDataSource(), nullptr);
}

TEST_F(DataSetQuery, FilterHandlerRejectsRowsAndFindRecordUsesIt) {
  TOEQuery ds(nullptr, "qFilter");
  ds.SethDbc(&db);
  ds.SetSQL({"SELECT * FROM PoslDog ORDER BY PoslDog"});
  ds.Open();
  const auto others = Column("SELECT PoslDog FROM PoslDog WHERE Vrsta <> 'K' ORDER BY PoslDog");
  const auto all = Column("SELECT PoslDog FROM PoslDog ORDER BY PoslDog");
  ASSERT_FALSE(others.empty());
  ds.SetOnFilterRecord(
      [](db::TDataSet& d, bool& accept) { accept = d.FieldByName("Vrsta").AsString() != "K"; });
  EXPECT_EQ(WalkForward(ds, "PoslDog"), all);  // not filtered yet
  ds.SetFiltered(true);
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(WalkForward(ds, "PoslDog"), others);
  EXPECT_EQ(WalkBack(ds, "PoslDog"), Reversed(others));
  // A handler that fails lets the row pass; the failure goes to the exception hook.
  int failures = 0;
  ds.OnHandleException = [&](std::exception_ptr) { ++failures; };
  ds.SetOnFilterRecord([](db::TDataSet&, bool&) { throw EConvertError("broken filter"); });
  EXPECT_EQ(WalkForward(ds, "PoslDog"), all);
  EXPECT_GT(failures, 0);

  // FindFirst / FindNext go through the handler even unfiltered.
  ds.SetFiltered(false);
  ds.SetOnFilterRecord(
      [](db::TDataSet& d, bool& accept) { accept = d.FieldByName("Vrsta").AsString() == "B"; });
  const auto b = Column("SELECT PoslDog FROM PoslDog WHERE Vrsta = 'B' ORDER BY PoslDog");
  ASSERT_GE(b.size(), 2u);
  ASSERT_TRUE(ds.FindFirst());
  EXPECT_TRUE(ds.Found());
  EXPECT_EQ(ds.FieldByName("PoslDog").AsString(), b[0]);
  ASSERT_TRUE(ds.FindNext());
  EXPECT_EQ(ds.FieldByName("PoslDog").AsString(), b[1]);
  if (b.size() == 2) {
    EXPECT_FALSE(ds.FindNext());
  }
  ASSERT_TRUE(ds.FindLast());
  EXPECT_EQ(ds.FieldByName("PoslDog").AsString(), b.back());
}

TEST_F(DataSetQuery, StoredTargetAndPropertyRules) {
  TTarget t;
  t.Load({"OE5.05", "TemePoz", "Kljuc;Poz;", "Kljuc;Poz;Konto;", "Konto;tail"});
  EXPECT_EQ(t.TableName, "TemePoz");
  EXPECT_EQ(t.KeyColumns, (std::vector<std::string>{"Kljuc", "Poz"}));
  EXPECT_EQ(t.UpdateColumns,
            (std::vector<std::string>{"Konto"}));  // a piece after the last ";" is dropped
  EXPECT_EQ(t.Store(), (std::vector<std::string>{"OE5.05", "TemePoz", "Kljuc;Poz;",
                                                 "Kljuc;Poz;Konto;", "Konto;"}));
  t.Load({"OE5.02", "Teme", "Kljuc;", "Kljuc;Datum;"});
  EXPECT_EQ(t.UpdateColumns,
            (std::vector<std::string>{"Kljuc", "Datum"}));  // old streams: from the insert list

  TOEQuery ds(nullptr, "qProps");
  EXPECT_EQ(ds.hStmt().ConcurrencyType(), 1u);
  EXPECT_EQ(ds.hStmt().CursorType(), 1u);
  EXPECT_FALSE(ds.RequestLive());
  EXPECT_FALSE(ds.Editable());
  EXPECT_TRUE(ds.CacheBlobs());
  EXPECT_EQ(ds.ParamBindMode(), TParamBindMode::pbByNumber);
  ds.SetEditable(true);
  EXPECT_EQ(ds.hStmt().ConcurrencyType(), 4u);
  ds.SetRequestLive(false);
  EXPECT_EQ(ds.hStmt().ConcurrencyType(), 1u);
  EXPECT_FALSE(ds.Editable());
  ds.SetRequestLive(true);
  EXPECT_TRUE(ds.RequestLive());
  EXPECT_TRUE(ds.Editable());
  ds.SetCachedUpdates(true);
  EXPECT_TRUE(ds.Cached());
  ds.SetCached(false);
  EXPECT_FALSE(ds.CachedUpdates());
  ds.SetCacheBlobs(false);
  EXPECT_TRUE(ds.hStmt().BlobDeferral());
  ds.SetParamBindMode(TParamBindMode::pbByName);
  EXPECT_TRUE(ds.hStmt().BindByName());
}

TEST_F(DataSetQuery, EditsAndInsertsArePostedThroughTheStatement) {
  ledger.Exec(
      "CREATE TABLE EdT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20), Znesek "
      "numeric(10,2))");
  ledger.Exec(
      "INSERT INTO EdT VALUES (1, 'ena', 1.5);\nINSERT INTO EdT VALUES (2, 'dva', NULL);\n");
  TwwOEDataSet ds(nullptr, "tbEdit");
  AsLookup(ds, {"SELECT * FROM EdT ORDER BY Id"});
  std::vector<db::TUpdateKind> kinds;
  ds.OnUpdateRecord = [&](TCustomOEDataSet&, db::TUpdateKind kind, bool&) {
    kinds.push_back(kind);
  };
  ds.Open();
  ASSERT_TRUE(ds.CanModify());
  ASSERT_TRUE(ds.Locate("Id", 2, {}));
  ds.Edit();
  ds.FieldByName("Naziv").SetAsString("dve");
  ds.FieldByName("Znesek").SetAsFloat(7.25);
  ds.Post();
  EXPECT_EQ(ledger.Scalar("SELECT Naziv FROM EdT WHERE Id = 2"), "dve");
  EXPECT_DOUBLE_EQ(std::stod(ledger.Scalar("SELECT Znesek FROM EdT WHERE Id = 2")), 7.25);
  EXPECT_EQ(ledger.Scalar("SELECT Naziv FROM EdT WHERE Id = 1"), "ena");  // only that row
  EXPECT_EQ(ds.FieldByName("Naziv").AsString(), "dve");
  ds.First();
  ds.Next();
  EXPECT_EQ(ds.FieldByName("Naziv").AsString(), "dve");  // browsing shows the edit

  // An insert leaves out what was not given; the column stays NULL.
  ds.Append();
  ds.FieldByName("Id").SetAsInteger(3);
  ds.FieldByName("Naziv").SetAsString("tri");
  ds.Post();
  EXPECT_EQ(ledger.Scalar("SELECT Naziv FROM EdT WHERE Id = 3"), "tri");
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM EdT WHERE Id = 3 AND Znesek IS NULL"), "1");
  EXPECT_EQ(kinds,
            (std::vector<db::TUpdateKind>{db::TUpdateKind::ukModify, db::TUpdateKind::ukInsert}));

  // A handler that takes an edit over stops the statement from writing it.
  ds.OnUpdateRecord = [](TCustomOEDataSet&, db::TUpdateKind, bool& apply) { apply = false; };
  ds.First();
  ds.Edit();
  ds.FieldByName("Naziv").SetAsString("nic");
  ds.Post();
  EXPECT_EQ(ledger.Scalar("SELECT Naziv FROM EdT WHERE Id = 1"), "ena");
  ds.OnUpdateRecord = nullptr;

  // Outside an edit fields refuse values; a read-only data set refuses to edit.
  try {
    ds.FieldByName("Naziv").SetAsString("x");
    FAIL() << "no exception";
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "DataSet not in edit or insert mode.");
  }
  ds.SetEditable(false);
  ds.Open();
  EXPECT_THROW(ds.Edit(), EDatabaseError);

  // After a refresh the inserted row is listed; parameters select rows.
  TOEQuery q(nullptr, "qParams");
  q.SethDbc(&db);
  q.SetSQL({"SELECT * FROM EdT WHERE Id >= :lo ORDER BY Id"});
  q.Prepare();
  ASSERT_EQ(q.Params().Count(), 0);  // made when the statement first runs
  q.Close();
  q.SetSQL({"SELECT * FROM EdT WHERE Id >= :lo ORDER BY Id"});
  q.Params().Add("lo").Value = 2;
  q.Open();
  EXPECT_EQ(WalkForward(q, "Id"), (std::vector<std::string>{"2", "3"}));
  q.Params().ParamByName("lo").Value = 3;
  q.RefreshResults();
  EXPECT_EQ(WalkForward(q, "Naziv"), (std::vector<std::string>{"tri"}));
}
