// The statement through the real drivers: tokens, getters on every column type, long
// data, row counts, fetch directions, bookmarks and the statement's own errors.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "ledger/ledger_fixture.h"
#include "odbc/hstmt.h"
#include "platform/codepage.h"

using namespace prenos;
using prenos::testing::TestLedger;

namespace {

class OdbcStatement : public ::testing::Test {
 protected:
  OdbcStatement() {
    db.SetDataSource("MSStelvar");
    db.SetUserName(ledger.UserName());
    db.SetPassword(ledger.Password());
    st.SethDbc(&db);
  }
  void Run(const std::string& sql) {
    st.Close();
    st.SetSQL(sql);
    st.Execute();
  }
  // A table of n rows K = 1..n, V = 'v<K>'.
  void Numbers(int n) {
    ledger.Exec("CREATE TABLE Num (K integer NOT NULL PRIMARY KEY, V varchar(10))");
    std::string sql;
    for (int k = 1; k <= n; ++k)
      sql += "INSERT INTO Num (K, V) VALUES (" + std::to_string(k) + ", 'v" + std::to_string(k) +
             "');\n";
    ledger.Exec(sql);
  }

  TestLedger ledger;
  THdbc db{nullptr, "Database"};
  THstmt st{nullptr, "qQuery0"};
};

bool SameTimestamp(const SQL_TIMESTAMP_STRUCT& a, const SQL_TIMESTAMP_STRUCT& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second && a.fraction == b.fraction;
}

}  // namespace

