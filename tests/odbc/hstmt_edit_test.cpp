// Row editing on both ledgers: the generated INSERT, UPDATE, DELETE and refresh SELECT,
// edits through the cursor where the driver offers them, table names, primary columns,
// confirmations, row flags and the cell setters, checked against the rows the command-line
// client finds in the ledger afterwards.
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "odbc/odbcerror.h"
#include "statement_fixture.h"

namespace prenos::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr uint16_t kUpdate = 1, kDelete = 2, kRefresh = 4, kInsert = 8;
const char* kColumns = "SELECT Id, Code, Name, Amount, Stamp, Memo FROM Ed";

class EditTest : public StatementTest {
 protected:
  EditTest() {
    const std::string ts = ledger.TimestampType();
    ledger.Exec(
        "CREATE TABLE Ed (Id integer NOT NULL PRIMARY KEY, Code varchar(5) NOT NULL, Name "
        "varchar(20),"
        " Amount numeric(18,4), Stamp " +
        ts +
        ", Memo text);"
        "INSERT INTO Ed VALUES (1, 'A', 'one', 1.5, '2004-01-15 08:30:00', 'memo one');"
        "INSERT INTO Ed VALUES (2, 'B', 'two', 2.25, '2004-01-16 09:00:00', 'memo two');"
        "INSERT INTO Ed VALUES (3, 'C', 'three', 3, '2004-01-17 10:00:00', 'memo three');");
    q.SetConcurrencyType(SQL_CONCUR_VALUES);
    q.OnStatement = [this](TComponent*, uint16_t op, std::string& sql) {
      statements.emplace_back(op, sql);
    };
  }

  void Generated() {
    q.SetSkipByPosition(true);
    q.SetSkipByCursor(true);
  }

  void Open(const std::string& sql) {
    Run(q, sql);
    ASSERT_TRUE(q.FetchNext()) << sql;
  }

  // The ledger's rows of Ed (the amount in hundredths, the stamp to the second).
  Rows Ledger(const std::string& where = "") {
    const std::string stamp = ledger.IsPostgres() ? "to_char(Stamp, 'YYYY-MM-DD HH24:MI:SS')"
                                                  : "strftime('%Y-%m-%d %H:%M:%S', Stamp)";
    return ledger.Query("SELECT Id, Code, Name, CAST(Amount * 100 AS integer), " + stamp +
                        ", Memo FROM Ed " + where + " ORDER BY Id");
  }

  // Names as the driver reports them: PostgreSQL folds unquoted names to lower case and
  // qualifies the table with its schema.
  std::string Name(std::string n) {
    if (ledger.IsPostgres())
      for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return n;
  }
  std::string Table(const std::string& t) { return ledger.IsPostgres() ? "public." + Name(t) : t; }
  std::string Set(std::initializer_list<const char*> names) {
    std::string out;
    for (const char* n : names) out += (out.empty() ? "" : ", ") + Name(n) + " = ?";
    return out;
  }

  std::string Message(const std::function<void()>& f, SQLRETURN* code = nullptr) {
    try {
      f();
    } catch (const EODBC& e) {
      if (code) *code = e.RetCode();
      return e.what();
    } catch (const EQuarnel& e) {
      return e.what();
    }
    return "(no exception)";
  }

  std::vector<std::pair<uint16_t, std::string>> statements;
};

