// A fresh test ledger with a connection component to it (DSN MSStelvar, driver
// "SQL Server", the ledger's login) and one statement on that connection.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ledger/ledger_fixture.h"
#include "odbc/hdbc.h"
#include "odbc/hstmt.h"

namespace prenos::testing {

class StatementTest : public ::testing::Test {
 protected:
  StatementTest() {
    db.SetDataSource("MSStelvar");
    db.SetDriver("SQL Server");
    db.SetUserName(ledger.UserName());
    db.SetPassword(ledger.Password());
  }

  // Close, set the text, execute: the pattern the program uses.
  void Run(THstmt& s, const std::string& sql) {
    s.Close();
    s.SetSQL(sql);
    s.Execute();
  }

  TestLedger ledger;
  TComponent owner;
  THdbc db{&owner, "Database"};
  THstmt q{&owner, "qTest"};
};

}  // namespace prenos::testing
