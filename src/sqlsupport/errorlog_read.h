// Reading the error table back for people: its records newest first, one record as a
// whole text, and the records written while one run went on.
#pragma once

#include <string>
#include <vector>

#include "platform/datetime.h"

namespace prenos {

// One record of the error table, texts in Windows-1250.
struct TErrorRecord {
  TDateTime Cas = 0;
  std::string FormName, ControlName, SenderName, ObjectName, Operation, ExceptObject;
  std::string BuildNo;  // empty when not set
  std::string Error;
  std::string SenderProp;  // the statement's connection and SQL, lines ending in CR LF
};

// The records, newest first; none when the table does not exist yet. A table that
// exists but cannot be read raises its error (ELocalTable).
std::vector<TErrorRecord> ReadErrorRecords();

// The records written from `from` to `to` (whole seconds, as the table keeps them).
std::vector<TErrorRecord> RecordsBetween(const std::vector<TErrorRecord>& records, TDateTime from,
                                         TDateTime to);

// The first line of the error, for lists.
std::string FirstLineOf(const std::string& text);

// The whole record as text, one "Field: value" line each, for copying.
std::string ErrorRecordText(const TErrorRecord& record);

}  // namespace prenos
