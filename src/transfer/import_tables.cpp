// The staging table and the posting file's text table with their fixed settings.
#include "transfer/import.h"

namespace prenos {

TImportTables::TImportTables(TComponent* owner)
    : tbPrenos(owner, "tbPrenos"), TAscii(owner, "TAscii") {
  tbPrenos.SetDatabaseName(kPrenosAlias);
  tbPrenos.SetTableName(kPrenosTable);
  TAscii.SetTableType(TTableType::Text);
  TAscii.SetTableName(kAsciiDefaultFile);
}

}  // namespace prenos
