// The query data set's writing side on the real ledgers: cached updates and their
// errors, locating an inserted row, long values through blob streams, procedure calls,
// a detail following its master, and picture masks checked before a post.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ledger/ledger_fixture.h"
#include "odbc/dataset/datalink.h"
#include "odbc/dataset/oequery.h"
#include "platform/codepage.h"

using namespace prenos;
using prenos::testing::TestLedger;

namespace {

// Counts what a data-aware control is told: field changes (with the field) and the
// record or data set changing as a whole.
class TCountingLink : public db::TDataLink {
 public:
  std::vector<db::TField*> fieldChanges;
  int wholeChanges = 0;

 protected:
  void RecordChanged(db::TField* field) override {
    if (field)
      fieldChanges.push_back(field);
    else
      ++wholeChanges;
  }
};

class DataSetUpdate : public ::testing::Test {
 protected:
  DataSetUpdate() {
    db.SetDataSource("MSStelvar");
    db.SetUserName(ledger.UserName());
    db.SetPassword(ledger.Password());
  }

  // An editable query over one SELECT.
  void Editable(TOEQuery& ds, const std::string& sql) {
    ds.SethDbc(&db);
    ds.SetSQL({sql});
    ds.SetRequestLive(true);
    ds.SetEditable(true);
  }

  // Rows of a table as "Id:Naziv" texts, read outside ODBC.
  std::vector<std::string> Rows(const std::string& table) {
    std::vector<std::string> out;
    for (const auto& row : ledger.Query("SELECT Id, Naziv FROM " + table + " ORDER BY Id"))
      out.push_back(row.at(0) + ":" + row.at(1));
    return out;
  }

  // The same walk through the data set from its first record.
  static std::vector<std::string> Walk(db::TDataSet& ds) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next())
      out.push_back(ds.FieldByName("Id").AsString() + ":" + ds.FieldByName("Naziv").AsString());
    return out;
  }

  TestLedger ledger;
  THdbc db{nullptr, "Database"};
};

using Strings = std::vector<std::string>;

}  // namespace

// --- cached updates ------------------------------------------------------------------

TEST_F(DataSetUpdate, CachedUpdatesWaitInTheCacheUntilApplied) {
  ledger.Exec(
      "CREATE TABLE CuT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20) NOT NULL, N integer)");
  ledger.Exec(
      "INSERT INTO CuT VALUES (1, 'ena', 10);\nINSERT INTO CuT VALUES (2, 'dva', 20);\n"
      "INSERT INTO CuT VALUES (3, 'tri', 30);\nINSERT INTO CuT VALUES (4, 'stiri', NULL);\n");
  const Strings stored = Rows("CuT");
  TOEQuery ds(nullptr, "qCached");
  Editable(ds, "SELECT * FROM CuT ORDER BY Id");
  ds.SetCachedUpdates(true);
  ASSERT_TRUE(ds.Cached());
  ds.Open();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usUnmodified);

  ASSERT_TRUE(ds.Locate("Id", 2, {}));
  ds.Edit();
  ds.FieldByName("Naziv").SetAsString("dve");
  ds.FieldByName("N").Clear();
  ds.Post();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usModified);
  ASSERT_TRUE(ds.Locate("Id", 3, {}));
  ds.Delete();
  EXPECT_EQ(ds.FieldByName("Id").AsInteger(), 4);  // the next record takes its place
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usUnmodified);
  ds.Append();
  ds.FieldByName("Id").SetAsInteger(5);
  ds.FieldByName("Naziv").SetAsString("pet");
  ds.Post();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usInserted);
  // Editing a record that is still to be inserted keeps it an insert.
  ds.Edit();
  ds.FieldByName("N").SetAsInteger(50);
  ds.Post();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usInserted);
  ASSERT_TRUE(ds.Locate("Id", 1, {}));
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usUnmodified);
  ASSERT_TRUE(ds.Locate("Id", 2, {}));
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usModified);

  // Browsing shows the cache; the ledger has not been touched.
  EXPECT_EQ(Walk(ds), (Strings{"1:ena", "2:dve", "4:stiri", "5:pet"}));
  EXPECT_EQ(Rows("CuT"), stored);

  ds.ApplyUpdates();
  EXPECT_EQ(Rows("CuT"), (Strings{"1:ena", "2:dve", "4:stiri", "5:pet"}));
  EXPECT_EQ(ledger.Query("SELECT Id, N FROM CuT WHERE Id IN (2, 5) ORDER BY Id"),
            (std::vector<Strings>{{"2", ""}, {"5", "50"}}));
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM CuT WHERE Id = 2 AND N IS NULL"), "1");
  for (ds.First(); !ds.Eof(); ds.Next())
    EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usUnmodified);
  // Applied once: applying again writes nothing more (a second insert of 5 would fail).
  EXPECT_NO_THROW(ds.ApplyUpdates());
  EXPECT_EQ(Rows("CuT"), (Strings{"1:ena", "2:dve", "4:stiri", "5:pet"}));
}