TEST_F(EditTest, GeneratedStatementsWriteTheRows) {
  Generated();
  Open(std::string(kColumns) + " WHERE Id = 2");
  q.SetColString(3, "changed");
  q.SetColDouble(4, 7.25);
  q.SetColString(6, "new memo");
  q.Update();
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0].first, kUpdate);
  EXPECT_EQ(statements[0].second, "UPDATE " + Table("Ed") + " SET " +
                                      Set({"Id", "Code", "Name", "Amount", "Stamp", "Memo"}) +
                                      " WHERE " + Name("Id") + " = ?");
  EXPECT_EQ(Ledger("WHERE Id = 2"),
            (Rows{{"2", "B", "changed", "725", "2004-01-16 09:00:00", "new memo"}}));

  // The same statement again: prepared once, bound to the new values.
  q.SetColString(3, "twice");
  q.Update();
  EXPECT_EQ(statements.size(), 1u);
  EXPECT_EQ(Ledger("WHERE Id = 2")[0][2], "twice");

  // An ignored column leaves the SET list, and its stored value stays.
  q.SetColDouble(4, 99);
  q.SetColIgnore(4, true);
  EXPECT_TRUE(q.ColIgnored(4));
  q.SetColString(3, "no amount");
  q.Update();
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[1].second, "UPDATE " + Table("Ed") + " SET " +
                                      Set({"Id", "Code", "Name", "Stamp", "Memo"}) + " WHERE " +
                                      Name("Id") + " = ?");
  EXPECT_EQ(Ledger("WHERE Id = 2"),
            (Rows{{"2", "B", "no amount", "725", "2004-01-16 09:00:00", "new memo"}}));

  // Insert from the cells.
  q.SetColInteger(1, 10);
  q.SetColString(2, "J");
  q.SetColString(3, "ten");
  q.SetColDouble(4, 10.5);
  q.SetColTimestamp(5, SQL_TIMESTAMP_STRUCT{2024, 2, 29, 13, 45, 30, 0});
  q.SetColString(6, "memo ten");
  q.Insert();
  ASSERT_EQ(statements.size(), 3u);
  EXPECT_EQ(statements[2].first, kInsert);
  EXPECT_EQ(statements[2].second, "INSERT INTO " + Table("Ed") + " (" + Name("Id") + ", " +
                                      Name("Code") + ", " + Name("Name") + ", " + Name("Amount") +
                                      ", " + Name("Stamp") + ", " + Name("Memo") +
                                      ") VALUES (?, ?, ?, ?, ?, ?)");
  EXPECT_EQ(Ledger("WHERE Id = 10"),
            (Rows{{"10", "J", "ten", "1050", "2024-02-29 13:45:30", "memo ten"}}));

  // Delete by the primary column.
  Open(std::string(kColumns) + " WHERE Id = 3");
  q.Delete();
  ASSERT_EQ(statements.size(), 4u);
  EXPECT_EQ(statements[3], std::make_pair(kDelete, "DELETE FROM " + Table("Ed") + " WHERE " +
                                                       Name("Id") + " = ?"));
  EXPECT_TRUE(Ledger("WHERE Id = 3").empty());

  // Refresh reads the row as the ledger holds it now.
  Open(std::string(kColumns) + " WHERE Id = 1");
  THstmt other(&owner, "qOther");
  Run(other, "UPDATE Ed SET Name = 'behind', Memo = 'memo behind' WHERE Id = 1");
  EXPECT_EQ(q.ColString(3), "one");
  q.Refresh();
  ASSERT_EQ(statements.size(), 5u);
  EXPECT_EQ(statements[4].first, kRefresh);
  EXPECT_EQ(statements[4].second, "SELECT " + Name("Id") + ", " + Name("Code") + ", " +
                                      Name("Name") + ", " + Name("Amount") + ", " + Name("Stamp") +
                                      ", " + Name("Memo") + " FROM " + Table("Ed") + " WHERE " +
                                      Name("Id") + " = ?");
  EXPECT_EQ(q.ColString(3), "behind");
  EXPECT_EQ(q.ColString(6), "memo behind");
  EXPECT_EQ(q.ColDouble(4), 1.5);

  EXPECT_EQ(Ledger(), (Rows{{"1", "A", "behind", "150", "2004-01-15 08:30:00", "memo behind"},
                            {"2", "B", "no amount", "725", "2004-01-16 09:00:00", "new memo"},
                            {"10", "J", "ten", "1050", "2024-02-29 13:45:30", "memo ten"}}));
}

