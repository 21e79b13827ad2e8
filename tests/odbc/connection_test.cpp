// Environment, connection and diagnostics through the real drivers of the test ledgers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ledger/ledger_fixture.h"
#include "odbc/hstmt.h"
#include "platform/codepage.h"

using namespace prenos;
using prenos::testing::TestLedger;

namespace {

void Login(THdbc& db, const TestLedger& ledger) {
  db.SetDataSource("MSStelvar");
  db.SetUserName(ledger.UserName());
  db.SetPassword(ledger.Password());
}

std::string Scalar(THstmt& st, const std::string& sql) {
  st.Close();
  st.SetSQL(sql);
  st.Execute();
  EXPECT_TRUE(st.FetchNext()) << sql;
  std::string v = st.ColString(1);
  st.Close();
  return v;
}

}  // namespace

TEST(OdbcConnection, ConnectsBySqlConnectAndByConnectionString) {
  TestLedger ledger;
  ledger.LoadSample();
  std::vector<std::string> log;  // outlives the connection, whose destructor still notifies
  THdbc db(nullptr, "Database");
  Login(db, ledger);
  db.BeforeConnect = [&](TComponent* s) { log.push_back("BeforeConnect:" + s->Name()); };
  db.AfterConnect = [&](TComponent*) { log.push_back("AfterConnect"); };
  db.BeforeDisconnect = [&](TComponent*) { log.push_back("BeforeDisconnect"); };
  db.AfterDisconnect = [&](TComponent*) { log.push_back("AfterDisconnect"); };
  db.OnInit = [&](TComponent*) { log.push_back("OnInit"); };
  db.OnTerminate = [&](TComponent*) { log.push_back("OnTerminate"); };

  db.SetConnected(true);  // no driver, no prompt, no attributes: SQLConnect
  ASSERT_TRUE(db.Connected());
  EXPECT_TRUE(db.Allocated());
  EXPECT_TRUE(GlobalEnv().Children.Contains(&db));
  db.SetConnected(true);  // already connected: nothing
  EXPECT_EQ(log, (std::vector<std::string>{"OnInit", "BeforeConnect:Database", "AfterConnect"}));
  THstmt st;
  st.SethDbc(&db);
  EXPECT_EQ(Scalar(st, "SELECT Delavec FROM ODDEL WHERE UserID = '05'"),
            Utf8ToCp1250("Črtomir Šuštar"));
  EXPECT_FALSE(Scalar(st, "SELECT COUNT(*) FROM ODDEL").empty());

  db.SetConnected(false);
  db.SetConnected(false);  // already unconnected: nothing
  EXPECT_FALSE(db.Connected());
  EXPECT_TRUE(db.Allocated());  // the handle stays
  log.clear();

  // A driver name switches to SQLDriverConnect with the built string.
  db.SetDriver("SQL Server");
  db.Connect();
  ASSERT_TRUE(db.Connected());
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeConnect:Database", "AfterConnect"}));
  EXPECT_EQ(Scalar(st, "SELECT PoslDog FROM PoslDog WHERE PoslDog = 'KA'"), "KA");
  EXPECT_EQ(db.DriverKey(),
            ledger.IsPostgres() ? "PostgreSQL;psqlodbca.so" : "SQLite;sqlite3odbc.so");
  EXPECT_FALSE(db.GetInfoString(SQL_DBMS_VER).empty());
  EXPECT_EQ(db.GetInfoString(9999), "");  // rejected information type
  EXPECT_EQ(db.GetInfoInteger(9999), 0u);
  EXPECT_NE(db.GetInfoInteger(SQL_MAX_COLUMN_NAME_LEN) + db.GetInfoInteger(SQL_TXN_CAPABLE), 0u);
  EXPECT_TRUE(db.GetFunctions(SQL_API_SQLEXECDIRECT));
  EXPECT_FALSE(db.GetFunctions(9998));
  EXPECT_EQ(db.DescribeParamUnsupported(), !db.GetFunctions(SQL_API_SQLDESCRIBEPARAM));

  log.clear();
  db.Terminate();
  EXPECT_EQ(log, (std::vector<std::string>{"OnTerminate", "BeforeDisconnect", "AfterDisconnect"}));
  EXPECT_FALSE(db.Allocated());
  EXPECT_FALSE(GlobalEnv().Children.Contains(&db));
  log.clear();
  db.Terminate();  // no handle: only the notification
  EXPECT_EQ(log, (std::vector<std::string>{"OnTerminate"}));

  // Attribute lines alone also go through the connection string.
  db.SetDriver("");
  db.SetAttributes({"NoSuchKeyword=1"});
  db.Connect();
  EXPECT_TRUE(db.Connected());
}