TEST_F(OdbcStatement, EveryGetterOnEveryColumnType) {
  const bool pg = ledger.IsPostgres();
  ledger.Exec(
      "CREATE TABLE Vrste (Id integer NOT NULL, I integer, S smallint, B bigint, N numeric(10,2), "
      "R real, "
      "D double precision, V varchar(20), C char(10), VT varchar(10), Dt date, Tm time, Ts " +
      ledger.TimestampType() + ", Bo " + (pg ? "boolean" : "bit") + ", Bi " +
      (pg ? "bytea" : "blob") + ", Lt text)");
  const std::string name = Utf8ToCp1250("Šiška");
  ledger.Exec("INSERT INTO Vrste VALUES (1, -42, -7, 9000000000, 42.5, 0.5, -2.25, '" + name +
              "', 'AB', ' 17 ', '2004-01-15', '08:30:05', '2004-01-15 08:30:00', " +
              (pg ? "true" : "1") + ", " + (pg ? "'\\x01020003'" : "X'01020003'") +
              ", 'long text');\n" + "INSERT INTO Vrste (Id) VALUES (2);");
  Run("SELECT I, S, B, N, R, D, V, C, VT, Dt, Tm, Ts, Bo, Bi, Lt FROM Vrste ORDER BY Id");
  ASSERT_EQ(st.NumCols(), 15);
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColString(1), "-42");
  EXPECT_EQ(st.ColInteger(1), -42);
  EXPECT_EQ(st.ColInt64(1), -42);
  EXPECT_EQ(st.ColSmallint(1), -42);
  EXPECT_EQ(st.ColWord(1), static_cast<uint16_t>(-42));
  EXPECT_DOUBLE_EQ(st.ColDouble(1), -42);
  EXPECT_EQ(st.ColCType(1), SQL_C_SLONG);
  EXPECT_EQ(st.ColSQLType(1), SQL_INTEGER);
  EXPECT_EQ(st.ColString(2), "-7");
  EXPECT_EQ(st.ColCType(2), SQL_C_SSHORT);
  EXPECT_EQ(st.ColString(3), "9000000000");
  EXPECT_EQ(st.ColInt64(3), 9000000000LL);
  EXPECT_EQ(st.ColInteger(3), static_cast<int32_t>(9000000000LL & 0xffffffff));
  EXPECT_EQ(st.ColCType(3), SQL_C_SBIGINT);
  // Numeric and floating columns arrive as doubles in the scientific text form.
  EXPECT_EQ(st.ColCType(4), SQL_C_DOUBLE);
  EXPECT_EQ(st.ColString(4), " 4.25000000000000E+0001");
  EXPECT_EQ(st.ColInteger(4), 42);  // half to even
  EXPECT_DOUBLE_EQ(st.ColDouble(4), 42.5);
  EXPECT_EQ(st.ColString(5), " 5.00000000000000E-0001");
  EXPECT_EQ(st.ColCType(5),
            pg ? SQL_C_FLOAT : SQL_C_DOUBLE);  // sqliteodbc describes real as double
  EXPECT_EQ(st.ColString(6), "-2.25000000000000E+0000");
  EXPECT_EQ(st.ColInteger(6), -2);
  EXPECT_EQ(st.ColString(7), name);
  EXPECT_EQ(st.ColPrecision(7), 20u);
  EXPECT_EQ(st.ColDouble(7), 0);
  EXPECT_EQ(st.ColInteger(7), 0);
  // char(10): the driver pads (PostgreSQL) or keeps what was stored (SQLite); the
  // default trimming cuts trailing blanks either way.
  EXPECT_EQ(st.ColString(8), "AB");
  st.SetStringTrimming(TStringTrimming::stTrimNone);
  EXPECT_EQ(st.ColString(8), pg ? "AB        " : "AB");
  EXPECT_EQ(st.ColString(9), " 17 ");
  st.SetStringTrimming(TStringTrimming::stTrimTrailing);
  EXPECT_EQ(st.ColString(9), " 17");
  // The in-place text of character cells follows the same trimming; other cells have none.
  std::string_view chars;
  ASSERT_TRUE(st.ColChars(7, 1, chars));
  EXPECT_EQ(chars, name);
  ASSERT_TRUE(st.ColChars(8, 1, chars));
  EXPECT_EQ(chars, "AB");
  ASSERT_TRUE(st.ColChars(9, 1, chars));
  EXPECT_EQ(chars, " 17");
  st.SetStringTrimming(TStringTrimming::stTrimBoth);
  ASSERT_TRUE(st.ColChars(9, 1, chars));
  EXPECT_EQ(chars, "17");
  st.SetStringTrimming(TStringTrimming::stTrimNone);
  ASSERT_TRUE(st.ColChars(8, 1, chars));
  EXPECT_EQ(chars, pg ? "AB        " : "AB");
  st.SetStringTrimming(TStringTrimming::stTrimTrailing);
  EXPECT_FALSE(st.ColChars(1, 1, chars));   // integer
  EXPECT_FALSE(st.ColChars(10, 1, chars));  // date
  EXPECT_FALSE(st.ColChars(15, 1, chars));  // long text goes through its stream
  EXPECT_FALSE(st.ColChars(16, 1, chars));
  EXPECT_FALSE(st.ColChars(7, 2, chars));
  EXPECT_EQ(st.ColInteger(9), 17);
  EXPECT_DOUBLE_EQ(st.ColDouble(9), 17);
  EXPECT_EQ(st.ColString(10), "2004-01-15");
  EXPECT_EQ(st.ColCType(10), SQL_C_TYPE_DATE);
  EXPECT_TRUE(SameTimestamp(st.ColTimestamp(10), SQL_TIMESTAMP_STRUCT{2004, 1, 15, 0, 0, 0, 0}));
  EXPECT_EQ(st.ColDouble(10), 0);
  EXPECT_EQ(st.ColString(11), "08:30:05");
  EXPECT_TRUE(SameTimestamp(st.ColTimestamp(11), SQL_TIMESTAMP_STRUCT{1899, 12, 30, 8, 30, 5, 0}));
  EXPECT_EQ(st.ColString(12), "2004-01-15 08:30:00.000000000");
  EXPECT_TRUE(SameTimestamp(st.ColTimestamp(12), SQL_TIMESTAMP_STRUCT{2004, 1, 15, 8, 30, 0, 0}));
  EXPECT_TRUE(SameTimestamp(st.ColTimestamp(1), ZeroTimestamp()));
  // psqlODBC hands booleans out as text, sqliteodbc as a bit.
  EXPECT_EQ(st.ColCType(13), pg ? SQL_C_CHAR : SQL_C_BIT);
  EXPECT_EQ(st.ColString(13), "1");
  EXPECT_EQ(st.ColInteger(13), 1);
  // Binary: bytea is long data, whose text is its bytes up to the first zero; a SQLite
  // blob is a bound binary column, which has no text.
  EXPECT_EQ(st.ColString(14), pg ? "\x01\x02" : "");
  EXPECT_EQ(st.ColSize(14), 4);
  const std::string bytes("\x01\x02\x00\x03", 4);
  EXPECT_EQ(st.ColIsBlob(14), pg);
  if (pg) {
    ASSERT_NE(st.ColStream(14), nullptr);
    EXPECT_EQ(*st.ColStream(14), bytes);
  } else {
    EXPECT_EQ(st.ColStream(14), nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(st.ColValuePtr(14)), 4), bytes);
  }
  EXPECT_TRUE(st.ColIsBlob(15));
  EXPECT_EQ(st.ColSQLType(15), SQL_LONGVARCHAR);
  EXPECT_EQ(st.ColString(15), "long text");
  EXPECT_EQ(st.ColSize(15), 9);
  EXPECT_EQ(*st.ColStream(15), "long text");
  EXPECT_FALSE(st.ColNull(1));
  // Outside the result: empty values, no exception.
  EXPECT_EQ(st.ColString(0), "");
  EXPECT_EQ(st.ColString(16), "");
  EXPECT_EQ(st.ColString(1, 2), "");
  EXPECT_EQ(st.ColInteger(16), 0);
  EXPECT_EQ(st.ColNullable(16), SQL_NULLABLE_UNKNOWN);
  EXPECT_EQ(st.ColSQLType(0), 0);
  EXPECT_EQ(st.ColStream(16), nullptr);
  EXPECT_FALSE(st.ColNull(0));

  // The row of NULLs reads as empty values.
  ASSERT_TRUE(st.FetchNext());
  std::string_view nullChars = "x";
  ASSERT_TRUE(st.ColChars(7, 1, nullChars));
  EXPECT_TRUE(nullChars.empty());
  for (int col = 1; col <= 15; ++col) {
    EXPECT_EQ(st.ColString(col), "") << col;
    EXPECT_TRUE(st.ColNull(col)) << col;
    EXPECT_EQ(st.ColDouble(col), 0) << col;
    EXPECT_EQ(st.ColInt64(col), 0) << col;
    EXPECT_TRUE(SameTimestamp(st.ColTimestamp(col), ZeroTimestamp())) << col;
  }
  EXPECT_FALSE(st.FetchNext());
  EXPECT_EQ(st.NumRowsFetched(), 0u);
  EXPECT_FALSE(st.FetchNext());
}

