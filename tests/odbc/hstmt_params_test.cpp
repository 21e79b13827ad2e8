// Parameters of the statement on both ledgers: token names, lookup by name, parameter
// types, binding by description or by the driver table, arrays, long values in parts
// or whole, named binding and the data-at-execution lengths.
#include <cstring>
#include <string>
#include <vector>

#include "odbc/odbcerror.h"
#include "statement_fixture.h"

namespace prenos::testing {
namespace {

class ParamTest : public StatementTest {
 protected:
  ParamTest() {
    ledger.Exec(
        "CREATE TABLE P (A varchar(10), B integer, C varchar(10), Memo text);"
        "INSERT INTO P (A, B, C) VALUES ('first', 1, 'x');"
        "INSERT INTO P (A, B, C) VALUES ('second', 2, 'y');"
        "INSERT INTO P (A, B, C) VALUES ('third', 2, 'z');");
  }

  // Column 1 of every row of the statement's result.
  std::vector<std::string> Column1(THstmt& s) {
    std::vector<std::string> out;
    while (s.FetchNext()) out.push_back(s.ColString(1));
    return out;
  }

  std::string QuarnelMessage(const std::function<void()>& f) {
    try {
      f();
    } catch (const EQuarnel& e) {
      return e.what();
    }
    return "(no exception)";
  }
};

TEST_F(ParamTest, NamesInOrderAndTheStatementRunsWithBoundValues) {
  q.SetSQL("SELECT A FROM P WHERE B = :b AND C = :c_2");
  EXPECT_EQ(q.ParamNames(), (std::vector<std::string>{"b", "c_2"}));
  EXPECT_EQ(q.ParamByName("B"), 1);
  EXPECT_EQ(q.ParamByName("c_2"), 2);

  // Prepared: the driver describes the parameters; text lengths are set after binding.
  int32_t b = 2;
  char c[11] = "y";
  q.Prepare();
  q.BindParam(q.ParamByName("b"), SQL_C_SLONG, SQL_INTEGER, &b);
  q.BindParam(q.ParamByName("c_2"), SQL_C_CHAR, SQL_VARCHAR, c);
  q.SetParamSize(2, static_cast<SQLLEN>(std::strlen(c)));
  q.Execute();
  EXPECT_EQ(Column1(q), std::vector<std::string>{"second"});

  // Executed again with other values in the same buffers.
  std::strcpy(c, "z");
  q.SetParamSize(2, 1);
  q.Execute();
  EXPECT_EQ(Column1(q), std::vector<std::string>{"third"});

  // Not prepared: the sizes come from the driver table and texts go zero-terminated.
  q.Close();
  q.SetSQL("SELECT A FROM P WHERE B = :b AND C = :c_2 OR A = :a ORDER BY A");
  EXPECT_EQ(q.ParamNames(), (std::vector<std::string>{"b", "c_2", "a"}));
  b = 1;
  std::strcpy(c, "x");
  char a[11] = "third";
  q.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &b);
  q.BindParam(2, SQL_C_CHAR, SQL_VARCHAR, c);
  q.BindParam(3, SQL_C_CHAR, SQL_VARCHAR, a);
  EXPECT_EQ(q.GetParamSize(2), SQL_NTS);
  q.Execute();
  EXPECT_EQ(Column1(q), (std::vector<std::string>{"first", "third"}));
}

TEST_F(ParamTest, RepeatedNamesAndUnknownNames) {
  q.SetSQL("SELECT A FROM P WHERE B = :Val OR B = :val OR C = ':x' OR C = :other");
  EXPECT_EQ(q.ParamNames(), (std::vector<std::string>{"Val", "val", "other"}));
  EXPECT_EQ(q.ParamByName("VAL"), 1);
  EXPECT_EQ(q.ParamByName("Other"), 3);
  EXPECT_EQ(QuarnelMessage([&] { q.ParamByName("x"); }), "Token X not found in SQL statement.");
  EXPECT_EQ(QuarnelMessage([&] { q.ParamByName("no_such1"); }),
            "Token NO_SUCH1 not found in SQL statement.");

  // Names of the text as it stands when no parse has happened since it was set.
  q.Close();
  q.SetSQL("UPDATE P SET A = :newA WHERE B = :key");
  EXPECT_EQ(q.ParamByName("key"), 2);
}

TEST_F(ParamTest, ParameterTypeServesOneBindOnly) {
  q.SetSQL("SELECT A FROM P WHERE B = :b AND C = :c");
  q.Prepare();
  int32_t b = 2;
  char c[11] = "y";
  q.SetParamType(3);  // not a parameter type: ignored
  q.SetParamType(SQL_PARAM_INPUT_OUTPUT);
  q.SetParamType(7);
  q.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &b);
  q.BindParam(2, SQL_C_CHAR, SQL_VARCHAR, c);
  q.SetParamSize(2, 1);