TEST(OdbcConnection, ReconnectsWithANewLoginAndStatementsFollow) {
  TestLedger ledger;
  ledger.LoadSample();
  // The second login's password holds ";" and "}", so it reaches the driver only in braces.
  const std::string user = "clerk_" + std::to_string(getpid());
  const std::string password = "pa;ss}w0rd";
  if (ledger.IsPostgres())
    ledger.Exec("DROP ROLE IF EXISTS " + user + "; CREATE ROLE " + user + " LOGIN PASSWORD '" +
                password + "'; GRANT USAGE ON SCHEMA public TO " + user +
                "; GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + user);
  THdbc db;
  Login(db, ledger);
  db.SetDriver("SQL Server");
  THstmt a(nullptr, "qA"), b(nullptr, "qB");
  a.SethDbc(&db);
  b.SethDbc(&db);
  const std::string who = ledger.IsPostgres() ? "SELECT current_user" : "SELECT 'sa'";
  EXPECT_EQ(Scalar(a, who), "sa");
  EXPECT_EQ(Scalar(b, "SELECT COUNT(*) FROM PoslDog"),
            ledger.Scalar("SELECT COUNT(*) FROM PoslDog"));
  EXPECT_TRUE(a.Allocated());
  EXPECT_TRUE(db.Children.Contains(&a));
  EXPECT_TRUE(db.Children.Contains(&b));

  db.SetConnected(false);
  EXPECT_FALSE(a.Allocated());
  EXPECT_FALSE(b.Allocated());
  EXPECT_TRUE(db.Children.Empty());
  db.SetUserName(user);
  db.SetPassword(password);
  db.SetConnected(true);
  EXPECT_EQ(Scalar(a, ledger.IsPostgres() ? "SELECT current_user" : "SELECT '" + user + "'"), user);
  EXPECT_TRUE(a.Allocated());
  EXPECT_FALSE(b.Allocated());  // re-allocated only on its next use
  EXPECT_EQ(Scalar(b, "SELECT COUNT(*) FROM ODDEL"), ledger.Scalar("SELECT COUNT(*) FROM ODDEL"));

  if (ledger.IsPostgres()) {
    // A wrong password fails with the server's diagnostics and leaves it unconnected;
    // the next attempt with the right one connects.
    db.SetConnected(false);
    db.SetPassword("pa;ss}wrong");
    try {
      db.Connect();
      ADD_FAILURE() << "connected with a wrong password";
    } catch (const EODBC& e) {
      EXPECT_EQ(e.SqlState(), "08001");
      EXPECT_NE(e.ErrorMsg().find("password authentication failed"), std::string::npos)
          << e.ErrorMsg();
      EXPECT_EQ(e.Owner(), &db);
      EXPECT_FALSE(db.Connected());
    }
    db.SetPassword(password);
    db.Connect();
    EXPECT_EQ(Scalar(a, "SELECT current_user"), user);
    db.Terminate();
    ledger.Exec("REVOKE ALL ON ALL TABLES IN SCHEMA public FROM " + user +
                "; REVOKE USAGE ON SCHEMA public FROM " + user + "; DROP ROLE " + user);
  }
}

TEST(OdbcConnection, CursorLibraryChangeDisconnectsAndIsolationApplies) {
  TestLedger ledger;
  THdbc db;
  Login(db, ledger);
  db.Connect();
  THstmt st;
  st.SethDbc(&db);
  EXPECT_EQ(Scalar(st, "SELECT 1"), "1");
  db.SetCursorLib(SQL_CUR_USE_IF_NEEDED);
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(st.Allocated());
  SQLULEN value = 0;
  ASSERT_TRUE(SQL_SUCCEEDED(
      SQLGetConnectAttr(db.Handle(), SQL_ATTR_ODBC_CURSORS, &value, sizeof value, nullptr)));
  EXPECT_EQ(value, static_cast<SQLULEN>(SQL_CUR_USE_IF_NEEDED));
  db.SetCursorLib(SQL_CUR_USE_DRIVER);
  db.SetIsolationLevel(SQL_TXN_SERIALIZABLE);
  db.Connect();
  value = 0;
  ASSERT_TRUE(SQL_SUCCEEDED(
      SQLGetConnectAttr(db.Handle(), SQL_ATTR_TXN_ISOLATION, &value, sizeof value, nullptr)));
  EXPECT_EQ(value, static_cast<SQLULEN>(SQL_TXN_SERIALIZABLE));
  EXPECT_TRUE(db.Connected());  // the isolation level never disconnects
}

TEST(OdbcConnection, StatementFollowsTheConnectionAmongItsOwnersComponents) {
  TestLedger ledger;
  TComponent module(nullptr, "DataModule");
  THstmt early(&module, "qEarly");
  EXPECT_EQ(early.hDbc(), nullptr);
  try {
    early.Execute();
    ADD_FAILURE();
  } catch (const EQuarnel& e) {
    EXPECT_STREQ(e.what(), "Property Hdbc of qEarly not set.");
  }
  {
    THdbc db(&module, "Database");
    EXPECT_EQ(early.hDbc(), &db);  // became its connection when added
    THstmt late(&module, "qLate");
    EXPECT_EQ(late.hDbc(), &db);
    THdbc second(&module, "Second");
    EXPECT_EQ(early.hDbc(), &db);  // a second connection changes nothing
    Login(db, ledger);
    EXPECT_EQ(Scalar(early, "SELECT 2"), "2");
    EXPECT_TRUE(early.Allocated());
  }
  EXPECT_EQ(early.hDbc(), nullptr);  // removed with its connection
  EXPECT_FALSE(early.Allocated());
  EXPECT_STREQ(early.ClassName(), "THstmt");

  // A statement of another owner hears of its connection's end too.
  auto db = std::make_unique<THdbc>(nullptr, "Other");
  Login(*db, ledger);
  THstmt loose;
  loose.SethDbc(db.get());
  EXPECT_EQ(Scalar(loose, "SELECT 3"), "3");
  db.reset();
  EXPECT_EQ(loose.hDbc(), nullptr);
  EXPECT_FALSE(loose.Allocated());
}

TEST(OdbcConnection, ConnectOnLoadShowsTheDialogOnFailure) {
  TestLedger ledger;
  std::vector<std::string> shown;
  GlobalEnv().Error.ErrorDialog = [&](EODBC& e, const std::string& text) {
    shown.push_back(text + "|" + e.SqlState());
  };
  TComponent module(nullptr, "DataModule");
  THdbc good(&module, "Database");
  THdbc bad(&module, "Broken");
  module.BeginLoading();
  Login(good, ledger);
  good.SetConnected(true);
  bad.SetDataSource("NoSuchDsn");
  bad.SetConnected(true);
  good.SetConnectionPooling(TConnectionPooling::cpDefault);
  EXPECT_FALSE(good.Connected());  // only remembered while loading
  EXPECT_NO_THROW(module.EndLoading());
  GlobalEnv().Error.ErrorDialog = nullptr;
  EXPECT_TRUE(good.Connected());
  EXPECT_FALSE(bad.Connected());
  EXPECT_EQ(shown, (std::vector<std::string>{"Cannot connect Broken to database.|IM002"}));
  // Without a handler the dialog is simply not shown.
  EODBC e(&bad, {{"HY000", 0, "x"}}, SQL_ERROR);
  EXPECT_NO_THROW(e.ShowDialog("nothing"));
}

TEST(OdbcConnection, PoolingChangeTerminatesEveryConnection) {
  TestLedger ledger;
  THdbc db;
  Login(db, ledger);
  db.Connect();
  db.SetConnectionPooling(TConnectionPooling::cpOff);
  EXPECT_EQ(GlobalEnv().ConnectionPooling(), TConnectionPooling::cpOff);
  EXPECT_EQ(db.ConnectionPooling(), TConnectionPooling::cpOff);
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(db.Allocated());
  EXPECT_TRUE(GlobalEnv().Allocated());
  db.Connect();
  EXPECT_TRUE(db.Connected());
  db.SetConnectionPooling(TConnectionPooling::cpOff);  // same value: nothing
  EXPECT_TRUE(db.Connected());
  db.SetConnectionPooling(TConnectionPooling::cpDefault);
  EXPECT_FALSE(db.Connected());
}

TEST(OdbcDiagnostics, DriverErrorsCarryTheirRecords) {
  TestLedger ledger;
  THdbc db;
  Login(db, ledger);
  THstmt st(nullptr, "qQueryFind");
  st.SethDbc(&db);
  st.SetSQL("SELECT * FROM NoSuchTable");
  try {
    st.Execute();
    ADD_FAILURE();
  } catch (const EQuarnel& e) {
    const auto* odbc = dynamic_cast<const EODBC*>(&e);
    ASSERT_NE(odbc, nullptr);
    EXPECT_EQ(odbc->Owner(), &st);
    EXPECT_EQ(odbc->RetCode(), SQL_ERROR);
    ASSERT_EQ(odbc->ErrorList().size(), 1u);
    EXPECT_EQ(odbc->SqlState(), ledger.IsPostgres() ? "42P01" : "HY000");
    EXPECT_NE(std::string(e.what()).find(ledger.IsPostgres() ? "nosuchtable" : "NoSuchTable"),
              std::string::npos);
    EXPECT_EQ(std::string(e.what()), odbc->ErrorList()[0].Message);
  }
  EXPECT_TRUE(db.Connected());  // not a link failure
  EXPECT_TRUE(st.Allocated());

  if (ledger.IsPostgres()) {
    // psqlODBC hands a message longer than the 256-byte buffer out as further records.
    st.Close();
    st.SetSQL("DO $$ BEGIN RAISE EXCEPTION '%', repeat('y', 400); END $$");
    try {
      st.Execute();
      ADD_FAILURE();
    } catch (EODBC& e) {
      ASSERT_EQ(e.ErrorList().size(), 2u);
      EXPECT_EQ(std::string(e.what()), e.ErrorList()[0].Message);
      EXPECT_EQ(e.ErrorList()[0].Message.size(), 255u);
      EXPECT_EQ(e.SqlState(), "P0001");
      EXPECT_TRUE(e.Next());
      EXPECT_EQ(e.SqlState(), "P0001");
      // The text goes on in the second record where the first one stops.
      EXPECT_NE((e.ErrorList()[0].Message + e.ErrorMsg()).find(std::string(400, 'y')),
                std::string::npos);
    }
  } else {
    // sqliteodbc takes one statement per text.
    st.Close();
    st.SetSQL("SELECT 1; SELECT 2");
    try {
      st.Execute();
      ADD_FAILURE();
    } catch (const EODBC& e) {
      ASSERT_EQ(e.ErrorList().size(), 1u);
      EXPECT_EQ(e.SqlState(), "HY000");
      EXPECT_NE(e.ErrorMsg().find("only one SQL statement allowed"), std::string::npos);
    }
  }
  // A statement without a result cannot fetch.
  st.Close();
  EXPECT_THROW(st.FetchNext(), EODBC);
}

TEST(OdbcDiagnostics, LostLinkIsTornDownAndTheNextUseReconnects) {
  TestLedger ledger;
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a SQLite file has no link to lose";
  ledger.LoadSample();
  THdbc db;
  Login(db, ledger);
  THstmt st(nullptr, "UpdateHstmt"), other(nullptr, "qQuery0");
  st.SethDbc(&db);
  other.SethDbc(&db);
  const std::string pid = Scalar(st, "SELECT pg_backend_pid()");
  EXPECT_EQ(Scalar(other, "SELECT 1"), "1");
  ledger.Exec("SELECT pg_terminate_backend(" + pid + ")");

  st.Close();
  st.SetSQL("SELECT COUNT(*) FROM PoslDog");
  bool raised = false;
  try {
    st.Execute();
  } catch (const EODBC& e) {
    raised = true;
    EXPECT_TRUE(IsLinkFailure(e.SqlState())) << e.SqlState() << " " << e.ErrorMsg();
    EXPECT_TRUE(db.Connected());  // torn down only when the handler is done
  }
  ASSERT_TRUE(raised);
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(db.Allocated());
  EXPECT_FALSE(st.Allocated());
  EXPECT_FALSE(other.Allocated());
  EXPECT_FALSE(GlobalEnv().Shutdown);
  // The next Execute reconnects with the stored login, without a second exception.
  st.Close();
  st.SetSQL("SELECT pg_backend_pid()");
  EXPECT_NO_THROW(st.Execute());
  ASSERT_TRUE(st.FetchNext());
  EXPECT_NE(st.ColString(1), pid);
  EXPECT_TRUE(db.Connected());
  EXPECT_EQ(Scalar(other, "SELECT COUNT(*) FROM PoslDog"),
            ledger.Scalar("SELECT COUNT(*) FROM PoslDog"));

  // A copy kept past the handler defers the teardown to the last copy.
  const std::string pid2 = Scalar(st, "SELECT pg_backend_pid()");
  ledger.Exec("SELECT pg_terminate_backend(" + pid2 + ")");
  std::unique_ptr<EODBC> kept;
  st.SetSQL("SELECT 1");
  try {
    st.Execute();
  } catch (const EODBC& e) {
    kept = std::make_unique<EODBC>(e);
  }
  ASSERT_TRUE(kept);
  EXPECT_TRUE(db.Connected());
  kept.reset();
  EXPECT_FALSE(db.Connected());
  EXPECT_EQ(Scalar(st, "SELECT 5"), "5");
}
