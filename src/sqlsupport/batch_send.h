// One all-or-nothing send of a statement's SQL text: in one explicit transaction, as one
// text where the driver takes batches, statement by statement where it does not.
#pragma once

#include <string_view>
#include <vector>

#include "odbc/hstmt.h"

namespace prenos {

// The statements of a batch: each ends after the "; " that follows a ")" outside a
// single-quoted literal (a doubled quote stays inside its literal). A text after the last
// end, or a text without any end (also the empty text), is one more statement as it is.
std::vector<std::string_view> SplitStatements(std::string_view batch);

// Executes the statement's SQL text on its connection and commits; raises on any failure,
// and then nothing of the text is committed. Every result of the text is read, so a
// failure of a later statement of a batch is seen before the commit.
void SendAllOrNothing(THstmt& statement);

}  // namespace prenos