TEST_F(OdbcStatement, MaximaOfTheLedgerTables) {
  Run("SELECT MAX(Poz) AS MaxValue FROM TemePoz");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColString(1), "");  // NULL on an empty table
  EXPECT_TRUE(st.ColNull(1));
  EXPECT_FALSE(st.FetchNext());
  EXPECT_EQ(st.NumRowsFetched(), 0u);
  ledger.LoadSample();
  const std::string expected = ledger.Scalar("SELECT MAX(Poz) FROM TemePoz");
  Run("SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '26KA00001'");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColString(1),
            ledger.Scalar("SELECT MAX(Poz) FROM TemePoz WHERE Kljuc = '26KA00001'"));
  EXPECT_EQ(st.ColNames(), std::vector<std::string>{ledger.IsPostgres() ? "maxvalue" : "MaxValue"});
  EXPECT_FALSE(expected.empty());
  // MAX of a numeric column: a double on PostgreSQL; sqliteodbc describes it from the data.
  Run("SELECT MAX(Debet) FROM TemePoz WHERE Kljuc = '26KA00001'");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_DOUBLE_EQ(st.ColDouble(1), 1500);
  if (ledger.IsPostgres()) {
    EXPECT_EQ(st.ColString(1), " 1.50000000000000E+0003");
  }
  // MAX of a varchar: long data on PostgreSQL, a bound text on SQLite; the same text.
  Run("SELECT MAX(Kljuc) FROM Teme");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColIsBlob(1), ledger.IsPostgres());
  EXPECT_EQ(st.ColString(1), ledger.Scalar("SELECT MAX(Kljuc) FROM Teme"));
  st.Close();
}

