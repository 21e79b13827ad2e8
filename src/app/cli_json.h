// The JSON the command line prints for scripts: runs of the run journal and the records
// of the error table, keys in English, texts in UTF-8, amounts as numbers.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <optional>

#include "localtables/errorlog_read.h"
#include "transfer/run_journal.h"
#include "transfer/run_summary.h"

namespace prenos {

// "booked", "failed", "cancelled", "undone", "preview", "running".
QString OutcomeName(TRunState state);

// A journal row: run, outcome, journal, first_position, last_position, lines, debit,
// credit, skipped (null: the journal does not keep it), new_subjects and the rest.
QJsonObject RunJson(const TRunRecord& run);
// A run just made: its row (when it has one) with the summary's figures over it.
QJsonObject SummaryJson(const TRunRecord& run, const TRunSummary& summary);
QJsonObject ErrorJson(const TErrorRecord& record);

// The object or list as one line on standard output.
void PrintJson(const QJsonObject& object);
void PrintJson(const QJsonArray& array);

}  // namespace prenos