TEST_F(EditTest, RewrittenStatementsAndRowsNotAffected) {
  Generated();
  q.OnStatement = [this](TComponent*, uint16_t op, std::string& sql) {
    if (op == kDelete) sql += " AND 1 = 0";
    statements.emplace_back(op, sql);
  };
  Open(std::string(kColumns) + " WHERE Id = 2");
  // A delete that matches nothing passes unless NoRowsAffected names deletes.
  q.Delete();
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0].second,
            "DELETE FROM " + Table("Ed") + " WHERE " + Name("Id") + " = ? AND 1 = 0");
  EXPECT_EQ(Ledger("WHERE Id = 2").size(), 1u);
  q.SetNoRowsAffected(nrByUpdate | nrByDelete);
  SQLRETURN code = 0;
  EXPECT_EQ(Message([&] { q.Delete(); }, &code), "No Data Found");
  EXPECT_EQ(code, SQL_NO_DATA);
  EXPECT_EQ(Ledger("WHERE Id = 2").size(), 1u);

  // An update of a row that is gone: "No Data Found" by default, silence without nrByUpdate.
  THstmt other(&owner, "qOther");
  Run(other, "DELETE FROM Ed WHERE Id = 2");
  q.SetColString(3, "gone");
  code = 0;
  EXPECT_EQ(Message([&] { q.Update(); }, &code), "No Data Found");
  EXPECT_EQ(code, SQL_NO_DATA);
  q.SetNoRowsAffected(0);
  q.Update();
  q.SetNoRowsAffected(nrByRefresh);
  EXPECT_EQ(Message([&] { q.Refresh(); }), "No Data Found");
  EXPECT_EQ(Ledger(), (Rows{{"1", "A", "one", "150", "2004-01-15 08:30:00", "memo one"},
                            {"3", "C", "three", "300", "2004-01-17 10:00:00", "memo three"}}));
}

TEST_F(EditTest, EditsThroughTheCursorWhereTheDriverOffersThem) {
  // Both drivers offer positioned updates, deletes, refreshes and bulk adds on a static
  // cursor (psqlODBC turns the concurrency into row versions, sqliteodbc into locking),
  // and neither offers WHERE CURRENT OF.
  q.SetCursorType(SQL_CURSOR_STATIC);
  Open(std::string(kColumns) + " WHERE Id = 2");
  const SQLUINTEGER flags = q.CursorAttributes();
  EXPECT_TRUE(flags & SQL_CA1_POS_UPDATE);
  EXPECT_TRUE(flags & SQL_CA1_POS_DELETE);
  EXPECT_TRUE(flags & SQL_CA1_POS_REFRESH);
  EXPECT_TRUE(flags & SQL_CA1_BULK_ADD);
  EXPECT_FALSE(flags & SQL_CA1_POSITIONED_UPDATE);
  EXPECT_FALSE(flags & SQL_CA1_POSITIONED_DELETE);

  q.SetColString(3, "by cursor");
  q.SetColString(6, "cursor memo");
  q.Update();
  EXPECT_EQ(Ledger("WHERE Id = 2"),
            (Rows{{"2", "B", "by cursor", "225", "2004-01-16 09:00:00", "cursor memo"}}));

  q.SetColInteger(1, 20);
  q.SetColString(2, "T");
  q.SetColString(3, "twenty");
  q.SetColString(6, "memo twenty");
  q.Insert();
  EXPECT_EQ(Ledger("WHERE Id = 20"),
            (Rows{{"20", "T", "twenty", "225", "2004-01-16 09:00:00", "memo twenty"}}));

  Open(std::string(kColumns) + " WHERE Id = 3");
  q.Delete();
  EXPECT_TRUE(Ledger("WHERE Id = 3").empty());
  EXPECT_TRUE(statements.empty());

  // A forward-only cursor offers none of these: the generated statement does the update.
  q.SetCursorType(SQL_CURSOR_FORWARD_ONLY);
  Open(std::string(kColumns) + " WHERE Id = 1");
  EXPECT_FALSE(q.CursorAttributes() & SQL_CA1_POS_UPDATE);
  q.SetColString(3, "forward");
  q.Update();
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0].first, kUpdate);
  EXPECT_EQ(Ledger("WHERE Id = 1")[0][2], "forward");

  // SkipByPosition sends a static cursor's edits through generated statements as well.
  q.SetCursorType(SQL_CURSOR_STATIC);
  q.SetSkipByPosition(true);
  Open(std::string(kColumns) + " WHERE Id = 20");
  q.SetColString(3, "skipped");
  q.Update();
  EXPECT_EQ(statements.size(), 2u);
  EXPECT_EQ(Ledger("WHERE Id = 20")[0][2], "skipped");
}