TEST_F(OdbcStatement, TokensLiteralsAndTheBatch) {
  ledger.Exec("CREATE TABLE T (A varchar(20))");
  const std::string first = "INSERT INTO T (A) VALUES ('12:30')";
  const std::string second = "INSERT INTO T (A) VALUES ('x''y')";
  if (ledger.IsPostgres()) {
    Run(first + "; " + second);  // one text, as the program's batches go
  } else {
    Run(first);
    Run(second);
  }
  EXPECT_EQ(ledger.Query("SELECT A FROM T ORDER BY A"),
            (std::vector<std::vector<std::string>>{{"12:30"}, {"x'y"}}));
  // A bad token is refused before anything reaches the driver; the statement stays usable.
  st.Close();
  st.SetSQL("INSERT INTO T (A) VALUES ('lost'): ");
  try {
    st.Execute();
    ADD_FAILURE();
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Invalid parameter token in SQL statement.");
    EXPECT_EQ(dynamic_cast<const EODBC*>(&e), nullptr);
  }
  st.SetSQL("SELECT A FROM T WHERE A = :");
  EXPECT_THROW(st.Prepare(), EQuarnel);
  EXPECT_FALSE(st.Prepared());
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM T"), "2");
  Run("SELECT COUNT(*) FROM T WHERE A = 'x''y' OR A = '12:30'");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColInteger(1), 2);
}

TEST_F(OdbcStatement, NotificationsPrepareAndRowsAffected) {
  Numbers(3);
  std::vector<std::string> log;
  st.OnInit = [&](TComponent*) { log.push_back("OnInit"); };
  st.BeforePrepare = [&](TComponent*) { log.push_back("BeforePrepare"); };
  st.AfterPrepare = [&](TComponent*) { log.push_back("AfterPrepare"); };
  st.BeforeExecute = [&](TComponent*) { log.push_back("BeforeExecute"); };
  st.AfterExecute = [&](TComponent*) { log.push_back("AfterExecute"); };
  st.BeforeFetch = [&](TComponent*) { log.push_back("BeforeFetch"); };
  st.AfterFetch = [&](TComponent*) { log.push_back("AfterFetch"); };
  st.OnTerminate = [&](TComponent*) { log.push_back("OnTerminate"); };
  st.SetSQL("SELECT V FROM Num WHERE K = 2");
  st.Prepare();
  EXPECT_TRUE(st.Prepared());
  st.Execute();
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColString(1), "v2");
  EXPECT_FALSE(st.FetchNext());
  // A prepared statement executes again (its cursor closed first).
  st.Execute();
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColString(1), "v2");
  EXPECT_EQ(log, (std::vector<std::string>{"OnInit", "BeforePrepare", "AfterPrepare",
                                           "BeforeExecute", "AfterExecute", "BeforeFetch",
                                           "AfterFetch", "BeforeFetch", "BeforeExecute",
                                           "AfterExecute", "BeforeFetch", "AfterFetch"}));
  log.clear();
  st.SetSQL("UPDATE Num SET V = 'w' WHERE K >= 2");
  EXPECT_FALSE(st.Prepared());
  st.Execute();
  EXPECT_EQ(st.NumRowsAffected(), 2);
  // A searched update that matches nothing: SQL_NO_DATA, neither an exception nor AfterExecute.
  Run("UPDATE Num SET V = 'z' WHERE K = 99");
  EXPECT_EQ(st.RetCode(), SQL_NO_DATA);
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeExecute", "AfterExecute", "BeforeExecute"}));
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM Num WHERE V = 'w'"), "2");
  log.clear();
  db.Disconnect();
  EXPECT_EQ(log, (std::vector<std::string>{"OnTerminate"}));
  // A failed execute keeps the statement; Close makes it clean again.
  st.SetSQL("SELECT Nope FROM Num");
  EXPECT_THROW(st.Execute(), EODBC);
  EXPECT_TRUE(st.Allocated());
  st.OnInit = st.OnTerminate = nullptr;  // the log goes before the statement does
  Run("SELECT COUNT(*) FROM Num");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColInteger(1), 3);
}

