// The test ledger's DSN connects through the driver manager as the program will reach
// it: driver "SQL Server", data source "MSStelvar", login sa; Windows-1250 bytes round-trip.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <string>

#include "ledger/ledger_fixture.h"
#include "platform/codepage.h"

using prenos::testing::TestLedger;

namespace {

std::string Diag(SQLSMALLINT type, SQLHANDLE h) {
  SQLCHAR state[6] = {0}, msg[512] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  SQLGetDiagRec(type, h, 1, state, &native, msg, sizeof msg, &len);
  return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(msg);
}

}  // namespace

TEST(LedgerSmoke, DsnConnectsAndReadsWhatTheClientWrote) {
  TestLedger ledger;
  ledger.LoadSample();

  SQLHENV env = nullptr;
  SQLHDBC dbc = nullptr;
  SQLHSTMT st = nullptr;
  ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)));
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)));

  // The connection string the program builds: DSN first, then the login, then the driver.
  std::string cs = "DSN=MSStelvar;UID=sa;";
  if (!ledger.Password().empty()) cs += "PWD=" + ledger.Password() + ";";
  cs += "DRIVER=SQL Server;";
  SQLRETURN rc = SQLDriverConnect(dbc, nullptr, (SQLCHAR*)cs.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                  SQL_DRIVER_NOPROMPT);
  ASSERT_TRUE(SQL_SUCCEEDED(rc)) << Diag(SQL_HANDLE_DBC, dbc);

  SQLCHAR driver[256] = {0};
  SQLSMALLINT len = 0;
  SQLGetInfo(dbc, SQL_DRIVER_NAME, driver, sizeof driver, &len);
  const std::string driverName = reinterpret_cast<char*>(driver);
  EXPECT_NE(driverName.find(ledger.IsPostgres() ? "psqlodbc" : "sqlite"), std::string::npos)
      << driverName;

  ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st)));
  rc = SQLExecDirect(st, (SQLCHAR*)"SELECT Delavec FROM ODDEL WHERE UserID = '02'", SQL_NTS);
  ASSERT_TRUE(SQL_SUCCEEDED(rc)) << Diag(SQL_HANDLE_STMT, st);
  ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(st)));
  char buf[64] = {0};
  SQLLEN ind = 0;
  SQLGetData(st, 1, SQL_C_CHAR, buf, sizeof buf, &ind);
  EXPECT_EQ(std::string(buf), prenos::Utf8ToCp1250("Bojan Žagar"));
  SQLFreeStmt(st, SQL_CLOSE);

  // A Windows-1250 text written through ODBC reads back byte for byte through the client.
  const std::string name = prenos::Utf8ToCp1250("Čebelarstvo Šiška d.o.o.");
  const std::string insert = "INSERT INTO Subjekt (Naziv, Naziv2) VALUES ('" + name + "', 'P777')";
  rc = SQLExecDirect(st, (SQLCHAR*)insert.c_str(), SQL_NTS);
  ASSERT_TRUE(SQL_SUCCEEDED(rc)) << Diag(SQL_HANDLE_STMT, st);
  EXPECT_EQ(ledger.Scalar("SELECT Naziv FROM Subjekt WHERE Naziv2 = 'P777'"), name);

  SQLFreeHandle(SQL_HANDLE_STMT, st);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
}

TEST(LedgerSmoke, EveryTestGetsAnEmptyLedgerAndItsOwnPrefix) {
  std::filesystem::path first;
  {
    TestLedger a;
    a.Exec("INSERT INTO ODDEL (UserID, Delavec) VALUES ('99', 'x')");
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM ODDEL"), "1");
    first = a.Prefix();
    EXPECT_EQ(std::string(std::getenv("STELVAR_PREFIX")), first.string());
  }
  TestLedger b;
  EXPECT_EQ(b.Scalar("SELECT COUNT(*) FROM ODDEL"), "0");
  EXPECT_NE(b.Prefix(), first);
  EXPECT_FALSE(std::filesystem::exists(first));
}