TEST_F(DataSetUpdate, AFailingApplyRaisedStopsThereAndLeavesTheRestPending) {
  ledger.Exec("CREATE TABLE CeT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20) NOT NULL)");
  ledger.Exec(
      "INSERT INTO CeT VALUES (1, 'ena');\nINSERT INTO CeT VALUES (2, 'dva');\n"
      "INSERT INTO CeT VALUES (3, 'tri');\n");
  TOEQuery ds(nullptr, "qCachedError");
  Editable(ds, "SELECT * FROM CeT ORDER BY Id");
  ds.SetCachedUpdates(true);
  struct TCall {
    db::TUpdateKind kind;
    std::string id, naziv, message;
  };
  std::vector<TCall> calls;
  ds.OnUpdateError = [&](TCustomOEDataSet& d, EODBC& e, db::TUpdateKind kind, bool& raise) {
    EXPECT_TRUE(raise);  // raised unless the handler says otherwise
    calls.push_back(
        {kind, d.FieldByName("Id").AsString(), d.FieldByName("Naziv").AsString(), e.what()});
  };
  ds.Open();
  // In cache order: an edit of 1, an insert whose key 2 is taken, an edit of 3 behind it,
  // and a delete of 2, which the cache applies after the edits and inserts.
  ds.Edit();
  ds.FieldByName("Naziv").SetAsString("prva");
  ds.Post();
  ASSERT_TRUE(ds.Locate("Id", 3, {}));
  ds.Edit();
  ds.FieldByName("Naziv").SetAsString("tretja");
  ds.Post();
  ASSERT_TRUE(ds.Locate("Id", 2, {}));
  ds.Insert();  // in front of 2
  ds.FieldByName("Id").SetAsInteger(2);
  ds.FieldByName("Naziv").SetAsString("podvojena");
  ds.Post();
  EXPECT_EQ(Walk(ds), (Strings{"1:prva", "2:podvojena", "2:dva", "3:tretja"}));
  ds.First();
  ds.Next();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usInserted);
  ds.Last();
  ds.Prior();  // the stored 2
  ASSERT_EQ(ds.FieldByName("Naziv").AsString(), "dva");
  ds.Delete();

  EXPECT_THROW(ds.ApplyUpdates(), EODBC);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, db::TUpdateKind::ukInsert);
  // The handler reads the record that failed, not the current one.
  EXPECT_EQ(calls[0].id, "2");
  EXPECT_EQ(calls[0].naziv, "podvojena");
  EXPECT_FALSE(calls[0].message.empty());
  // What came before the failure is written; the failing insert, the edit behind it and
  // the delete are not, and stay pending.
  EXPECT_EQ(Rows("CeT"), (Strings{"1:prva", "2:dva", "3:tri"}));
  EXPECT_EQ(Walk(ds), (Strings{"1:prva", "2:podvojena", "3:tretja"}));
  ds.First();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usUnmodified);
  ds.Next();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usInserted);
  ds.Next();
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usModified);

  // Once the record is put right, applying again writes only what is still pending.
  ds.Prior();
  ds.Edit();
  ds.FieldByName("Id").SetAsInteger(6);
  ds.Post();
  ds.ApplyUpdates();
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(Rows("CeT"), (Strings{"1:prva", "3:tretja", "6:podvojena"}));
}