TEST_F(EditTest, CursorEditOfARowChangedMeanwhile) {
  q.SetCursorType(SQL_CURSOR_STATIC);
  Open(std::string(kColumns) + " WHERE Id = 2");
  THstmt other(&owner, "qOther");
  Run(other, "UPDATE Ed SET Name = 'meanwhile' WHERE Id = 2");
  q.SetColString(3, "late");
  if (ledger.IsPostgres()) {
    // psqlODBC checks the row version and writes nothing ("the content was changed",
    // 01001): the edit reached no row.
    SQLRETURN code = 0;
    EXPECT_EQ(Message([&] { q.Update(); }, &code), "No Data Found");
    EXPECT_EQ(code, SQL_NO_DATA);
    q.SetNoRowsAffected(0);
    q.Update();
    EXPECT_EQ(Ledger("WHERE Id = 2")[0][2], "meanwhile");
  } else {
    // sqliteodbc writes by key without a version check: the last edit wins.
    q.Update();
    EXPECT_EQ(Ledger("WHERE Id = 2")[0][2], "late");
  }
  EXPECT_TRUE(statements.empty());
}

TEST_F(EditTest, RefreshThroughTheCursor) {
  q.SetCursorType(SQL_CURSOR_STATIC);
  Open(std::string(kColumns) + " WHERE Id = 1");
  THstmt other(&owner, "qOther");
  Run(other, "UPDATE Ed SET Name = 'behind' WHERE Id = 1");
  q.SetColString(3, "local");
  q.Refresh();
  EXPECT_TRUE(statements.empty());
  // Neither driver reads the changed row from the server: sqliteodbc gives back the row
  // its static cursor read at the fetch, psqlODBC leaves the bound cells as they are.
  EXPECT_EQ(q.ColString(3), ledger.IsPostgres() ? "local" : "one");
  EXPECT_EQ(q.ColString(6), "memo one");
  EXPECT_EQ(ledger.Scalar("SELECT Name FROM Ed WHERE Id = 1"), "behind");
}

TEST_F(EditTest, QuotedTableNamesAndTheTableNameRules) {
  Generated();
  ledger.Exec(
      "CREATE TABLE \"Two Words\" (Id integer NOT NULL PRIMARY KEY, Name varchar(20));"
      "INSERT INTO \"Two Words\" VALUES (1, 'a');");
  Open("SELECT Id, Name FROM \"Two Words\"");
  EXPECT_EQ(q.TableName(), "Two Words");
  q.SetColString(2, "b");
  q.Update();
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0].second, std::string("UPDATE ") + (ledger.IsPostgres() ? "public." : "") +
                                      "\"Two Words\" SET " + Set({"Id", "Name"}) + " WHERE " +
                                      Name("Id") + " = ?");
  EXPECT_EQ(ledger.Query("SELECT Id, Name FROM \"Two Words\""), (Rows{{"1", "b"}}));

  // The driver's name of the table; TargetTable, trimmed, before it.
  Open("SELECT Id, Name FROM Ed");
  EXPECT_EQ(q.TableName(), Name("Ed"));
  q.SetTargetTable("  Ed  ");
  EXPECT_EQ(q.TableName(), "Ed");
  q.SetTargetTable("");

  // A column the driver names no table for: the word after FROM, across line breaks.
  // psqlODBC calls the computed column read-only, so it leaves the SET list.
  Open("SELECT Id + 0 AS Id, Name\r\nFROM\r\nEd\r\nWHERE Id = 1");
  EXPECT_EQ(q.TableName(), "Ed");
  EXPECT_EQ(q.PrimaryColumns(), Name("Id") + ";");
  q.SetColString(2, "from text");
  q.Update();
  EXPECT_EQ(statements.back().second,
            "UPDATE Ed SET " + (ledger.IsPostgres() ? Set({"Name"}) : Set({"Id", "Name"})) +
                " WHERE " + Name("Id") + " = ?");
  EXPECT_EQ(q.ColIgnored(1), ledger.IsPostgres());
  EXPECT_EQ(Ledger("WHERE Id = 1")[0][2], "from text");

  // No table at all.
  Open("SELECT 1 AS X");
  const char* noTable = "Unable to determine table name:  set TargetTable property.";
  EXPECT_EQ(Message([&] { q.TableName(); }), noTable);
  EXPECT_EQ(Message([&] { q.Update(); }), noTable);
}

