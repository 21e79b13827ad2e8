// The layer's conversion helpers, parameter tokens, connection string, driver table and
// the fixed diagnostic texts, without a database.
#include <gtest/gtest.h>

#include <cstring>

#include "odbc/hdbc.h"
#include "odbc/henv.h"
#include "odbc/odbcconvert.h"

using namespace prenos;

TEST(OdbcConvert, FloatingValuesUseTheFixedScientificForm) {
  double v = 123;
  EXPECT_EQ(BufferToText(&v, SQL_C_DOUBLE, TStringTrimming::stTrimTrailing),
            " 1.23000000000000E+0002");
  v = 42;
  EXPECT_EQ(BufferToText(&v, SQL_C_DOUBLE, TStringTrimming::stTrimTrailing),
            " 4.20000000000000E+0001");
  v = -0.00125;
  EXPECT_EQ(BufferToText(&v, SQL_C_DOUBLE, TStringTrimming::stTrimNone), "-1.25000000000000E-0003");
  v = 0;
  EXPECT_EQ(BufferToText(&v, SQL_C_DOUBLE, TStringTrimming::stTrimNone), " 0.00000000000000E+0000");
  EXPECT_EQ(FloatToSciText(1e300).size(), 23u);
  // Real values are widened first; trimming at both ends drops the sign blank.
  float f = 0.1f;
  EXPECT_EQ(BufferToText(&f, SQL_C_FLOAT, TStringTrimming::stTrimTrailing),
            " 1.00000001490116E-0001");
  EXPECT_EQ(BufferToText(&f, SQL_C_FLOAT, TStringTrimming::stTrimBoth), "1.00000001490116E-0001");
}

TEST(OdbcConvert, IntegersDatesAndTimesAsText) {
  const int64_t big = -9000000000LL;
  EXPECT_EQ(BufferToText(&big, SQL_C_SBIGINT, TStringTrimming::stTrimTrailing), "-9000000000");
  const uint64_t ubig = 18446744073709551615ULL;  // printed as a signed 64-bit value
  EXPECT_EQ(BufferToText(&ubig, SQL_C_UBIGINT, TStringTrimming::stTrimTrailing), "-1");
  const int16_t s = -7;
  EXPECT_EQ(BufferToText(&s, SQL_C_SSHORT, TStringTrimming::stTrimTrailing), "-7");
  const uint8_t bit = 1;
  EXPECT_EQ(BufferToText(&bit, SQL_C_BIT, TStringTrimming::stTrimTrailing), "1");
  const SQL_DATE_STRUCT d{2004, 1, 15};
  EXPECT_EQ(BufferToText(&d, SQL_C_TYPE_DATE, TStringTrimming::stTrimTrailing), "2004-01-15");
  const SQL_DATE_STRUCT early{5, 3, 2};
  EXPECT_EQ(BufferToText(&early, SQL_C_TYPE_DATE, TStringTrimming::stTrimTrailing), "05-03-02");
  const SQL_TIME_STRUCT t{8, 30, 5};
  EXPECT_EQ(BufferToText(&t, SQL_C_TYPE_TIME, TStringTrimming::stTrimTrailing), "08:30:05");
  const SQL_TIMESTAMP_STRUCT ts{2004, 1, 15, 8, 30, 0, 120000000};
  EXPECT_EQ(BufferToText(&ts, SQL_C_TYPE_TIMESTAMP, TStringTrimming::stTrimTrailing),
            "2004-01-15 08:30:00.120000000");
  const unsigned char bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(BufferToText(bytes, SQL_C_BINARY, TStringTrimming::stTrimTrailing), "");
  const char text[] = "  AB  ";
  EXPECT_EQ(BufferToText(text, SQL_C_CHAR, TStringTrimming::stTrimTrailing), "  AB");
  EXPECT_EQ(BufferToText(text, SQL_C_CHAR, TStringTrimming::stTrimLeading), "AB  ");
  EXPECT_EQ(BufferToText(text, SQL_C_CHAR, TStringTrimming::stTrimBoth), "AB");
  EXPECT_EQ(BufferToText(text, SQL_C_CHAR, TStringTrimming::stTrimNone), "  AB  ");
}

