// The import of a posting file into the staging table "Prenos": the fixed-width line
// layout and the two local tables the import uses.
#pragma once

#include <cstdint>
#include <string>

#include "localtables/table.h"
#include "transfer/import_line.h"

namespace prenos {

inline constexpr const char* kPrenosAlias = "TorvikTemp";
inline constexpr const char* kPrenosTable = "Prenos";
inline constexpr const char* kAsciiDefaultFile = "c:\\temp\\knjizbe.txt";

// The staging table and the text table of the posting file, with their fixed settings,
// for the window that owns them: tbPrenos (alias "TorvikTemp", table "Prenos") and
// TAscii (a text table, "c:\temp\knjizbe.txt" until an import names the chosen file).
struct TImportTables {
  explicit TImportTables(TComponent* owner = nullptr);
  TTable tbPrenos;
  TTable TAscii;
};

// Re-creates the staging table with its 34 fields, reads fileName (a Windows or POSIX
// path, Windows-1250) through tAscii (in any encoding DecodeTextLines reads) and stages
// one record per line in file order (CutPostingLine; its error names line and field). On
// success the text table is closed and the staging table open on its first record. A
// failure propagates; records posted before it stay, the record being filled is not stored.
void FillPrenos(TTable& tbPrenos, TTable& tAscii, const std::string& fileName);

}  // namespace prenos
