// The lookup lists' queries and settings, and the columns and settings of their selectors.
#include "app/lookup_lists.h"

#include "app/exception_handler.h"

namespace prenos {
namespace {

void SetupDataSet(TwwOEDataSet& dataSet, std::vector<std::string> lines) {
  dataSet.hStmt().SetConcurrencyType(SQL_CONCUR_VALUES);
  dataSet.hStmt().SetTargetTexts({"OE5.05", "", "", "", ""});
  dataSet.SetRequestLive(true);
  dataSet.SetEditable(true);
  dataSet.ValidateWithMask = true;
  dataSet.SetSQL(std::move(lines));
  // The window holds no connection of that name, so this changes nothing; the name is
  // read back from the data module's connection once SetDatabase has bound it.
  dataSet.SetDatabaseName("Database");
}

void SetupSelector(TwwDBLookupCombo& selector, TwwOEDataSet& table, const char* lookupField,
                   std::vector<std::string> columns, bool autoDropDown, bool useTFields) {
  selector.SetLookupTable(&table);
  selector.SetLookupField(lookupField);
  selector.SetSelected(columns);
  selector.SetOptions(loColLines | loRowLines | loTitles);
  selector.SetStyle(csDropDownList);
  selector.SetAutoDropDown(autoDropDown);
  selector.SetShowButton(true);
  selector.SetSeqSearchOptions(ssoEnabled | ssoCaseSensitive);
  selector.SetUseTFields(useTFields);
  selector.SetAllowClearKey(false);
  selector.SetDropDownAlignment(taLeftJustify);
  // What the selector's own handling lets escape ends in the program's error box.
  selector.OnException = [] { HandleCurrentException(); };
}

}  // namespace

TLookupLists::TLookupLists(TComponent* owner)
    : tbLookPoslDog(owner, "tbLookPoslDog"),
      tbLookZaposlen(owner, "tbLookZaposlen"),
      tbTemeStev(owner, "tbTemeStev") {
  SetupDataSet(tbLookPoslDog,
               {"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ", "ORDER BY POSLDOG "});
  SetupDataSet(tbLookZaposlen, {"SELECT * FROM ODDEL ", "ORDER BY USERID "});
  SetupDataSet(tbTemeStev, {"SELECT * FROM Teme ", "ORDER BY KLJUC "});
}

TLookupLists::~TLookupLists() {
  for (const QPointer<TwwDBLookupCombo>& selector : selectors_)
    if (selector) selector->SetLookupTable(nullptr);
}

void TLookupLists::SetDatabase(THdbc* database) {
  for (TwwOEDataSet* dataSet : {&tbLookPoslDog, &tbLookZaposlen, &tbTemeStev})
    dataSet->SethDbc(database);
}

void TLookupLists::SetupSelectors(TwwDBLookupCombo& poslDog, TwwDBLookupCombo& referent,
                                  TwwDBLookupCombo& temeljnica) {
  // Titles in Windows-1250: "Šifra", "Številka".
  SetupSelector(poslDog, tbLookPoslDog, "PoslDog",
                {"POSLDOG\t7\tPos.dog.", "NAZIV\t31\tNaziv", "TIP\t3\tTip"}, true, false);
  SetupSelector(referent, tbLookZaposlen, "UserID",
                {"USERID\t3\t\x8A"
                 "ifra",
                 "DELAVEC\t30\tDelavec\tF"},
                true, false);
  // The date column holds ten digits' width: the short date with its four-digit year
  // and two separators, and the cell's margins.
  SetupSelector(temeljnica, tbTemeStev, "KLJUC",
                {"KLJUC\t10\t\x8A"
                 "tevilka",
                 "DATUM\t10\tDatum", "REFERENT\t4\tRef."},
                false, true);
  selectors_ = {&poslDog, &referent, &temeljnica};
}

}  // namespace prenos