TEST_F(DataSetUpdate, AFailingApplySuppressedByTheHandlerLetsTheOthersThrough) {
  ledger.Exec("CREATE TABLE CsT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20) NOT NULL)");
  ledger.Exec(
      "INSERT INTO CsT VALUES (1, 'ena');\nINSERT INTO CsT VALUES (2, 'dva');\n"
      "INSERT INTO CsT VALUES (3, 'tri');\n");
  TOEQuery ds(nullptr, "qCachedQuiet");
  Editable(ds, "SELECT * FROM CsT ORDER BY Id");
  ds.SetCachedUpdates(true);
  struct TCall {
    db::TUpdateKind kind;
    std::string id;
    bool nazivNull;
  };
  std::vector<TCall> calls;
  ds.OnUpdateError = [&](TCustomOEDataSet& d, EODBC&, db::TUpdateKind kind, bool& raise) {
    calls.push_back({kind, d.FieldByName("Id").AsString(), d.FieldByName("Naziv").IsNull()});
    raise = false;
  };
  ds.Open();
  // 1 loses its NOT NULL name; 2 is renamed; 4 is inserted without a name; 3 is deleted.
  ds.Edit();
  ds.FieldByName("Naziv").Clear();
  ds.Post();
  ds.Next();
  ds.Edit();
  ds.FieldByName("Naziv").SetAsString("druga");
  ds.Post();
  ds.Append();
  ds.FieldByName("Id").SetAsInteger(4);
  ds.Post();
  ASSERT_TRUE(ds.Locate("Id", 3, {}));
  ds.Delete();

  EXPECT_NO_THROW(ds.ApplyUpdates());
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, db::TUpdateKind::ukModify);
  EXPECT_EQ(calls[0].id, "1");
  EXPECT_TRUE(calls[0].nazivNull);
  EXPECT_EQ(calls[1].kind, db::TUpdateKind::ukInsert);
  EXPECT_EQ(calls[1].id, "4");
  // The two that failed are not in the ledger and stay pending; the others are written.
  EXPECT_EQ(Rows("CsT"), (Strings{"1:ena", "2:druga"}));
  ASSERT_TRUE(ds.Locate("Id", 1, {}));
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usModified);
  ASSERT_TRUE(ds.Locate("Id", 4, {}));
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usInserted);
  ASSERT_TRUE(ds.Locate("Id", 2, {}));
  EXPECT_EQ(ds.UpdateStatus(), db::TUpdateStatus::usUnmodified);
}

// --- locating an inserted row -----------------------------------------------------------