TEST_F(EditTest, PrimaryColumnsFromTheCatalogOrMarked) {
  Generated();
  Open(std::string(kColumns) + " WHERE Id = 1");
  EXPECT_EQ(q.PrimaryColumns(), Name("Id") + ";");

  // A key of two columns, in the order of the result.
  ledger.Exec(
      "INSERT INTO TemePoz (Kljuc, Poz, Konto) VALUES ('02KA00001', 1, '1200');"
      "INSERT INTO TemePoz (Kljuc, Poz, Konto) VALUES ('02KA00001', 2, '2200');");
  Open("SELECT Poz, Konto, Kljuc FROM TemePoz WHERE Poz = 2");
  EXPECT_EQ(q.PrimaryColumns(), Name("Poz") + ";" + Name("Kljuc") + ";");
  q.SetColString(2, "7600");
  q.Update();
  EXPECT_EQ(statements.back().second, "UPDATE " + Table("TemePoz") + " SET " +
                                          Set({"Poz", "Konto", "Kljuc"}) + " WHERE " + Name("Poz") +
                                          " = ? AND " + Name("Kljuc") + " = ?");
  EXPECT_EQ(ledger.Query("SELECT Poz, Konto FROM TemePoz ORDER BY Poz"),
            (Rows{{"1", "1200"}, {"2", "7600"}}));

  // TargetTable written as SQL writes it finds the key on both drivers.
  Open(std::string(kColumns) + " WHERE Id = 1");
  q.SetTargetTable("Ed");
  EXPECT_EQ(q.PrimaryColumns(), Name("Id") + ";");
  q.SetTargetTable("");

  // A table without a key: the columns have to be marked.
  ledger.Exec(
      "CREATE TABLE NoKey (A integer, B varchar(10)); INSERT INTO NoKey VALUES (1, 'x');"
      "INSERT INTO NoKey VALUES (2, 'y');");
  Open("SELECT A, B FROM NoKey WHERE A = 2");
  EXPECT_EQ(q.PrimaryColumns(), "");
  q.SetColString(2, "z");
  EXPECT_EQ(Message([&] { q.Update(); }),
            "Unable to determine primary columns:  set PrimaryCols property.");
  EXPECT_EQ(Message([&] { q.Delete(); }),
            "Unable to determine primary columns:  set PrimaryCols property.");
  q.SetColPrimary(1, true);
  EXPECT_EQ(q.PrimaryColumns(), Name("A") + ";");
  q.Update();
  EXPECT_EQ(ledger.Query("SELECT A, B FROM NoKey ORDER BY A"), (Rows{{"1", "x"}, {"2", "z"}}));
  q.SetColPrimary(1, false);
  q.SetColPrimary(2, true);
  EXPECT_EQ(q.PrimaryColumns(), Name("B") + ";");
  q.Delete();
  EXPECT_EQ(ledger.Query("SELECT A, B FROM NoKey ORDER BY A"), (Rows{{"1", "x"}}));
}