TEST(OdbcConvert, NumbersFromBuffers) {
  const char num[] = " 12.5 ";
  EXPECT_DOUBLE_EQ(BufferToDouble(num, SQL_C_CHAR), 12.5);
  const char junk[] = "12x";
  EXPECT_EQ(BufferToDouble(junk, SQL_C_CHAR), 0);
  EXPECT_EQ(BufferToInteger(junk, SQL_C_CHAR), 0);
  const char integer[] = " -42 ";
  EXPECT_EQ(BufferToInteger(integer, SQL_C_CHAR), -42);
  double half = 2.5, half3 = 3.5, neg = -2.5;
  EXPECT_EQ(BufferToInteger(&half, SQL_C_DOUBLE), 2);
  EXPECT_EQ(BufferToInteger(&half3, SQL_C_DOUBLE), 4);
  EXPECT_EQ(BufferToInteger(&neg, SQL_C_DOUBLE), -2);
  const int64_t wide = 0x100000005LL;
  EXPECT_EQ(BufferToInteger(&wide, SQL_C_SBIGINT), 5);  // the low 32 bits
  EXPECT_EQ(BufferToInt64(&wide, SQL_C_SBIGINT), 0x100000005LL);
  const int32_t minus = -3;
  EXPECT_EQ(BufferToInt64(&minus, SQL_C_SLONG), -3);
  const SQL_DATE_STRUCT d{2004, 1, 15};
  EXPECT_EQ(BufferToDouble(&d, SQL_C_TYPE_DATE), 0);
  EXPECT_EQ(BufferToInteger(&d, SQL_C_TYPE_DATE), 0);
}

TEST(OdbcConvert, TextToBufferStoresOrRefuses) {
  unsigned char buf[32];
  SQLLEN len = 0;
  ASSERT_TRUE(
      TextToBuffer("hello world", buf, SQL_C_CHAR, TStringTrimming::stTrimTrailing, 6, len));
  EXPECT_EQ(len, 5);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "hello");
  ASSERT_TRUE(TextToBuffer("ab", buf, SQL_C_BINARY, TStringTrimming::stTrimNone, 8, len));
  EXPECT_EQ(len, 2);
  ASSERT_TRUE(TextToBuffer(" 1.23000000000000E+0002", buf, SQL_C_DOUBLE,
                           TStringTrimming::stTrimTrailing, 8, len));
  double d;
  std::memcpy(&d, buf, 8);
  EXPECT_DOUBLE_EQ(d, 123);
  EXPECT_EQ(len, 8);
  ASSERT_TRUE(TextToBuffer("-1234", buf, SQL_C_SSHORT, TStringTrimming::stTrimTrailing, 2, len));
  int16_t s;
  std::memcpy(&s, buf, 2);
  EXPECT_EQ(s, -1234);
  // A value that does not convert, or does not fit, leaves the buffer alone.
  std::memset(buf, 0x55, sizeof buf);
  EXPECT_FALSE(TextToBuffer("70000", buf, SQL_C_SSHORT, TStringTrimming::stTrimTrailing, 2, len));
  EXPECT_FALSE(TextToBuffer("abc", buf, SQL_C_SLONG, TStringTrimming::stTrimTrailing, 4, len));
  EXPECT_FALSE(
      TextToBuffer("2004-1-15", buf, SQL_C_TYPE_DATE, TStringTrimming::stTrimTrailing, 6, len));
  EXPECT_EQ(buf[0], 0x55);
  ASSERT_TRUE(TextToBuffer("2004-01-15 08:30:00.123", buf, SQL_C_TYPE_TIMESTAMP,
                           TStringTrimming::stTrimTrailing, 16, len));
  SQL_TIMESTAMP_STRUCT ts;
  std::memcpy(&ts, buf, sizeof ts);
  EXPECT_EQ(ts.year, 2004);
  EXPECT_EQ(ts.day, 15);
  EXPECT_EQ(ts.minute, 30);
  EXPECT_EQ(ts.fraction, 123000000u);
  EXPECT_EQ(len, 16);
  // The text form of every type reads back into the same value.
  const SQL_TIMESTAMP_STRUCT back{1999, 12, 31, 23, 59, 58, 5};
  const std::string text =
      BufferToText(&back, SQL_C_TYPE_TIMESTAMP, TStringTrimming::stTrimTrailing);
  ASSERT_TRUE(
      TextToBuffer(text, buf, SQL_C_TYPE_TIMESTAMP, TStringTrimming::stTrimTrailing, 16, len));
  std::memcpy(&ts, buf, sizeof ts);
  EXPECT_EQ(BufferToText(&ts, SQL_C_TYPE_TIMESTAMP, TStringTrimming::stTrimTrailing), text);
}

