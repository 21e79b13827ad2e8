// Test helpers for suites that check the error log: a fresh prefix per test, and the
// records of the error table read back through the local table store.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "localtables/errorlog.h"
#include "localtables/table.h"
#include "platform/prefix.h"
#include "support/temp_prefix.h"

namespace prenos::testing {

// One record: field name -> text, nullopt for an empty field.
using ErrorRecord = std::map<std::string, std::optional<std::string>>;

// The file of the error table in the current prefix.
inline std::filesystem::path ErrorTableFile() {
  TTable t;
  t.SetTableName(kErrorTableName);
  return t.FilePath();
}

// Every record of the error table in order; none when the table does not exist.
inline std::vector<ErrorRecord> ErrorRecords() {
  std::vector<ErrorRecord> out;
  if (!std::filesystem::exists(ErrorTableFile())) return out;
  TTable t;
  t.SetTableName(kErrorTableName);
  t.Open();
  for (t.First(); !t.Eof(); t.Next()) {
    ErrorRecord r;
    for (int i = 0; i < t.FieldCount(); ++i) {
      TField& f = t.Fields(i);
      r[f.FieldName()] = f.IsNull() ? std::nullopt : std::optional<std::string>(f.AsString());
    }
    out.push_back(std::move(r));
  }
  return out;
}

// A field of a record as text, empty when the field is empty or missing.
inline std::string Field(const ErrorRecord& r, const std::string& name) {
  auto it = r.find(name);
  return it == r.end() || !it->second ? std::string() : *it->second;
}

// The records of one operation, in order.
inline std::vector<ErrorRecord> RecordsOf(const std::string& operation) {
  std::vector<ErrorRecord> out;
  for (const ErrorRecord& r : ErrorRecords())
    if (Field(r, "Operation") == operation) out.push_back(r);
  return out;
}

}  // namespace prenos::testing