TEST_F(EditTest, SettersTrimConvertAndFollowTheNullRules) {
  Generated();
  Open(std::string(kColumns) + " WHERE Id = 1");
  // sqliteodbc calls every column nullable, NOT NULL ones included.
  const bool codeNullable = !ledger.IsPostgres();
  EXPECT_EQ(q.ColNullable(2), codeNullable ? SQL_NULLABLE : SQL_NO_NULLS);
  EXPECT_EQ(q.ColNullable(3), SQL_NULLABLE);

  q.SetColString(2, "ABCDEFG");  // cut to varchar(5)
  EXPECT_EQ(q.ColString(2), "ABCDE");
  q.SetColString(3, "  padded  ");
  EXPECT_EQ(q.ColString(3), "  padded");
  EXPECT_EQ(q.ColSize(3), 8);
  q.SetStringTrimming(TStringTrimming::stTrimBoth);
  q.SetColString(3, "  both  ");
  EXPECT_EQ(q.ColSize(3), 4);
  q.SetStringTrimming(TStringTrimming::stTrimTrailing);

  // Empty texts and NULL.
  q.SetColString(3, "");
  EXPECT_FALSE(q.ColNull(3));
  q.SetEmptyStringToNull(TEmptyToNull::enIfNullable);
  q.SetColString(3, "");
  EXPECT_TRUE(q.ColNull(3));
  q.SetColString(2, "");
  EXPECT_EQ(q.ColNull(2), codeNullable);
  q.SetColString(2, "X");
  q.SetEmptyStringToNull(TEmptyToNull::enAlways);
  q.SetColString(2, "");
  EXPECT_TRUE(q.ColNull(2));
  q.SetEmptyStringToNull(TEmptyToNull::enNever);
  q.SetColString(2, "KEPT");

  // Numbers: a text that is not one is refused and the cell keeps its value.
  EXPECT_EQ(Message([&] { q.SetColString(1, "abc"); }),
            "Value abc cannot be stored in column " + Name("Id") + ".");
  EXPECT_EQ(q.ColInteger(1), 1);
  EXPECT_EQ(Message([&] { q.SetColInt64(1, 5000000000LL); }),
            "Value 5000000000 cannot be stored in column " + Name("Id") + ".");
  EXPECT_EQ(q.ColInteger(1), 1);
  q.SetColSmallint(4, -7);
  EXPECT_EQ(q.ColDouble(4), -7);
  q.SetColWord(4, 65535);
  EXPECT_EQ(q.ColDouble(4), 65535);
  q.SetColDouble(4, 1234.5678);
  EXPECT_EQ(q.ColDouble(4), 1234.5678);
  q.SetColDouble(3, 1234.5678);  // the scientific text, cut to varchar(20)
  EXPECT_EQ(q.ColString(3), " 1.23456780000000E+0");
  q.SetColInteger(3, -42);
  EXPECT_EQ(q.ColString(3), "-42");

  // Date-times by the cell's buffer type; long columns through their stream.
  const SQL_TIMESTAMP_STRUCT ts{2024, 2, 29, 13, 45, 30, 0};
  q.SetColTimestamp(5, ts);
  const SQL_TIMESTAMP_STRUCT back = q.ColTimestamp(5);
  EXPECT_EQ(back.year, 2024);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.second, 30);
  q.SetColTimestamp(6, ts);
  EXPECT_EQ(q.ColString(6), "2024-02-29 13:45:30.000000000");
  q.SetColStream(6, TBlobStream("stream value"));
  EXPECT_EQ(q.ColString(6), "stream value");
  EXPECT_EQ(q.ColSize(6), 12);
  q.SetColStream(3, TBlobStream("not long"));
  EXPECT_EQ(q.ColString(3), "-42");

  q.SetColNull(3, false);
  EXPECT_FALSE(q.ColNull(3));
  q.SetColNull(3, true);
  EXPECT_TRUE(q.ColNull(3));
  q.SetColDouble(4, 99);
  q.SetColIgnore(4, true);
  EXPECT_TRUE(q.ColIgnored(4));

  // Cells outside the result change nothing.
  q.SetColString(0, "x");
  q.SetColString(7, "x");
  q.SetColString(1, 2, "x");
  q.SetColNull(9, true);

  q.Update();
  EXPECT_EQ(Ledger("WHERE Id = 1"),
            (Rows{{"1", "KEPT", "", "150", "2024-02-29 13:45:30", "stream value"}}));
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM Ed WHERE Id = 1 AND Name IS NULL"), "1");
}