  // psqlODBC keeps the types in its parameter descriptor; sqliteodbc has no descriptor
  // functions, so there only the execution below shows that the binds stand.
  SQLHDESC ipd = nullptr;
  ASSERT_TRUE(SQL_SUCCEEDED(
      SQLGetStmtAttr(q.Handle(), SQL_ATTR_IMP_PARAM_DESC, &ipd, sizeof ipd, nullptr)));
  SQLSMALLINT first = 0, second = 0;
  const bool readable =
      SQL_SUCCEEDED(SQLGetDescField(ipd, 1, SQL_DESC_PARAMETER_TYPE, &first, 0, nullptr)) &&
      SQL_SUCCEEDED(SQLGetDescField(ipd, 2, SQL_DESC_PARAMETER_TYPE, &second, 0, nullptr));
  EXPECT_EQ(readable, ledger.IsPostgres());
  if (readable) {
    EXPECT_EQ(first, SQL_PARAM_INPUT_OUTPUT);
    EXPECT_EQ(second, SQL_PARAM_INPUT);
  }
  q.SetParamType(SQL_PARAM_INPUT);
  q.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &b);
  q.Execute();
  EXPECT_EQ(Column1(q), std::vector<std::string>{"second"});
}

TEST_F(ParamTest, DescriptionFromTheDriverOrFromTheDriverTable) {
  // Before a prepare the driver cannot describe: the table's "Default" entry answers.
  q.SetSQL("SELECT A FROM P WHERE B = :b AND C = :c");
  SQLSMALLINT type = SQL_VARCHAR;
  TParamDescription d = q.DescribeParam(2, type, false);
  EXPECT_EQ(type, SQL_VARCHAR);
  EXPECT_EQ(d.ColumnSize, 255u);
  EXPECT_EQ(d.Nullable, SQL_NULLABLE_UNKNOWN);
  type = SQL_TYPE_TIMESTAMP;
  d = q.DescribeParam(1, type, true);
  EXPECT_EQ(d.ColumnSize, 19u);
  EXPECT_EQ(d.DecimalDigits, 0);
  type = SQL_NUMERIC;
  d = q.DescribeParam(1, type, true);
  EXPECT_EQ(d.ColumnSize, 15u);
  EXPECT_EQ(d.DecimalDigits, 15);
  type = SQL_INTEGER;
  d = q.DescribeParam(1, type, true);
  EXPECT_EQ(d.ColumnSize, 0u);

  // An entry for this driver's key wins over "Default".
  db.AddDriver(db.DriverKey()).VarcharSize = 77;
  type = SQL_VARCHAR;
  EXPECT_EQ(q.DescribeParam(2, type, true).ColumnSize, 77u);

  // Prepared, the driver describes: psqlODBC knows the integer and calls the text
  // parameter a long one; sqliteodbc calls every parameter a long text.
  q.Prepare();
  type = SQL_VARCHAR;
  q.DescribeParam(1, type, false);
  EXPECT_EQ(type, ledger.IsPostgres() ? SQL_INTEGER : SQL_LONGVARCHAR);
  type = SQL_VARCHAR;
  q.DescribeParam(2, type, false);
  EXPECT_EQ(type, SQL_LONGVARCHAR);
}

