// The data module's components with their stored settings, and the hand-over of the
// stored login to the connection.
#include "app/datasif.h"

#include "settings/credentials.h"

namespace prenos {

TDataSif::TDataSif() : TComponent(&Application(), "DataSif") {
  Database.SetDriver("SQL Server");
  Database.SetDataSource("MSStelvar");
  Database.SetConnectionPooling(TConnectionPooling::cpDefault);
  Database.SetVersion("5.05");
  for (THstmt* s : {&UpdateHstmt, &qQueryFind, &qQueryDelete, &qQuery0, &qQuery1, &qQuery2}) {
    s->SethDbc(&Database);
    s->SetConcurrencyType(SQL_CONCUR_VALUES);
  }
  UpdateHstmt.SetBlobPlacement(TBlobPlacement::bpByExec);
  DataSifCreate();
}

void TDataSif::DataSifCreate() {
  Database.SetUserName(SQLUserName);
  Database.SetPassword(SQLPassword);
}

}  // namespace prenos
