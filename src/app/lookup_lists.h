// The three lookup lists of the main window: the query data sets of business events
// (kind K), clerks and journals on the ledger connection, and the settings of the
// selectors that list them.
#pragma once

#include <QPointer>
#include <vector>

#include "controls/lookup_combo.h"
#include "odbc/dataset/oequery.h"
#include "odbc/hdbc.h"
#include "platform/component.h"

namespace prenos {

class TLookupLists {
 public:
  // The data sets with their stored settings, owned by the window (`owner`), closed and
  // without a connection until SetDatabase.
  explicit TLookupLists(TComponent* owner);
  // The window's members go before its child widgets: the selectors let go of the data
  // sets first.
  ~TLookupLists();
  TLookupLists(const TLookupLists&) = delete;
  TLookupLists& operator=(const TLookupLists&) = delete;

  // Completes the data sets' reference to the data module's connection, which is
  // created after the window.
  void SetDatabase(THdbc* database);

  // The business-event, clerk and journal selectors over the three data sets.
  void SetupSelectors(TwwDBLookupCombo& poslDog, TwwDBLookupCombo& referent,
                      TwwDBLookupCombo& temeljnica);

  TwwOEDataSet tbLookPoslDog;
  TwwOEDataSet tbLookZaposlen;
  TwwOEDataSet tbTemeStev;

 private:
  std::vector<QPointer<TwwDBLookupCombo>> selectors_;
};

}  // namespace prenos