TEST(OdbcConvert, SizesTypesAndDateTimes) {
  EXPECT_EQ(CTypeSize(SQL_C_CHAR), 256);
  EXPECT_EQ(CTypeSize(SQL_C_BINARY), 256);
  EXPECT_EQ(CTypeSize(SQL_C_SLONG), 4);
  EXPECT_EQ(CTypeSize(SQL_C_DOUBLE), 8);
  EXPECT_EQ(CTypeSize(SQL_C_TYPE_DATE), 6);
  EXPECT_EQ(CTypeSize(SQL_C_TYPE_TIMESTAMP), 16);
  EXPECT_EQ(CTypeSize(SQL_C_BIT), 1);
  EXPECT_EQ(CTypeSize(SQL_C_USHORT), 2);
  EXPECT_EQ(CTypeSize(SQL_C_GUID), 0);
  EXPECT_EQ(CTypeToSQLType(SQL_C_FLOAT), SQL_REAL);
  EXPECT_EQ(CTypeToSQLType(SQL_C_UBIGINT), SQL_BIGINT);
  EXPECT_EQ(CTypeToSQLType(SQL_C_UTINYINT), SQL_TINYINT);
  EXPECT_EQ(CTypeToSQLType(SQL_C_GUID), 99);

  const SQL_TIMESTAMP_STRUCT ts{2004, 1, 15, 12, 0, 0, 250000000};
  const TDateTime v = TimestampToDateTime(ts);
  EXPECT_NEAR(v, EncodeDate(2004, 1, 15) + EncodeTime(12, 0, 0, 250), 1e-9);
  const SQL_TIMESTAMP_STRUCT round = DateTimeToTimestamp(v);
  EXPECT_EQ(round.year, 2004);
  EXPECT_EQ(round.hour, 12);
  EXPECT_EQ(round.fraction, 250000000u);
  const SQL_TIMESTAMP_STRUCT fromDate = DateToTimestamp(SQL_DATE_STRUCT{2010, 5, 6});
  EXPECT_EQ(fromDate.hour, 0);
  EXPECT_EQ(fromDate.day, 6);
  const SQL_TIMESTAMP_STRUCT fromTime = TimeToTimestamp(SQL_TIME_STRUCT{7, 8, 9});
  EXPECT_EQ(fromTime.year, 1899);
  EXPECT_EQ(fromTime.month, 12);
  EXPECT_EQ(fromTime.day, 30);
  EXPECT_EQ(fromTime.second, 9);
  EXPECT_EQ(TimestampToDate(ts).month, 1);
  EXPECT_EQ(TimestampToTime(ts).hour, 12);
  EXPECT_THROW(TimestampToDateTime(SQL_TIMESTAMP_STRUCT{2004, 13, 1, 0, 0, 0, 0}), EConvertError);
}

TEST(OdbcConvert, IdentifiersAndLists) {
  EXPECT_EQ(QuoteIdentifier("TemePoz"), "TemePoz");
  EXPECT_EQ(QuoteIdentifier("My Table"), "\"My Table\"");
  EXPECT_EQ(QuoteIdentifier("A$B"), "\"A$B\"");
  EXPECT_EQ(QuoteIdentifier("dbo.Teme"), "dbo.Teme");
  EXPECT_EQ(QuoteIdentifier("x as y"), "x as y");
  EXPECT_EQ(QuoteIdentifier("{fn NOW()}"), "{fn NOW()}");
  EXPECT_EQ(QuoteIdentifier("\"a b\""), "\"a b\"");
  EXPECT_EQ(IndexOfText("kljuc", {"Poz", "KLJUC", "kljuc"}), 1);
  EXPECT_EQ(IndexOfText("none", {"Poz"}), -1);
  EXPECT_EQ(TrimByMode("  a  ", TStringTrimming::stTrimNone), "  a  ");
}

TEST(OdbcTokens, NamesBecomeMarkersOutsideLiterals) {
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(ParseParamTokens("SELECT A FROM T WHERE B = :b AND C = :c_2", names),
            "SELECT A FROM T WHERE B = ? AND C = ?");
  EXPECT_EQ(names, (std::vector<std::string>{"b", "c_2"}));
  const std::string batch = "INSERT INTO T (A) VALUES ('12:30'); INSERT INTO T (A) VALUES ('x''y')";
  EXPECT_EQ(ParseParamTokens(batch, names), batch);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(ParseParamTokens("SELECT \"a\" FROM T WHERE x = 'it''s :no' AND y = :p@1", names),
            "SELECT \"a\" FROM T WHERE x = 'it''s :no' AND y = ?");
  EXPECT_EQ(names, (std::vector<std::string>{"p@1"}));
  EXPECT_EQ(ParseParamTokens("SELECT :a, :a", names), "SELECT ?, ?");
  EXPECT_EQ(names.size(), 2u);
  for (const char* bad : {"SELECT A FROM T WHERE B = :", "SELECT A FROM T WHERE B = : b"}) {
    try {
      ParseParamTokens(bad, names);
      ADD_FAILURE() << bad;
    } catch (const EQuarnel& e) {
      EXPECT_STREQ(e.what(), "Invalid parameter token in SQL statement.");
    }
  }
}

