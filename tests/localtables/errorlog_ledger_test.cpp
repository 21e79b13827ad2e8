// Error-log records about real statements and query data sets on a test ledger: the
// details text names the connection and the SQL, and a driver failure is recorded with
// the driver's own message.
#include <gtest/gtest.h>

#include "ledger/ledger_fixture.h"
#include "localtables/errorlog.h"
#include "odbc/dataset/oequery.h"
#include "odbc/hdbc.h"
#include "odbc/hstmt.h"
#include "platform/exceptions.h"
#include "support/error_records.h"

using namespace prenos;
using prenos::testing::ErrorRecords;
using prenos::testing::TestLedger;

namespace {

// The data module's connection and statement as the program holds them.
struct Module {
  explicit Module(const TestLedger& ledger) {
    Database.SetDriver("SQL Server");
    Database.SetDataSource("MSStelvar");
    Database.SetUserName(ledger.UserName());
    Database.SetPassword(ledger.Password());
  }
  TComponent Owner{nullptr, "DataSif"};
  THdbc Database{&Owner, "Database"};
  THstmt UpdateHstmt{&Owner, "UpdateHstmt"};
};

}  // namespace

TEST(ErrorLogOnLedger, AFailedStatementIsRecordedWithItsConnectionAndSQL) {
  TestLedger ledger;
  Module dm(ledger);
  ASSERT_EQ(dm.UpdateHstmt.hDbc(), &dm.Database);
  const std::string batch =
      "INSERT INTO Teme(Kljuc) VALUES ('02KA00001'); INSERT INTO NiTabele(x) VALUES (1); ";
  dm.UpdateHstmt.SetSQL(batch);
  std::string message;
  try {
    dm.UpdateHstmt.Execute();
    ADD_FAILURE() << "the batch ran";
  } catch (const std::exception& e) {
    message = e.what();
    LogError(&e, &dm.UpdateHstmt, "HstmtExecute-UpdateHstmt");
  }
  ASSERT_FALSE(message.empty());

  // A statement that works, logged without an exception, and one without a connection.
  dm.UpdateHstmt.SetSQL("SELECT Naziv FROM PoslDog");
  dm.UpdateHstmt.Execute();
  LogError(nullptr, &dm.UpdateHstmt, "sqlExecute");
  dm.UpdateHstmt.Close();
  THstmt alone(nullptr, "qQueryFind");
  alone.SetSQL("SELECT 1");
  LogError(nullptr, &alone, "GetMaxValueInTable-");

  const auto r = ErrorRecords();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].at("SenderName"), "THstmt");
  EXPECT_EQ(r[0].at("ObjectName"), "UpdateHstmt");
  EXPECT_EQ(r[0].at("Operation"), "HstmtExecute-UpdateHstmt");
  EXPECT_EQ(r[0].at("ExceptObject"), "EODBC");
  EXPECT_EQ(r[0].at("Error"), message.substr(0, 255));
  EXPECT_EQ(r[0].at("SenderProp"), "hDbc --> Database\r\nSQL --> " + batch + "\r\n");
  EXPECT_EQ(r[1].at("SenderProp"), "hDbc --> Database\r\nSQL --> SELECT Naziv FROM PoslDog\r\n");
  EXPECT_EQ(r[1].at("Error"), std::nullopt);
  EXPECT_EQ(r[2].at("SenderProp"), "hDbc --> \r\nSQL --> SELECT 1\r\n");
  EXPECT_EQ(r[2].at("ObjectName"), "qQueryFind");

  // The login's password never reaches the table.
  if (!ledger.Password().empty()) {
    for (const auto& rec : r)
      for (const auto& [name, value] : rec)
        EXPECT_EQ(value.value_or("").find(ledger.Password()), std::string::npos) << name;
  }
}

TEST(ErrorLogOnLedger, AQueryDataSetIsRecordedWithItsNamesAndSQLLines) {
  TestLedger ledger;
  ledger.LoadSample();
  Module dm(ledger);
  TwwOEDataSet look(&dm.Owner, "tbLookPoslDog");
  look.SetSQL({"SELECT PoslDog, Naziv", "FROM PoslDog", "ORDER BY PoslDog"});
  ASSERT_EQ(look.DatabaseName(), "Database");
  look.Open();
  LogError(nullptr, &look, "wwOpenTable-tbLookPoslDog", 0);
  look.Close();

  TwwOEDataSet broken(&dm.Owner, "tbLookTeme");
  broken.SetSQL({"a", "b", "c"});
  try {
    broken.Open();
    ADD_FAILURE() << "the SQL a b c ran";
  } catch (const std::exception& e) {
    LogError(&e, &broken, "wwOpenTable-tbLookTeme", 0);
  }

  TwwOEDataSet unconnected(nullptr, "tbSam");
  unconnected.SetTableName("Teme");
  LogError(nullptr, &unconnected, "x");

  const auto r = ErrorRecords();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].at("SenderName"), "TwwOEDataSet");
  EXPECT_EQ(r[0].at("ObjectName"), "tbLookPoslDog");
  EXPECT_EQ(r[0].at("BuildNo"), "0");
  EXPECT_EQ(r[0].at("SenderProp"),
            "DatabaseName --> Database\r\nTableName --> \r\nhDbc --> Database\r\n"
            "SQL --> SELECT PoslDog, Naziv FROM PoslDog ORDER BY PoslDog\r\n");
  EXPECT_TRUE(r[1].at("ExceptObject").has_value());
  EXPECT_TRUE(r[1].at("Error").has_value());
  const std::string details = r[1].at("SenderProp").value_or("");
  EXPECT_EQ(details.substr(details.size() - 15), "SQL --> a b c\r\n") << details;
  EXPECT_EQ(r[2].at("SenderProp"),
            "DatabaseName --> \r\nTableName --> Teme\r\nhDbc --> \r\nSQL -->\r\n");
}
