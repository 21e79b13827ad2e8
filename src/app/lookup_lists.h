// The three lookup lists of the main window: the query data sets of business events
// (kind K), clerks and journals on the ledger connection, and the settings of the
// selectors that list them.
#pragma once

#include "odbc/hdbc.h"
#include "odbc/oequery.h"
#include "platform/component.h"

namespace prenos {

class TwwDBLookupCombo;

struct TLookupLists {
  // The data sets with their stored settings, owned by the window (`owner`), closed and
  // without a connection until SetDatabase.
  explicit TLookupLists(TComponent* owner);

  // Completes the data sets' reference to the data module's connection, which is
  // created after the window.
  void SetDatabase(THdbc* database);

  // The business-event, clerk and journal selectors over the three data sets.
  void SetupSelectors(TwwDBLookupCombo& poslDog, TwwDBLookupCombo& referent, TwwDBLookupCombo& temeljnica);

  TwwOEDataSet tbLookPoslDog;
  TwwOEDataSet tbLookZaposlen;
  TwwOEDataSet tbTemeStev;
};

}  // namespace prenos