TEST_F(OdbcStatement, LongDataIsReadInBlobSizePieces) {
  ledger.Exec("CREATE TABLE L (K integer, Txt text)");
  std::string big;
  for (int i = 0; big.size() < 70000; ++i) big += "line " + std::to_string(i) + ";";
  ledger.Exec("INSERT INTO L VALUES (1, '" + big +
              "'); INSERT INTO L VALUES (2, ''); INSERT INTO L VALUES (3, NULL)");
  EXPECT_EQ(st.BlobSize(), 32768);
  st.SetBlobSize(1024);  // too small: ignored
  EXPECT_EQ(st.BlobSize(), 32768);
  st.SetBlobSize(5000);
  EXPECT_EQ(st.BlobSize(), 5000);
  st.SetBlobSize(0);
  EXPECT_EQ(st.BlobSize(), 5000);
  Run("SELECT K, Txt FROM L ORDER BY K");
  ASSERT_TRUE(st.FetchNext());
  ASSERT_TRUE(st.ColIsBlob(2));
  EXPECT_EQ(st.ColSize(2), static_cast<SQLLEN>(big.size()));
  EXPECT_EQ(st.ColString(2), big);
  EXPECT_EQ(*st.ColStream(2), big);
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColString(2), "");
  EXPECT_FALSE(st.ColNull(2));  // empty, not NULL
  ASSERT_TRUE(st.FetchNext());
  EXPECT_TRUE(st.ColNull(2));
  EXPECT_FALSE(st.FetchNext());

  // Deferred: NULL after the fetch until it is asked for.
  st.SetBlobDeferral(true);
  Run("SELECT K, Txt FROM L ORDER BY K");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_TRUE(st.ColNull(2));
  ASSERT_NE(st.ColStream(2), nullptr);
  EXPECT_EQ(st.ColStream(2)->size(), big.size());
  EXPECT_FALSE(st.ColNull(2));
  EXPECT_EQ(st.ColString(2), big);
  ASSERT_TRUE(st.FetchNext());
  EXPECT_TRUE(st.ColNull(2));
  EXPECT_EQ(st.ColString(2), "");
  EXPECT_FALSE(st.ColNull(2));
  EXPECT_EQ(st.ColStream(1), nullptr);  // not a long column
}

TEST_F(OdbcStatement, RowCountByItsMethods) {
  Numbers(5);
  const std::string sql = "SELECT K, V FROM Num\r\nWHERE K > 1\r\nORDER BY K";
  st.SetRowCountMethod(TRowCountMethod::rcSelect);
  Run(sql);
  EXPECT_EQ(st.RowCount(), 4);
  st.SetRowCountMethod(TRowCountMethod::rcTraverse);
  EXPECT_EQ(st.RowCount(), 4);
  // The driver's cursor row count (both drivers know it for a fetched result).
  st.SetRowCountMethod(TRowCountMethod::rcFunction);
  Run(sql);
  EXPECT_EQ(st.RowCount(), 4);
  int asked = 0;
  st.OnRowCount = [&](TComponent*) { return ++asked == 1 ? 17 : -1; };
  st.SetRowCountMethod(TRowCountMethod::rcCustom);
  EXPECT_EQ(st.RowCount(), 17);
  EXPECT_EQ(st.RowCount(), 4);  // -1: counted by a select
  EXPECT_EQ(asked, 2);
  // The statement's own result is untouched by the counting.
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColInteger(1), 2);
  // Grouped rows are counted as groups.
  st.SetRowCountMethod(TRowCountMethod::rcSelect);
  Run("SELECT V, COUNT(*) FROM Num GROUP BY V HAVING COUNT(*) > 0");
  EXPECT_EQ(st.RowCount(), 5);
  ledger.Exec("UPDATE Num SET V = 'same' WHERE K <= 3");
  Run("SELECT V, COUNT(*) FROM Num GROUP BY V");
  EXPECT_EQ(st.RowCount(), 3);
  Run("SELECT DISTINCT V FROM Num");
  EXPECT_EQ(st.RowCount(), 3);
  // A row limit applies to the counting statement too.
  st.SetRowCountMethod(TRowCountMethod::rcTraverse);
  st.Close();
  st.SetMaxRows(2);
  Run("SELECT K FROM Num");
  EXPECT_EQ(st.MaxRows(), 2u);
  EXPECT_EQ(st.RowCount(), 2);
}

