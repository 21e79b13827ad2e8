// The import of a posting file into the staging table "Prenos": the fixed-width line
// layout, its date and amount conversions, and the two local tables the import uses.
#pragma once

#include <cstdint>
#include <string>

#include "localtables/table.h"
#include "platform/datetime.h"

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

// An amount piece in ten-thousandths: blanks trimmed, at most two characters kept after
// the first comma (the comma itself dropped), the rest read as hundredths in the user's
// number format, rounded with ties to even. 1234,56 -> 12345600; 12,5 -> 12500.
// Raises EConvertError "'%s' is not a valid floating point value", and also when the
// value lies outside the range of an amount.
int64_t PrenosNumber(const std::string& piece);

// A date piece YYYYMMDD (only the first eight characters are read); day, month and year
// converted in that order. Raises EConvertError "'%s' is not a valid integer value" or
// "Invalid argument to date encode".
TDateTime PrenosDatum(const std::string& piece);

// Re-creates the staging table with its 34 fields, reads fileName (a Windows or POSIX
// path, Windows-1250) through tAscii and stages one record per line in file order. On
// success the text table is closed and the staging table open on its first record. A
// failure propagates; records posted before it stay, the record being filled is not stored.
void FillPrenos(TTable& tbPrenos, TTable& tAscii, const std::string& fileName);

}  // namespace prenos
