// Letter case of single-byte texts: names of fields, tables, files and connection keys
// compared and upper-cased the same way everywhere.
#pragma once

#include <string>
#include <string_view>

namespace prenos {

// Equal ignoring the case of the ASCII letters. Bytes above 127 (the Windows-1250 letters)
// must match exactly, whatever the process locale: names in the ledger and in the local
// tables are ASCII, and a locale-dependent rule would make the same name match on one
// machine and not on another.
bool SameText(std::string_view a, std::string_view b);

// The text with its ASCII letters upper-cased; every other byte unchanged.
std::string UpperCase(std::string text);

}  // namespace prenos