TEST(OdbcConnectionString, ValuesAreBracedOnlyWhenTheyMustBe) {
  THdbc db;
  db.SetDataSource("MSStelvar");
  db.SetUserName("sa");
  db.SetDriver("SQL Server");
  EXPECT_EQ(db.ConnectionString(), "DSN=MSStelvar;UID=sa;DRIVER=SQL Server;");
  db.SetPassword("se;cret");
  EXPECT_EQ(db.ConnectionString(), "DSN=MSStelvar;UID=sa;PWD={se;cret};DRIVER=SQL Server;");
  db.SetPassword("a}b{");
  EXPECT_EQ(db.ConnectionString(), "DSN=MSStelvar;UID=sa;PWD={a}}b{};DRIVER=SQL Server;");
  db.SetPassword(" pad");
  EXPECT_EQ(db.ConnectionString(), "DSN=MSStelvar;UID=sa;PWD={ pad};DRIVER=SQL Server;");
  db.SetPassword("x=y");
  db.SetAttributes({"Port=54329", "ReadOnly=0"});
  EXPECT_EQ(db.ConnectionString(),
            "DSN=MSStelvar;UID=sa;PWD=x=y;DRIVER=SQL Server;Port=54329;ReadOnly=0;");
  THdbc empty;
  EXPECT_EQ(empty.ConnectionString(), "");
}

TEST(OdbcConnection, DefaultsAndDriverTable) {
  THdbc db;
  EXPECT_STREQ(db.ClassName(), "THdbc");
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(db.IsolationLevel(), static_cast<SQLUINTEGER>(SQL_TXN_READ_COMMITTED));
  EXPECT_EQ(db.InfoPrompt(), SQL_DRIVER_NOPROMPT);
  EXPECT_EQ(db.CursorLib(), static_cast<SQLUINTEGER>(SQL_CUR_USE_DRIVER));
  EXPECT_EQ(db.ConnectionPooling(), TConnectionPooling::cpDefault);

  ASSERT_EQ(db.DriverTable().size(), 13u);
  EXPECT_EQ(db.DriverTable()[0].Key, "Default");
  EXPECT_EQ(db.DriverTable()[12].Key, "FoxPro;odbcjt32.dll");
  TDriverRec* ms = db.FindDriver("MICROSOFT SQL SERVER;SQLSRV32.DLL");
  ASSERT_NE(ms, nullptr);
  EXPECT_EQ(ms, db.FindDriver("Microsoft SQL Server;sqlsrv32.dll"));
  EXPECT_EQ(ms->TimestampSize, 23u);
  EXPECT_EQ(ms->TimestampDigits, 3);
  EXPECT_EQ(ms->VarcharSize, 255u);
  const TDriverRec* def = db.FindDriver("default");
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->LongVarcharSize, 2147483647u);
  EXPECT_EQ(def->DecimalSize, 15u);
  EXPECT_EQ(def->NumericDigits, 15);
  EXPECT_EQ(def->TimestampSize, 19u);
  const TDriverRec* sybase = db.FindDriver("SQL Server;sysybnt.dll");
  ASSERT_NE(sybase, nullptr);
  EXPECT_EQ(sybase->VarcharSize, 30u);
  EXPECT_EQ(sybase->VarbinarySize, 8u);
  const TDriverRec* dbase = db.FindDriver("dBase;odbcjt32.dll");
  ASSERT_NE(dbase, nullptr);
  EXPECT_EQ(dbase->CharSize, 254u);
  EXPECT_EQ(dbase->LongVarbinarySize, 1073741823u);
  EXPECT_EQ(db.FindDriver("PostgreSQL;psqlodbca.so"), nullptr);

  try {
    db.GetFunctions(SQL_API_ALL_FUNCTIONS);
    ADD_FAILURE();
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Cannot return information for more than one function at a time.");
  }
  EXPECT_THROW(db.GetFunctions(SQL_API_ODBC3_ALL_FUNCTIONS), EQuarnel);
}