TEST_F(ParamTest, ArraysIndicatorsAndBulkBlobs) {
  q.SetSQL("INSERT INTO P (A, B) VALUES (:a, :b)");
  q.Prepare();
  // Texts of an array go in 256-byte elements.
  std::vector<char> names(3 * 256, 0);
  std::strcpy(&names[0], "arr1");
  std::strcpy(&names[256], "arr2");
  std::strcpy(&names[512], "arr3");
  int32_t numbers[3] = {10, 11, 12};
  q.BindParamMain(1, SQL_C_CHAR, 3, SQL_NULLABLE, 0, 10, SQL_VARCHAR, names.data());
  q.BindParamMain(2, SQL_C_SLONG, 3, SQL_NULLABLE, 0, 0, SQL_INTEGER, numbers);
  EXPECT_EQ(q.GetParamSize(1), SQL_NTS);
  EXPECT_EQ(q.GetParamSize(2), 0);
  q.Execute();
  EXPECT_EQ(
      ledger.Query("SELECT A, B FROM P WHERE B >= 10 ORDER BY B"),
      (std::vector<std::vector<std::string>>{{"arr1", "10"}, {"arr2", "11"}, {"arr3", "12"}}));

  // Long values cannot go as arrays; a missing value pointer is NULL.
  q.Close();
  q.SetSQL("INSERT INTO P (A, B, Memo) VALUES (:a, :b, :m)");
  q.Prepare();
  std::string memo = "text";
  EXPECT_EQ(QuarnelMessage([&] {
              q.BindParamMain(3, SQL_C_CHAR, 2, SQL_NULLABLE, 0, 0, SQL_LONGVARCHAR, memo.data());
            }),
            "Cannot insert bulk blobs.");
  char a[11] = "nulls";
  q.BindParamMain(1, SQL_C_CHAR, 0, SQL_NULLABLE, 0, 10, SQL_VARCHAR, a);
  q.BindParamMain(2, SQL_C_SLONG, 0, SQL_NULLABLE, 0, 0, SQL_INTEGER, nullptr);
  q.BindParamMain(3, SQL_C_CHAR, 0, SQL_NULLABLE, 0, 0, SQL_VARCHAR, nullptr);
  EXPECT_EQ(q.GetParamSize(2), SQL_NULL_DATA);
  // Binding a number again updates its record.
  q.BindParamMain(1, SQL_C_CHAR, 0, SQL_NULLABLE, 0, 10, SQL_VARCHAR, a);
  q.Execute();
  EXPECT_EQ(
      ledger.Scalar("SELECT COUNT(*) FROM P WHERE A = 'nulls' AND B IS NULL AND Memo IS NULL"),
      "1");
}

TEST_F(ParamTest, LongTextByPartsWholeAndDetected) {
  // Longer than BlobSize, so parts are several pieces.
  std::string memo;
  for (int i = 0; memo.size() < 100000; ++i) memo += "line " + std::to_string(i) + " of the memo; ";
  const struct {
    TBlobPlacement placement;
    int key;
  } cases[] = {{TBlobPlacement::bpByParts, 101},
               {TBlobPlacement::bpByExec, 102},
               {TBlobPlacement::bpDetect, 103}};
  for (const auto& c : cases) {
    q.Close();
    q.SetBlobPlacement(c.placement);
    q.SetSQL("INSERT INTO P (B, Memo) VALUES (:b, :memo)");
    q.Prepare();
    int32_t key = c.key;
    std::string value = memo + std::to_string(c.key);
    q.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &key);
    q.BindParamStream(2, value, false);
    EXPECT_EQ(q.GetParamSize(2), static_cast<SQLLEN>(value.size()));
    q.Execute();
    EXPECT_EQ(ledger.Scalar("SELECT length(Memo) FROM P WHERE B = " + std::to_string(c.key)),
              std::to_string(value.size()));
    EXPECT_EQ(ledger.Scalar("SELECT substr(Memo, " + std::to_string(value.size() - 20) +
                            ") FROM P WHERE B = " + std::to_string(c.key)),
              value.substr(value.size() - 21));
  }
  // The same long value read back through the statement.
  Run(q, "SELECT Memo FROM P WHERE B = 102");
  ASSERT_TRUE(q.FetchNext());
  EXPECT_EQ(q.ColString(1), memo + "102");

  // An empty stream is NULL.
  q.Close();
  q.SetSQL("INSERT INTO P (B, Memo) VALUES (:b, :memo)");
  q.Prepare();
  int32_t key = 104;
  std::string empty;
  q.BindParam(1, SQL_C_SLONG, SQL_INTEGER, &key);
  q.BindParamStream(2, empty, false);
  q.Execute();
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM P WHERE B = 104 AND Memo IS NULL"), "1");
}

