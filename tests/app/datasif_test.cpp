// The data module as created at start-up: its connection and six statements with their
// stored settings, the login handed over from the process's values, and nothing connected.
#include "app/datasif.h"

#include <gtest/gtest.h>

#include "odbc/henv.h"
#include "settings/credentials.h"

using namespace prenos;

TEST(DataSif, CreatesItsComponentsWithTheirSettingsAndHandsOverTheLogin) {
  SQLUserName = "knjigovodja";
  SQLPassword = "Geslo-\x9a\xe8\x9e";  // Windows-1250 bytes
  TDataSif dm;
  EXPECT_EQ(dm.Name(), "DataSif");
  EXPECT_EQ(dm.Owner(), &Application());

  EXPECT_EQ(dm.Database.Name(), "Database");
  EXPECT_EQ(dm.Database.Driver(), "SQL Server");
  EXPECT_EQ(dm.Database.DataSource(), "MSStelvar");
  EXPECT_EQ(dm.Database.ConnectionPooling(), TConnectionPooling::cpDefault);
  EXPECT_EQ(dm.Database.UserName(), "knjigovodja");
  EXPECT_EQ(dm.Database.Password(), "Geslo-\x9a\xe8\x9e");
  EXPECT_FALSE(dm.Database.Connected());
  EXPECT_FALSE(dm.Database.Allocated()) << "creating the module touches no ODBC handle";

  struct Want {
    THstmt* statement;
    const char* name;
  };
  const Want statements[] = {{&dm.UpdateHstmt, "UpdateHstmt"},   {&dm.qQueryFind, "qQueryFind"},
                             {&dm.qQueryDelete, "qQueryDelete"}, {&dm.qQuery0, "qQuery0"},
                             {&dm.qQuery1, "qQuery1"},           {&dm.qQuery2, "qQuery2"}};
  for (const Want& w : statements) {
    SCOPED_TRACE(w.name);
    EXPECT_EQ(w.statement->Name(), w.name);
    EXPECT_EQ(w.statement->Owner(), &dm);
    EXPECT_EQ(w.statement->hDbc(), &dm.Database);
    EXPECT_EQ(w.statement->ConcurrencyType(), static_cast<SQLUINTEGER>(SQL_CONCUR_VALUES));
    EXPECT_EQ(w.statement->BlobPlacement(),
              w.statement == &dm.UpdateHstmt ? TBlobPlacement::bpByExec : TBlobPlacement::bpDetect);
    EXPECT_FALSE(w.statement->Allocated());
  }
  EXPECT_EQ(dm.FindComponent("database"), &dm.Database);

  // The transfer run gets the module's own objects, not copies.
  const TLedger ledger = dm.Ledger();
  EXPECT_EQ(&ledger.Database, &dm.Database);
  EXPECT_EQ(&ledger.UpdateHstmt, &dm.UpdateHstmt);
  EXPECT_EQ(&ledger.qQueryFind, &dm.qQueryFind);
  EXPECT_EQ(&ledger.qQuery0, &dm.qQuery0);
}

TEST(DataSif, DataSifCreateCopiesWhateverTheProcessHolds) {
  SQLUserName.clear();
  SQLPassword.clear();
  TDataSif dm;
  EXPECT_EQ(dm.Database.UserName(), "");
  EXPECT_EQ(dm.Database.Password(), "");
  // A later call takes the values as they are then; the connection stays closed.
  SQLUserName = "sa";
  SQLPassword = "drugo";
  dm.DataSifCreate();
  EXPECT_EQ(dm.Database.UserName(), "sa");
  EXPECT_EQ(dm.Database.Password(), "drugo");
  EXPECT_FALSE(dm.Database.Connected());
}
