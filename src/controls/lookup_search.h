// How the lookup selector reaches its lookup table: opening it without passing failures
// on, and searching a text in a field, for a query data set by rewriting its SELECT.
#pragma once

#include <string>
#include <vector>

#include "odbc/dataset/dataset.h"

namespace prenos {

// Opens a closed data set. A failure is written to the error log with the data set as
// sender, "wwOpenTable-" and its name as operation and BuildNo 0, and not passed on.
// Answers whether the data set is active afterwards (false for none).
bool wwOpenTable(db::TDataSet* dataSet);

// The SQL lines as one text, each line upper-cased and preceded by one blank: what a
// query search falls back to when its rewritten statement cannot be opened.
std::string JoinedSearchSQL(const std::vector<std::string>& lines);

// The one SQL line that lists the rows of lines from text on in fieldName: the order
// clause kept, a condition on fieldName from an earlier search replaced, the others kept,
// and fieldName >= 'text' (quotes doubled) added. Everything is upper-cased but the text.
std::string SearchSQL(const std::vector<std::string>& lines, const std::string& fieldName,
                      const std::string& text);

// Whether text is a value of the field's type (any text for text fields).
bool IsSearchValue(const db::TField& field, const std::string& text);

struct TSearchResult {
  bool Found = false;
  // The lookup table was queried (or located); the control then shows Text, which is the
  // searched text cut to the field's size.
  bool Queried = false;
  std::string Text;
};

// Searches text in the field of that name of an active lookup table: no query when the
// current row already holds it or when it cannot be a value of the field; a query data
// set is reopened from the text on (SearchSQL) and is found when its first row starts
// with the text regardless of case; other data sets are located by prefix. A rewritten
// query that does not open brings the lines back as JoinedSearchSQL, is logged as
// "KveloFindRecord", reopened, and is not found.
TSearchResult SearchLookupTable(db::TDataSet& table, const std::string& fieldName,
                                const std::string& text, bool caseSensitive);

}  // namespace prenos