TEST(OdbcDiagnostics, FixedTextsAndRecordNavigation) {
  THenv& env = GlobalEnv();
  EXPECT_STREQ(env.ClassName(), "THenv");
  ASSERT_TRUE(env.Allocated());
  TODBCError& error = env.Error;
  EXPECT_TRUE(TODBCError::IsSuccess(SQL_SUCCESS));
  EXPECT_TRUE(TODBCError::IsSuccess(SQL_SUCCESS_WITH_INFO));
  EXPECT_FALSE(TODBCError::IsSuccess(SQL_NO_DATA));
  EXPECT_FALSE(TODBCError::IsSuccess(SQL_STILL_EXECUTING));
  EXPECT_FALSE(TODBCError::IsSuccess(SQL_ERROR));

  // A fresh connection handle holds no records.
  SQLHDBC dbc = SQL_NULL_HDBC;
  ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env.Handle(), &dbc)));
  error.HandleType = SQL_HANDLE_DBC;
  error.Handle = dbc;
  auto list = error.GetErrorList(SQL_SUCCESS_WITH_INFO);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Message, "Unable to Retrieve ODBC Error");
  EXPECT_EQ(list[0].SqlState, "");
  EXPECT_EQ(list[0].NativeError, 0);
  // The driver manager's own record: exactly that one, no trailing fixed text.
  ASSERT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(99), 0),
            SQL_ERROR);
  list = error.GetErrorList(SQL_ERROR);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].SqlState, "HY024");
  EXPECT_NE(list[0].Message.find("Invalid attribute value"), std::string::npos);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);

  EXPECT_EQ(error.GetErrorList(SQL_INVALID_HANDLE)[0].Message, "Invalid ODBC Handle");
  EXPECT_EQ(error.GetErrorList(SQL_NO_DATA)[0].Message, "No Data Found");
  EXPECT_EQ(error.GetErrorList(99)[0].Message, "ODBC Return Code 99");
  EXPECT_EQ(error.GetErrorList(SQL_NEED_DATA)[0].Message, "ODBC Return Code 99");

  // RaiseError with a code of its own: an EODBC naming the owner.
  try {
    error.RaiseError(&env, SQL_NO_DATA);
    ADD_FAILURE();
  } catch (const EODBC& e) {
    EXPECT_STREQ(e.what(), "No Data Found");
    EXPECT_EQ(e.Owner(), &env);
    EXPECT_EQ(e.RetCode(), SQL_NO_DATA);
    EXPECT_STREQ(e.ClassName(), "EODBC");
    EXPECT_EQ(ExceptionClassName(e), "EODBC");
  }
  env.Shutdown = true;
  EXPECT_NO_THROW(error.RaiseError(&env, SQL_ERROR));
  env.Shutdown = false;

  EODBC e(nullptr, {{"42S02", 208, "first"}, {"01000", 0, "second"}, {"", 0, "third"}}, SQL_ERROR);
  EXPECT_STREQ(e.what(), "first");
  EXPECT_EQ(e.ErrorIndex(), 0);
  EXPECT_EQ(e.SqlState(), "42S02");
  EXPECT_EQ(e.NativeError(), 208);
  EXPECT_TRUE(e.Next());
  EXPECT_EQ(e.ErrorMsg(), "second");
  EXPECT_TRUE(e.Next());
  EXPECT_FALSE(e.Next());  // beyond the last record
  EXPECT_EQ(e.ErrorIndex(), 3);
  EXPECT_FALSE(e.Next());
  EXPECT_EQ(e.ErrorIndex(), 3);
  EXPECT_TRUE(e.Prior());
  EXPECT_EQ(e.ErrorMsg(), "third");
  e.First();
  EXPECT_FALSE(e.Prior());
  EXPECT_EQ(e.ErrorIndex(), -1);
  EXPECT_FALSE(e.Prior());
  EXPECT_EQ(e.ErrorIndex(), -1);
  EXPECT_EQ(e.ErrorMsg(), "");
  // A copy shares the records and the position.
  EODBC copy = e;
  copy.First();
  EXPECT_EQ(e.ErrorIndex(), 0);
  EXPECT_EQ(copy.ErrorList().size(), 3u);

  EXPECT_TRUE(IsLinkFailure("08S01"));
  EXPECT_TRUE(IsLinkFailure("08001"));
  EXPECT_TRUE(IsLinkFailure("57P01"));
  EXPECT_TRUE(IsLinkFailure("57P03"));
  EXPECT_FALSE(IsLinkFailure("57014"));
  EXPECT_FALSE(IsLinkFailure("42S02"));
  EXPECT_FALSE(IsLinkFailure(""));
}
