// The INSERT builder: one row of a name/value list becomes one statement of the batch.
#pragma once

#include <string>

#include "sqlsupport/varrec.h"

namespace prenos {

// Appends "INSERT INTO table(n1,n2) VALUES (v1,v2); " to batch, the values written by
// kind: integers in decimal, single/double/currency through FloatToStrSQL, texts quoted
// with QuoteSQL, date-times through DateTimeToStrSQL (zero as null), anything else null.
// A list with an odd number of entries leaves the batch unchanged.
void InsertSQL(const std::string& table, const TNameValueList& list, std::string& batch);

}  // namespace prenos