TEST_F(DataSetUpdate, LocateInsertReopensOnTheInsertedRowInItsPlace) {
  ledger.Exec("CREATE TABLE LiT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20))");
  ledger.Exec(
      "INSERT INTO LiT VALUES (10, 'deset');\nINSERT INTO LiT VALUES (20, 'dvajset');\n"
      "INSERT INTO LiT VALUES (30, 'trideset');\n");
  TOEQuery ds(nullptr, "qLocIns");
  Editable(ds, "SELECT * FROM LiT ORDER BY Id");
  ds.LocateInsert = true;
  int opens = 0;
  ds.AfterOpen = [&](db::TDataSet&) { ++opens; };
  ds.Open();
  ds.Last();
  ds.Append();
  ds.FieldByName("Id").SetAsInteger(15);
  ds.FieldByName("Naziv").SetAsString("petnajst");
  ds.Post();
  EXPECT_EQ(opens, 2);  // opened again after the post
  EXPECT_EQ(ds.State(), db::TDataSetState::dsBrowse);
  EXPECT_EQ(ds.FieldByName("Id").AsInteger(), 15);
  EXPECT_EQ(ds.FieldByName("Naziv").AsString(), "petnajst");
  // The query put it in its order, between 10 and 20, not at the end where it was added.
  ds.Prior();
  EXPECT_EQ(ds.FieldByName("Id").AsInteger(), 10);
  ds.Next();
  ds.Next();
  EXPECT_EQ(ds.FieldByName("Id").AsInteger(), 20);
  EXPECT_EQ(Rows("LiT"), (Strings{"10:deset", "15:petnajst", "20:dvajset", "30:trideset"}));

  // A table without a primary key and without a Target: the post is refused before the
  // row is written, and the insert can be cancelled without anything left behind.
  ledger.Exec("CREATE TABLE NkT (Id integer, Naziv varchar(20))");
  ledger.Exec("INSERT INTO NkT VALUES (1, 'ena');\n");
  TOEQuery nk(nullptr, "qNoKey");
  Editable(nk, "SELECT * FROM NkT ORDER BY Id");
  nk.LocateInsert = true;
  nk.Open();
  nk.Append();
  nk.FieldByName("Id").SetAsInteger(2);
  nk.FieldByName("Naziv").SetAsString("dva");
  try {
    nk.Post();
    FAIL() << "no exception";
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Cannot detect primary columns to locate inserted row.");
  }
  EXPECT_EQ(nk.State(), db::TDataSetState::dsInsert);
  EXPECT_EQ(Rows("NkT"), (Strings{"1:ena"}));
  nk.Cancel();
  EXPECT_EQ(Rows("NkT"), (Strings{"1:ena"}));
  // The Target's key columns name the row instead.
  nk.hStmt().Target().KeyColumns = {"Id"};
  nk.Append();
  nk.FieldByName("Id").SetAsInteger(0);
  nk.FieldByName("Naziv").SetAsString("nic");
  nk.Post();
  EXPECT_EQ(nk.FieldByName("Id").AsInteger(), 0);
  nk.Next();
  EXPECT_EQ(nk.FieldByName("Id").AsInteger(), 1);
  EXPECT_EQ(Rows("NkT"), (Strings{"0:nic", "1:ena"}));
}

// --- long values through blob streams -------------------------------------------------