TEST_F(ParamTest, DataAtExecutionLengths) {
  q.SetBlobPlacement(TBlobPlacement::bpByParts);
  q.SetSQL("INSERT INTO P (B, Memo) VALUES (:b, :memo)");
  q.Prepare();
  char memo[] = "0123456789";
  q.BindParamMain(2, SQL_C_CHAR, 0, SQL_NULLABLE, 0, 0, SQL_LONGVARCHAR, memo);
  EXPECT_EQ(q.GetParamSize(2), 0);
  q.SetParamSize(2, 10);
  EXPECT_EQ(q.GetParamSize(2), 10);
  q.SetParamSize(2, 4);
  EXPECT_EQ(q.GetParamSize(2), 4);
  int32_t key = 201;
  q.BindParamMain(1, SQL_C_SLONG, 0, SQL_NULLABLE, 0, 0, SQL_INTEGER, &key);
  q.Execute();
  EXPECT_EQ(ledger.Scalar("SELECT Memo FROM P WHERE B = 201"), "0123");

  // NULL for one execution, and in parts again for the next.
  q.SetParamSize(2, SQL_NULL_DATA);
  EXPECT_EQ(q.GetParamSize(2), SQL_NULL_DATA);
  key = 202;
  q.Execute();
  q.SetParamSize(2, 6);
  EXPECT_EQ(q.GetParamSize(2), 6);
  key = 203;
  q.Execute();
  EXPECT_EQ(
      ledger.Query("SELECT B, Memo IS NULL, Memo FROM P WHERE B > 200 ORDER BY B"),
      (std::vector<std::vector<std::string>>{{"201", ledger.IsPostgres() ? "f" : "0", "0123"},
                                             {"202", ledger.IsPostgres() ? "t" : "1", ""},
                                             {"203", ledger.IsPostgres() ? "f" : "0", "012345"}}));

  // Whole from the buffer, the size is the plain length.
  q.Close();
  q.SetBlobPlacement(TBlobPlacement::bpByExec);
  q.SetSQL("INSERT INTO P (B, Memo) VALUES (:b, :memo)");
  q.Prepare();
  q.BindParamMain(2, SQL_C_CHAR, 0, SQL_NULLABLE, 0, 0, SQL_LONGVARCHAR, memo);
  EXPECT_EQ(q.GetParamSize(2), 0);
  q.SetParamSize(2, 3);
  EXPECT_EQ(q.GetParamSize(2), 3);
  key = 204;
  q.BindParamMain(1, SQL_C_SLONG, 0, SQL_NULLABLE, 0, 0, SQL_INTEGER, &key);
  q.Execute();
  EXPECT_EQ(ledger.Scalar("SELECT Memo FROM P WHERE B = 204"), "012");

  // A number without a parameter.
  EXPECT_EQ(q.GetParamSize(9), 0);
  q.SetParamSize(9, 5);
  EXPECT_EQ(q.GetParamSize(9), 0);
}

TEST_F(ParamTest, BindByNameNamesTheParametersAndUsesTheDriverTable) {
  q.SetBindByName(true);
  q.SetSQL("INSERT INTO P (A, B, C) VALUES (:a, :b, :c)");
  q.Prepare();
  char a[11] = "named";
  char c[11] = "n";
  int32_t b = 301;
  q.BindParam(1, SQL_C_CHAR, SQL_VARCHAR, a);
  q.BindParam(2, SQL_C_SLONG, SQL_INTEGER, &b);
  q.BindParam(3, SQL_C_CHAR, SQL_VARCHAR, c);
  // Described by the table, the texts stay VARCHAR and zero-terminated, where the driver
  // would have called them long.
  EXPECT_EQ(q.GetParamSize(1), SQL_NTS);
  EXPECT_EQ(q.GetParamSize(3), SQL_NTS);
  q.Execute();
  EXPECT_EQ(ledger.Query("SELECT A, B, C FROM P WHERE B = 301"),
            (std::vector<std::vector<std::string>>{{"named", "301", "n"}}));
}

}  // namespace
}  // namespace prenos::testing
