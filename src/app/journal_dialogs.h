// The run journal's questions to the user: book a file again ("Ponoven prenos") and undo
// a run. Both answer "Ne" unless the user chooses "Da": Return and Escape say "Ne".
#pragma once

#include <string>

#include "transfer/run_journal.h"

class QWidget;

namespace prenos {

// A question box with the buttons "Da" and "Ne", "Ne" the default and the escape
// button; true for "Da". Title and text in Windows-1250.
bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text,
              const char* objectName);

// "Ponoven prenos": the file was booked before.
bool AskRebook(QWidget* parent, const TRunRecord& earlier);
// "Razveljavi prenos": the journal, lines and totals that will go.
bool ConfirmUndo(QWidget* parent, const TRunRecord& run);

}  // namespace prenos