TEST_F(DataSetUpdate, BlobStreamsReadWriteAndRefuseOutsideAnEdit) {
  ledger.Exec("CREATE TABLE BlT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20), Memo text)");
  std::string big;
  for (int i = 0; big.size() < 12000; ++i) big += "vrstica " + std::to_string(i) + "; ";
  ledger.Exec("INSERT INTO BlT VALUES (1, 'dolga', '" + big +
              "');\nINSERT INTO BlT VALUES (2, 'kratka', 'kratko');\n"
              "INSERT INTO BlT VALUES (3, 'prazna', NULL);\n");
  for (const bool deferred : {false, true}) {
    SCOPED_TRACE(deferred ? "BlobDeferral on" : "BlobDeferral off");
    TOEQuery ds(nullptr, "qBlob");
    Editable(ds, "SELECT * FROM BlT ORDER BY Id");
    ds.hStmt().SetBlobSize(5000);  // the long value comes in several pieces
    ds.hStmt().SetBlobDeferral(deferred);
    EXPECT_EQ(ds.CacheBlobs(), !deferred);
    ds.Open();
    db::TField& memo = ds.FieldByName("Memo");
    EXPECT_EQ(memo.DataType(), db::TFieldType::ftMemo);
    EXPECT_TRUE(memo.IsBlob());
    {
      auto stream = ds.CreateBlobStream(memo, db::TBlobStreamMode::bmRead);
      EXPECT_EQ(stream->Size(), static_cast<int64_t>(big.size()));
      EXPECT_TRUE(stream->ReadAll() == big);
      EXPECT_THROW(stream->Write("x", 1), EQuarnel);  // opened for reading
    }
    EXPECT_FALSE(memo.IsNull());
    EXPECT_TRUE(memo.AsString() == big);
    ds.Next();
    EXPECT_EQ(memo.AsString(), "kratko");
    EXPECT_FALSE(memo.IsNull());
    ds.Next();
    EXPECT_EQ(ds.CreateBlobStream(memo, db::TBlobStreamMode::bmRead)->Size(), 0);
    EXPECT_EQ(memo.AsString(), "");
    EXPECT_TRUE(memo.IsNull());
    EXPECT_TRUE(memo.AsVariant().IsNull());
    ds.First();  // back on a row read before
    EXPECT_TRUE(memo.AsString() == big);

    // Outside an edit the stream cannot be opened for writing.
    try {
      ds.CreateBlobStream(memo, db::TBlobStreamMode::bmWrite);
      FAIL() << "no exception";
    } catch (const EQuarnel& e) {
      EXPECT_STREQ(e.what(), "DataSet not in edit or insert mode.");
    }
    EXPECT_THROW(ds.CreateBlobStream(memo, db::TBlobStreamMode::bmReadWrite), EQuarnel);

    // Editing another column keeps the long value the ledger holds.
    ds.Edit();
    ds.FieldByName("Naziv").SetAsString(deferred ? "dolga d" : "dolga n");
    ds.Post();
    EXPECT_EQ(ledger.Scalar("SELECT Naziv FROM BlT WHERE Id = 1"),
              deferred ? "dolga d" : "dolga n");
    EXPECT_TRUE(ledger.Scalar("SELECT Memo FROM BlT WHERE Id = 1") == big);

    // Writing through the stream in an edit: the field has a value and has changed.
    db::TDataSource source;
    source.SetDataSet(&ds);
    TCountingLink link;
    link.SetDataSource(&source);
    ds.Next();
    ds.Next();  // the NULL one
    ASSERT_TRUE(memo.IsNull());
    ds.Edit();
    EXPECT_FALSE(ds.Modified());
    link.fieldChanges.clear();
    const std::string written = Utf8ToCp1250(deferred ? "odloženo " : "takoj ") + big;
    {
      auto stream = ds.CreateBlobStream(memo, db::TBlobStreamMode::bmWrite);
      stream->WriteText(written.substr(0, 100));
      stream->WriteText(written.substr(100));
    }
    EXPECT_FALSE(memo.IsNull());
    EXPECT_TRUE(ds.Modified());
    ASSERT_FALSE(link.fieldChanges.empty());
    for (db::TField* f : link.fieldChanges) EXPECT_EQ(f, &memo);
    EXPECT_TRUE(memo.AsString() == written);
    ds.Post();
    EXPECT_TRUE(ledger.Scalar("SELECT Memo FROM BlT WHERE Id = 3") == written);
    EXPECT_EQ(ledger.Scalar("SELECT Memo FROM BlT WHERE Id = 2"), "kratko");
    link.SetDataSource(nullptr);
    ds.RefreshResults();  // makes its fields anew
    ASSERT_TRUE(ds.Locate("Id", 3, {}));
    db::TField& again = ds.FieldByName("Memo");
    EXPECT_TRUE(again.AsString() == written);

    // And back to NULL for the next round.
    ds.Edit();
    again.Clear();
    EXPECT_TRUE(again.IsNull());
    ds.Post();
    EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM BlT WHERE Id = 3 AND Memo IS NULL"), "1");

    // A row whose long value was never read: an edit of another column leaves it alone.
    ds.RefreshResults();
    ASSERT_TRUE(ds.Locate("Id", 2, {}));
    ds.Edit();
    ds.FieldByName("Naziv").SetAsString(deferred ? "kratka d" : "kratka n");
    ds.Post();
    EXPECT_EQ(ledger.Query("SELECT Naziv, Memo FROM BlT WHERE Id = 2"),
              (std::vector<Strings>{{deferred ? "kratka d" : "kratka n", "kratko"}}));
  }
}

// --- stored procedure calls -----------------------------------------------------------