TEST_F(OdbcStatement, FetchDirectionsRowStatusAndBookmarks) {
  Numbers(4);
  const bool pg = ledger.IsPostgres();
  // Forward only: scrolling back is the driver's error.
  Run("SELECT K FROM Num ORDER BY K");
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.RowStatus(1), SQL_ROW_SUCCESS);
  EXPECT_TRUE(st.RowValid(1));
  EXPECT_EQ(st.RowStatus(0), SQL_ROW_NOROW);
  EXPECT_EQ(st.RowStatus(2), SQL_ROW_NOROW);
  EXPECT_FALSE(st.RowValid(2));
  try {
    st.FetchPrev();
    ADD_FAILURE();
  } catch (const EODBC& e) {
    EXPECT_EQ(e.SqlState(), pg ? "HY106" : "01000") << e.ErrorMsg();
  }
  // Bookmarks of a forward-only cursor: psqlODBC offers none; sqliteodbc does.
  EXPECT_EQ((st.CursorAttributes() & SQL_CA1_BOOKMARK) != 0, !pg);

  st.Close();
  st.SetCursorType(SQL_CURSOR_STATIC);
  st.SetConcurrencyType(SQL_CONCUR_VALUES);  // changed by both drivers with 01S02, not an error
  Run("SELECT K, V FROM Num ORDER BY K");
  ASSERT_TRUE(st.FetchLast());
  EXPECT_EQ(st.ColInteger(1), 4);
  ASSERT_TRUE(st.FetchPrev());
  EXPECT_EQ(st.ColInteger(1), 3);
  ASSERT_TRUE(st.FetchFirst());
  EXPECT_EQ(st.ColInteger(1), 1);
  ASSERT_TRUE(st.FetchAbsolute(3));
  EXPECT_EQ(st.ColString(2), "v3");
  ASSERT_TRUE(st.FetchAbsolute(-1));
  EXPECT_EQ(st.ColInteger(1), 4);
  EXPECT_FALSE(st.FetchNext());
  EXPECT_EQ(st.NumRowsFetched(), 0u);
  ASSERT_TRUE(st.FetchAbsolute(2));
  ASSERT_NE(st.CursorAttributes() & SQL_CA1_BOOKMARK, 0u);
  const std::vector<unsigned char> bookmark = st.GetBookmark();
  ASSERT_EQ(bookmark.size(), static_cast<size_t>(st.BookmarkLength()));
  ASSERT_TRUE(st.FetchFirst());
  ASSERT_TRUE(st.FetchBookmark(bookmark));
  EXPECT_EQ(st.ColInteger(1), 2);

  // Walking forward, each row's bookmark read straight after its fetch equals the one read
  // again (after positioning) and leads back to that row, also past a long column read.
  ledger.Exec("ALTER TABLE Num ADD T text;\nUPDATE Num SET T = 'long ' || K;\n");
  st.Close();
  st.SetConcurrencyType(SQL_CONCUR_READ_ONLY);
  for (const std::string sql :
       {"SELECT K FROM Num ORDER BY K", "SELECT K, T FROM Num ORDER BY K"}) {
    Run(sql);
    std::vector<std::vector<unsigned char>> marks;
    while (st.FetchNext()) {
      if (st.NumCols() == 2) {
        EXPECT_EQ(st.ColString(2), "long " + std::to_string(st.ColInteger(1)));
      }
      marks.push_back(st.GetBookmark());
      ASSERT_FALSE(marks.back().empty()) << sql;
      EXPECT_EQ(st.GetBookmark(), marks.back()) << sql;
      const auto current = st.CurrentBookmark();
      EXPECT_EQ(std::vector<unsigned char>(current.begin(), current.end()), marks.back()) << sql;
    }
    ASSERT_EQ(marks.size(), 4u);
    for (int k = 4; k >= 1; --k) {
      ASSERT_TRUE(st.FetchBookmark(marks[static_cast<size_t>(k - 1)])) << sql;
      EXPECT_EQ(st.ColInteger(1), k) << sql;
    }
  }
  // A forward-only cursor whose driver cannot position it hands out no bookmark, also
  // straight after a fetch.
  st.Close();
  st.SetCursorType(SQL_CURSOR_FORWARD_ONLY);
  Run("SELECT K FROM Num ORDER BY K");
  while (st.FetchNext()) EXPECT_TRUE(st.GetBookmark().empty());

  // Bound bookmarks give the same bookmark without a positioning call.
  THstmt bound;
  bound.SethDbc(&db);
  bound.SetCursorType(SQL_CURSOR_STATIC);
  bound.SetBindBookmarks(true);
  bound.SetSQL("SELECT K FROM Num ORDER BY K");
  bound.Execute();
  EXPECT_TRUE(bound.BindBookmarks());
  ASSERT_TRUE(bound.FetchAbsolute(3));
  const auto third = bound.GetBookmark();
  ASSERT_FALSE(third.empty());
  ASSERT_TRUE(bound.FetchFirst());
  ASSERT_TRUE(bound.FetchBookmark(third));
  EXPECT_EQ(bound.ColInteger(1), 3);
}

