// What a transfer run needs of the window it runs from, without widgets: the texts the
// user chose, the input file, the progress display, the wait cursor and message boxes,
// and the two local tables of the import. The main window implements it.
#pragma once

#include <string>

#include "localtables/table.h"

namespace prenos {

class TRunView {
 public:
  virtual ~TRunView() = default;

  // The texts of the business-event, clerk and journal selectors and of the date field,
  // in Windows-1250 (the date field's unfilled positions read as blanks).
  virtual std::string PoslDogText() const = 0;
  virtual std::string ReferentText() const = 0;
  virtual std::string TemeljnicaText() const = 0;
  virtual std::string DatumText() const = 0;
  // True while the tab "Priključi na obstoječo" (attach to an existing journal) is active.
  virtual bool AttachToExistingJournal() const = 0;

  // Shows the open-file dialog; false when the user cancelled it. FileName is the file
  // last chosen (a Windows or POSIX path in Windows-1250), kept from one run to the next.
  virtual bool AskForFile() = 0;
  virtual std::string FileName() const = 0;

  // The progress bar, 0 to 100.
  virtual void SetProgress(int position) = 0;
  // The wait cursor for the whole application, on or off.
  virtual void SetWaitCursor(bool wait) = 0;
  // A modal information box with an OK button (title and text in Windows-1250).
  virtual void ShowInformation(const std::string& title, const std::string& text) = 0;
  // A modal error box titled with the application title, with an OK button (Windows-1250).
  virtual void ShowError(const std::string& text) = 0;

  // Imports FileName into the staging table, which is then open on its first record.
  virtual void FillPrenos() = 0;
  virtual TTable& StagingTable() = 0;
};

}  // namespace prenos
