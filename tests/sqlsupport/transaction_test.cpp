// The transaction scope on real ledgers: committed work is seen from outside, work left
// uncommitted is undone, auto-commit is back afterwards, and a commit the driver answers
// with success on a connection it knows is lost does not count.
#include "sqlsupport/transaction.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <string>

#include "ledger/ledger_fixture.h"
#include "odbc/hdbc.h"
#include "odbc/hstmt.h"
#include "odbc/odbcerror.h"

using namespace prenos;
using prenos::testing::TestLedger;

namespace {

class Transaction : public ::testing::Test {
 protected:
  void SetUp() override {
    db.SetDriver("SQL Server");
    db.SetDataSource("MSStelvar");
    db.SetUserName(ledger.UserName());
    db.SetPassword(ledger.Password());
    st.SethDbc(&db);
  }
  void Run(const std::string& sql) {
    st.Close();
    st.SetSQL(sql);
    st.Execute();
    st.Close();
  }
  std::string Count() { return ledger.Scalar("SELECT count(*) FROM PoslDog"); }

  TestLedger ledger;
  THdbc db{nullptr, "Database"};
  THstmt st{nullptr, "Statement"};
};

}  // namespace

TEST_F(Transaction, CommittedWorkStaysUncommittedWorkGoesAndAutoCommitComesBack) {
  {
    TTransaction t(db);
    Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('KA', 'Knjižba')");
    t.Commit();
  }
  EXPECT_EQ(ledger.Query("SELECT PoslDog FROM PoslDog"),
            (std::vector<std::vector<std::string>>{{"KA"}}));

  {
    TTransaction t(db);
    Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('PR', 'Prenos')");
  }
  EXPECT_EQ(Count(), "1") << "leaving the scope without Commit undoes its work";

  // Out of the scope every statement is committed on its own again.
  Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('IZ', 'Izven')");
  EXPECT_EQ(Count(), "2");
  EXPECT_TRUE(db.Connected());
}

TEST_F(Transaction, AScopeOpenedInsideATransactionJoinsItAndCommitsNothingOnItsOwn) {
  {
    TTransaction outer(db);
    EXPECT_FALSE(outer.Joined());
    {
      TTransaction inner(db);
      EXPECT_TRUE(inner.Joined());
      Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('KA', 'Knjižba')");
      inner.Commit();
    }
    {
      TTransaction inner(db);  // left without Commit: the outer scope still decides
      Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('PR', 'Prenos')");
    }
    if (ledger.IsPostgres()) {
      EXPECT_EQ(Count(), "0") << "nothing is seen from outside before the commit";
    }
    outer.Rollback();
  }
  EXPECT_EQ(Count(), "0");

  {
    TTransaction outer(db);
    {
      TTransaction inner(db);
      Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('KA', 'Knjižba')");
    }
    outer.Commit();
  }
  EXPECT_EQ(Count(), "1");
  Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('IZ', 'Izven')");  // auto-commit again
  EXPECT_EQ(Count(), "2");
}

TEST_F(Transaction, ACommitOnAConnectionMadeAnewDuringTheTransactionFails) {
  if (!ledger.IsPostgres())
    GTEST_SKIP() << "a local SQLite file is not left with a transaction open";
  TTransaction t(db);
  Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('KA', 'Knjižba')");
  // Dropped and made again, as after a lost link: the new connection is in auto-commit.
  db.SetConnected(false);
  db.SetConnected(true);
  Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('PR', 'Prenos')");
  try {
    t.Commit();
    FAIL() << "the commit was taken";
  } catch (const EODBC& e) {
    EXPECT_EQ(e.SqlState(), "08S01");
  }
}

TEST_F(Transaction, ACommitOnALinkTheDriverKnowsIsLostFails) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a local SQLite file has no link to lose";
  Run("SELECT 1");
  try {
    TTransaction t(db);
    Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('KA', 'Knjižba')");
    ledger.Exec(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
        "WHERE datname = current_database() AND pid <> pg_backend_pid()");
    // Another call on the connection fails, so the driver now knows the link is gone;
    // it answers the commit that follows with success without committing anything.
    SQLHSTMT other = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, db.Handle(), &other);
    ASSERT_EQ(SQLExecDirect(other, (SQLCHAR*)"SELECT 1", SQL_NTS), SQL_ERROR);
    SQLFreeHandle(SQL_HANDLE_STMT, other);
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, db.Handle(), SQL_COMMIT), SQL_SUCCESS)
        << "the driver's answer this guards against";
    t.Commit();
    ADD_FAILURE() << "the commit counted on a lost link";
  } catch (const EODBC& e) {
    EXPECT_EQ(e.SqlState(), "08S01");
    EXPECT_EQ(e.Owner(), &db);
  }
  EXPECT_FALSE(db.Connected()) << "the lost link takes the connection down";
  EXPECT_EQ(Count(), "0");
  // The next use connects again, in auto-commit.
  Run("INSERT INTO PoslDog(PoslDog, Naziv) VALUES ('IZ', 'Izven')");
  EXPECT_EQ(Count(), "1");
}