TEST_F(EditTest, RowFlagsChooseTheRowsOfARowSet) {
  Generated();
  q.SetRowSetSize(2);
  Open("SELECT Id, Code, Name FROM Ed ORDER BY Id");
  ASSERT_EQ(q.NumRowsFetched(), 2u);
  EXPECT_EQ(q.RowFlags(1), 0);
  q.SetRowFlags(1, 0x12);
  q.SetRowFlags(2, kUpdate);
  q.SetRowFlags(5, kUpdate);
  EXPECT_EQ(q.RowFlags(1), kDelete);
  EXPECT_EQ(q.RowFlags(2), kUpdate);
  EXPECT_EQ(q.RowFlags(5), 0);

  q.SetColString(3, 1, "not this one");
  q.SetColString(3, 2, "row two");
  q.Update();
  EXPECT_EQ(ledger.Query("SELECT Id, Name FROM Ed ORDER BY Id"),
            (Rows{{"1", "one"}, {"2", "row two"}, {"3", "three"}}));
  q.Delete();
  EXPECT_EQ(ledger.Query("SELECT Id, Name FROM Ed ORDER BY Id"),
            (Rows{{"2", "row two"}, {"3", "three"}}));

  // The next fetch clears the flags.
  q.FetchNext();
  EXPECT_EQ(q.RowFlags(1), 0);
  q.SetRowFlags(1, kUpdate);
  q.SetColString(3, 1, "row three");
  q.Update();
  EXPECT_EQ(ledger.Query("SELECT Id, Name FROM Ed ORDER BY Id"),
            (Rows{{"2", "row two"}, {"3", "row three"}}));
}

TEST_F(EditTest, ConfirmationsCanCancel) {
  Generated();
  std::vector<std::string> asked;
  bool answer = false;
  const auto confirm = [&](TComponent* sender, const std::string& message) {
    EXPECT_EQ(sender, &q);
    asked.push_back(message);
    return answer;
  };
  q.OnInsert = q.OnUpdate = q.OnDelete = q.OnRefresh = confirm;
  Open(std::string(kColumns) + " WHERE Id = 2");
  q.SetColInteger(1, 5);
  q.Insert();
  q.SetColInteger(1, 2);
  q.SetColString(3, "cancelled");
  q.Update();
  q.Delete();
  q.Refresh();
  EXPECT_EQ(asked, (std::vector<std::string>{"Insert row(s)?", "Update row(s)?", "Delete row(s)?",
                                             "Refresh row(s)?"}));
  EXPECT_TRUE(statements.empty());
  EXPECT_EQ(q.ColString(3), "cancelled");
  EXPECT_EQ(ledger.Query("SELECT Id, Name FROM Ed ORDER BY Id"),
            (Rows{{"1", "one"}, {"2", "two"}, {"3", "three"}}));

  answer = true;
  q.Update();
  EXPECT_EQ(ledger.Scalar("SELECT Name FROM Ed WHERE Id = 2"), "cancelled");
}

TEST_F(EditTest, CellsLeftOutKeepTheirStoredValues) {
  // An unread deferred long value and an ignored cell leave the statement, also where
  // the cursor could edit: both go by generated statement.
  q.SetCursorType(SQL_CURSOR_STATIC);
  q.SetBlobDeferral(true);
  Open(std::string(kColumns) + " WHERE Id = 2");
  q.SetColString(3, "deferred");
  q.Update();
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0].second, "UPDATE " + Table("Ed") + " SET " +
                                      Set({"Id", "Code", "Name", "Amount", "Stamp"}) + " WHERE " +
                                      Name("Id") + " = ?");
  EXPECT_EQ(Ledger("WHERE Id = 2"),
            (Rows{{"2", "B", "deferred", "225", "2004-01-16 09:00:00", "memo two"}}));

  // Once read, the long value goes with the row through the cursor.
  Open(std::string(kColumns) + " WHERE Id = 2");
  EXPECT_EQ(q.ColString(6), "memo two");
  q.SetColString(6, "memo read");
  q.Update();
  EXPECT_EQ(statements.size(), 1u);
  EXPECT_EQ(Ledger("WHERE Id = 2"),
            (Rows{{"2", "B", "deferred", "225", "2004-01-16 09:00:00", "memo read"}}));

  q.SetBlobDeferral(false);
  Open(std::string(kColumns) + " WHERE Id = 3");
  q.SetColString(3, "ignored code");
  q.SetColString(2, "XX");
  q.SetColIgnore(2, true);
  q.Update();
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[1].second, "UPDATE " + Table("Ed") + " SET " +
                                      Set({"Id", "Name", "Amount", "Stamp", "Memo"}) + " WHERE " +
                                      Name("Id") + " = ?");
  EXPECT_EQ(Ledger("WHERE Id = 3"),
            (Rows{{"3", "C", "ignored code", "300", "2004-01-17 10:00:00", "memo three"}}));
}

}  // namespace
}  // namespace prenos::testing
