// The data module: the one connection to the ledger and the statements every ledger
// read and write goes through. Created once at start-up, right after the main window.
#pragma once

#include "odbc/hdbc.h"
#include "odbc/hstmt.h"
#include "platform/component.h"
#include "transfer/ledger.h"

namespace prenos {

class TDataSif : public TComponent {
 public:
  // Creates the components with their stored settings and runs DataSifCreate; nothing
  // connects.
  TDataSif();
  const char* ClassName() const override { return "TDataSif"; }

  // Hands the stored login (SQLUserName, SQLPassword) to Database without connecting.
  void DataSifCreate();

  // The connection and the statements a transfer run works with.
  TLedger Ledger() { return TLedger{Database, UpdateHstmt, qQueryFind, qQuery0}; }

  // Driver "SQL Server", DataSource "MSStelvar", ConnectionPooling cpDefault, Version "5.05".
  THdbc Database{this, "Database"};
  // All with ConcurrencyType 4 (SQL_CONCUR_VALUES); UpdateHstmt also BlobPlacement bpByExec.
  THstmt UpdateHstmt{this, "UpdateHstmt"};
  THstmt qQueryFind{this, "qQueryFind"};
  THstmt qQueryDelete{this, "qQueryDelete"};
  THstmt qQuery0{this, "qQuery0"};
  THstmt qQuery1{this, "qQuery1"};
  THstmt qQuery2{this, "qQuery2"};
};

}  // namespace prenos