TEST_F(DataSetUpdate, StoredProcedureCallsRunOnPostgresAndFailClearlyOnSqlite) {
  TOEQuery ds(nullptr, "qProc");
  ds.SethDbc(&db);
  if (!ledger.IsPostgres()) {
    // SQLite has no procedures: the call is refused by the driver, and nothing opens.
    ds.SetStoredProcName("Obresti");
    try {
      ds.Open();
      FAIL() << "no exception";
    } catch (const EODBC& e) {
      EXPECT_NE(std::string(e.what()).find("Obresti"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.Params().Count(), 0);
    EXPECT_EQ(ds.Hstmt().SQL(), "{CALL Obresti}");
    return;
  }
  ledger.Exec(
      "CREATE TABLE PrT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20), Znesek integer);\n"
      "INSERT INTO PrT VALUES (1, 'ena', 100);\nINSERT INTO PrT VALUES (2, 'dva', 250);\n"
      "INSERT INTO PrT VALUES (3, 'tri', 400);\n");
  // psqlODBC runs the call escape as a function call: a set-returning function gives a
  // result to browse.
  ledger.Exec(
      "CREATE FUNCTION nad_zneskom(meja integer, predpona varchar)\n"
      "RETURNS TABLE (id integer, naziv varchar) AS $$\n"
      "  SELECT Id, predpona || Naziv FROM PrT WHERE Znesek > meja ORDER BY Id\n"
      "$$ LANGUAGE sql;\n");
  ds.SetStoredProcName("nad_zneskom");
  ds.SetCached(true);  // the driver gives a call's result a forward-only cursor
  ds.Prepare();
  EXPECT_EQ(ds.Hstmt().SQL(), "{CALL nad_zneskom(:meja, :predpona)}");
  ASSERT_EQ(ds.Params().Count(), 2);
  EXPECT_EQ(ds.Params()[0].Name, "meja");
  EXPECT_EQ(ds.Params()[0].ParamType, TOEParamType::ptInput);
  EXPECT_EQ(ds.Params()[1].Name, "predpona");
  ds.Params().ParamByName("meja").Value = 150;
  ds.Params().ParamByName("predpona").Value = Utf8ToCp1250("št. ");
  ds.Open();
  EXPECT_EQ(Walk(ds), (Strings{Utf8ToCp1250("2:št. dva"), Utf8ToCp1250("3:št. tri")}));
  ds.Params().ParamByName("meja").Value = 300;
  ds.RefreshResults();
  EXPECT_EQ(Walk(ds), (Strings{Utf8ToCp1250("3:št. tri")}));

  // A function with a scalar result: the result parameter comes first in the call.
  ledger.Exec(
      "CREATE FUNCTION vsota_nad(meja integer) RETURNS integer AS $$\n"
      "  SELECT CAST(SUM(Znesek) AS integer) FROM PrT WHERE Znesek > meja\n"
      "$$ LANGUAGE sql;\n");
  TOEQuery sum(nullptr, "qSum");
  sum.SethDbc(&db);
  sum.SetStoredProcName("vsota_nad");
  sum.Prepare();
  ASSERT_EQ(sum.Params().Count(), 2);
  EXPECT_EQ(sum.Params()[0].ParamType, TOEParamType::ptResult);
  const std::string result = sum.Params()[0].Name;
  EXPECT_EQ(sum.Hstmt().SQL(), "{:" + result + " = CALL vsota_nad(:meja)}");
  sum.Params().ParamByName("meja").Value = 150;
  sum.ExecSQL();
  EXPECT_EQ(sum.Params()[0].Value.AsInteger(), 650);

  // A procedure that does not exist fails with the server's diagnostics and stays closed.
  TOEQuery none(nullptr, "qNoProc");
  none.SethDbc(&db);
  none.SetStoredProcName("ni_take");
  EXPECT_THROW(none.Open(), EODBC);
  EXPECT_FALSE(none.Active());
}

// --- the master link -----------------------------------------------------------------

TEST_F(DataSetUpdate, DetailFollowsItsMasterThroughItsParameter) {
  ledger.Exec(
      "CREATE TABLE MsT (Koda varchar(5) NOT NULL PRIMARY KEY, Naziv varchar(20));\n"
      "INSERT INTO MsT VALUES ('A', 'prva');\nINSERT INTO MsT VALUES ('B', 'druga');\n"
      "INSERT INTO MsT VALUES ('C', 'tretja');\n"
      "CREATE TABLE DeT (Id integer NOT NULL PRIMARY KEY, Koda varchar(5), Naziv varchar(20));\n"
      "INSERT INTO DeT VALUES (1, 'A', 'a1');\nINSERT INTO DeT VALUES (2, 'B', 'b1');\n"
      "INSERT INTO DeT VALUES (3, 'A', 'a2');\nINSERT INTO DeT VALUES (4, 'B', 'b2');\n");
  TOEQuery master(nullptr, "qMaster"), detail(nullptr, "qDetail");
  master.SethDbc(&db);
  master.SetSQL({"SELECT * FROM MsT ORDER BY Koda"});
  detail.SethDbc(&db);
  detail.SetSQL({"SELECT * FROM DeT WHERE Koda = :Koda ORDER BY Id"});
  db::TDataSource masterSource, detailSource;
  masterSource.SetDataSet(&master);
  detailSource.SetDataSet(&detail);
  detail.SetDataSource(&masterSource);
  EXPECT_EQ(detail.GetDataSource(), &masterSource);
  int detailOpens = 0;
  detail.AfterOpen = [&](db::TDataSet&) { ++detailOpens; };

  // Neither a data set's own source nor one that follows it can be its master.
  for (TCustomOEDataSet* ds :
       {static_cast<TCustomOEDataSet*>(&detail), static_cast<TCustomOEDataSet*>(&master)}) {
    try {
      ds->SetDataSource(&detailSource);
      FAIL() << "no exception";
    } catch (const EQuarnel& e) {
      EXPECT_STREQ(e.what(), "Circular Reference to DataSource");
    }
  }
  EXPECT_EQ(detail.GetDataSource(), &masterSource);
  EXPECT_EQ(master.GetDataSource(), nullptr);

  // The master opening opens its detail, with the master's value from the start.
  master.Open();
  EXPECT_EQ(detailOpens, 1);
  EXPECT_TRUE(detail.Active());
  EXPECT_EQ(Walk(detail), (Strings{"1:a1", "3:a2"}));
  EXPECT_EQ(detail.Params().ParamByName("Koda").Value.AsString(), "A");
  // Moving the master opens the detail again with the master's value.
  const int before = detailOpens;
  master.Next();
  EXPECT_GT(detailOpens, before);
  EXPECT_EQ(Walk(detail), (Strings{"2:b1", "4:b2"}));
  master.Next();
  EXPECT_TRUE(detail.Active());
  EXPECT_TRUE(detail.IsEmpty());  // C has no details
  // RefreshParams picks up a row the ledger got meanwhile.
  ledger.Exec("INSERT INTO DeT VALUES (5, 'C', 'c1');\n");
  const int refreshed = detailOpens;
  detail.RefreshParams();
  EXPECT_EQ(detailOpens, refreshed + 1);
  EXPECT_EQ(Walk(detail), (Strings{"5:c1"}));

  // With the master closed, RefreshParams leaves the detail as it is.
  master.Close();
  ledger.Exec("INSERT INTO DeT VALUES (6, 'C', 'c2');\n");
  const int closedOpens = detailOpens;
  detail.RefreshParams();
  EXPECT_EQ(detailOpens, closedOpens);
  EXPECT_TRUE(detail.Active());
  EXPECT_EQ(Walk(detail), (Strings{"5:c1"}));
  // Opening the master again brings the detail to its first record.
  master.Open();
  EXPECT_EQ(Walk(detail), (Strings{"1:a1", "3:a2"}));
}

// --- picture masks -------------------------------------------------------------------

TEST_F(DataSetUpdate, PictureMasksRefuseABadValueAtPost) {
  ledger.Exec(
      "CREATE TABLE PmT (Id integer NOT NULL PRIMARY KEY, Naziv varchar(20), Konto varchar(10));\n"
      "INSERT INTO PmT VALUES (1, 'ena', '12-AB');\n");
  TwwOEDataSet ds(nullptr, "tbMask");
  Editable(ds, "SELECT * FROM PmT ORDER BY Id");
  // Konto: two digits, a dash, two letters; Naziv: anything starting with a capital K.
  ds.PictureMasks = {"Konto\t##-??", "Naziv\tK*", "NiTakega\t#"};
  EXPECT_TRUE(ds.ValidateWithMask);
  ds.Open();

  ds.Append();
  ds.FieldByName("Id").SetAsInteger(2);
  ds.FieldByName("Naziv").SetAsString("Konto dva");
  ds.FieldByName("Konto").SetAsString("1X-AB");
  try {
    ds.Post();
    FAIL() << "no exception";
  } catch (const EDatabaseError& e) {
    // The field is named as the ledger spells the column (PostgreSQL folds it).
    EXPECT_EQ(std::string(e.what()),
              "Invalid value for field '" + ds.FieldByName("Konto").FieldName() + "'");
  }
  EXPECT_EQ(ds.State(), db::TDataSetState::dsInsert);
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM PmT"), "1");
  ds.FieldByName("Konto").SetAsString(
      Utf8ToCp1250("34-ČŽ"));  // letters of the code page count as letters
  ds.Post();
  EXPECT_EQ(ledger.Scalar("SELECT Konto FROM PmT WHERE Id = 2"), Utf8ToCp1250("34-ČŽ"));

  // An edit is checked the same way; a NULL value is not checked at all.
  ds.First();
  ds.Edit();
  ds.FieldByName("Naziv").SetAsString("ena");
  ds.FieldByName("Konto").Clear();
  EXPECT_THROW(ds.Post(), EDatabaseError);  // the name breaks "K*"
  EXPECT_EQ(ledger.Scalar("SELECT Naziv FROM PmT WHERE Id = 1"), "ena");
  EXPECT_EQ(ledger.Scalar("SELECT Konto FROM PmT WHERE Id = 1"), "12-AB");
  ds.FieldByName("Naziv").SetAsString("Konto ena");
  ds.Post();
  EXPECT_EQ(ledger.Query("SELECT Naziv, Konto FROM PmT WHERE Id = 1"),
            (std::vector<Strings>{{"Konto ena", ""}}));

  // A handler decides instead of the error; one that raises stops the post too.
  std::vector<std::string> invalid;
  ds.OnInvalidValue = [&](TwwOEDataSet&, db::TField& f) {
    invalid.push_back(f.FieldName());
    if (f.AsString() == "stop") throw EDatabaseError("ustavljeno");
  };
  ds.Append();
  ds.FieldByName("Id").SetAsInteger(3);
  ds.FieldByName("Naziv").SetAsString("Konto tri");
  ds.FieldByName("Konto").SetAsString("stop");
  EXPECT_THROW(ds.Post(), EDatabaseError);
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM PmT WHERE Id = 3"), "0");
  ds.FieldByName("Konto").SetAsString("345");
  ds.Post();
  EXPECT_EQ(invalid, (Strings(2, ds.FieldByName("Konto").FieldName())));
  EXPECT_EQ(ledger.Scalar("SELECT Konto FROM PmT WHERE Id = 3"), "345");
  ds.OnInvalidValue = nullptr;

  // Without ValidateWithMask the masks are not looked at.
  ds.ValidateWithMask = false;
  ds.Append();
  ds.FieldByName("Id").SetAsInteger(4);
  ds.FieldByName("Naziv").SetAsString("brez");
  ds.FieldByName("Konto").SetAsString("kar koli");
  ds.Post();
  EXPECT_EQ(ledger.Query("SELECT Naziv, Konto FROM PmT WHERE Id = 4"),
            (std::vector<Strings>{{"brez", "kar koli"}}));

  EXPECT_TRUE(TwwOEDataSet::MatchesMask("12-AB", "##-??"));
  EXPECT_FALSE(TwwOEDataSet::MatchesMask("12-AB7", "##-??"));
  EXPECT_FALSE(TwwOEDataSet::MatchesMask("12-A", "##-??"));
  EXPECT_TRUE(TwwOEDataSet::MatchesMask("a1b", "&#&"));
  EXPECT_TRUE(TwwOEDataSet::MatchesMask("K", "K*"));
  EXPECT_FALSE(TwwOEDataSet::MatchesMask("k", "K*"));
}