TEST_F(OdbcStatement, ColByNameCloseAndAsync) {
  ledger.LoadSample();
  Run("SELECT Kljuc, PoslDog FROM Teme ORDER BY Kljuc");
  EXPECT_EQ(st.ColByName("POSLDOG"), 2);
  EXPECT_EQ(st.ColByName("kljuc"), 1);
  try {
    st.ColByName("NoSuch Col");
    ADD_FAILURE();
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Identifier NoSuch Col not found in result set.");
  }
  st.Close();
  // Describing a result before any Execute is the driver's error.
  EXPECT_THROW(st.NumCols(), EODBC);

  // Close connects a connection that is not open.
  db.Disconnect();
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(st.Allocated());
  st.Close();
  EXPECT_TRUE(db.Connected());
  EXPECT_TRUE(st.Allocated());
  THstmt orphan(nullptr, "qOrphan");
  try {
    orphan.Close();
    ADD_FAILURE();
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Property Hdbc of qOrphan not set.");
  }

  // Asynchronous execution gives the same result and ends switched off.
  int polls = 0;
  GlobalEnv().ProcessMessages = [&] { ++polls; };
  st.SetExecAsync(true);
  Run("SELECT COUNT(*) FROM Teme");
  GlobalEnv().ProcessMessages = nullptr;
  EXPECT_FALSE(st.AsyncOn());
  ASSERT_TRUE(st.FetchNext());
  EXPECT_EQ(st.ColString(1), ledger.Scalar("SELECT COUNT(*) FROM Teme"));
  EXPECT_GE(polls, 0);
  st.SetSQL("SELECT Nope FROM Teme");
  EXPECT_THROW(st.Execute(), EODBC);
  EXPECT_FALSE(st.AsyncOn());

  // Defaults of a new statement.
  THstmt fresh;
  EXPECT_EQ(fresh.ConcurrencyType(), static_cast<SQLUINTEGER>(SQL_CONCUR_READ_ONLY));
  EXPECT_EQ(fresh.CursorType(), static_cast<SQLUINTEGER>(SQL_CURSOR_FORWARD_ONLY));
  EXPECT_EQ(fresh.RowSetSize(), 1u);
  fresh.SetRowSetSize(0);
  EXPECT_EQ(fresh.RowSetSize(), 1u);
  EXPECT_EQ(fresh.BlobPlacement(), TBlobPlacement::bpDetect);
  EXPECT_EQ(fresh.EmptyStringToNull(), TEmptyToNull::enNever);
  EXPECT_EQ(fresh.StringTrimming(), TStringTrimming::stTrimTrailing);
  EXPECT_EQ(fresh.RowCountMethod(), TRowCountMethod::rcFunction);
  EXPECT_EQ(fresh.NoRowsAffected(), static_cast<TNoRowsAffected>(nrByUpdate));
  EXPECT_FALSE(fresh.BindBookmarks() || fresh.BlobDeferral() || fresh.ExecAsync() ||
               fresh.SkipByCursor() || fresh.SkipByPosition() || fresh.BindByName());
}
