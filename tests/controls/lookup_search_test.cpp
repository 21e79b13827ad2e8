// The SELECT rewrite of the lookup selector's search: the order clause kept, the earlier
// condition on the searched field replaced, the other conditions kept, the literal quoted,
// and whole words only.
#include "controls/lookup_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace prenos;

namespace {

const std::vector<std::string> kPoslDog = {"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ",
                                           "ORDER BY POSLDOG "};

}  // namespace

TEST(LookupSearch, TheBusinessEventQueryStartsAtTheTypedCode) {
  EXPECT_EQ(SearchSQL(kPoslDog, "POSLDOG", "12"),
            "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= '12' ORDER BY POSLDOG");
  // The driver may name the column in lower case; the statement is upper-cased anyway.
  EXPECT_EQ(SearchSQL(kPoslDog, "posldog", "12"), SearchSQL(kPoslDog, "POSLDOG", "12"));
}

TEST(LookupSearch, ALaterSearchReplacesTheConditionOnItsFieldOnly) {
  const std::string first = SearchSQL(kPoslDog, "POSLDOG", "12");
  EXPECT_EQ(SearchSQL({first}, "POSLDOG", "13"),
            "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= '13' ORDER BY POSLDOG");
  // Again and again: the condition does not grow.
  std::string sql = first;
  for (const char* text : {"2", "KA", "K", "10"}) sql = SearchSQL({sql}, "POSLDOG", text);
  EXPECT_EQ(sql, "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= '10' ORDER BY POSLDOG");
}

TEST(LookupSearch, QueriesWithoutConditionOrOrder) {
  EXPECT_EQ(SearchSQL({"SELECT * FROM ODDEL ", "ORDER BY USERID "}, "UserID", "0"),
            "SELECT * FROM ODDEL WHERE USERID >= '0' ORDER BY USERID");
  EXPECT_EQ(SearchSQL({"SELECT * FROM Teme"}, "KLJUC", "26"),
            "SELECT * FROM TEME WHERE KLJUC >= '26' ");
  // A condition on the searched field alone goes entirely.
  EXPECT_EQ(SearchSQL({"select * from Teme where Kljuc >= '25' order by Kljuc"}, "KLJUC", "26"),
            "SELECT * FROM TEME WHERE KLJUC >= '26' ORDER BY KLJUC");
}

TEST(LookupSearch, TheLiteralKeepsItsCaseAndDoublesItsQuotes) {
  EXPECT_EQ(SearchSQL(kPoslDog, "POSLDOG", "O'Neil"),
            "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= 'O''Neil' ORDER BY POSLDOG");
  EXPECT_EQ(SearchSQL(kPoslDog, "POSLDOG", "'"),
            "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= '''' ORDER BY POSLDOG");
}

TEST(LookupSearch, ConditionsEndingInAnOpenParenthesisOrAConnective) {
  // What stood before the searched field's condition decides how the new one joins it.
  EXPECT_EQ(SearchSQL({"SELECT * FROM T WHERE A = 1 AND (KODA >= 'X')"}, "KODA", "Y"),
            "SELECT * FROM T WHERE A = 1 AND KODA >= 'Y' ");
  EXPECT_EQ(SearchSQL({"SELECT * FROM T WHERE A = 1 OR KODA >= 'X'"}, "KODA", "Y"),
            "SELECT * FROM T WHERE A = 1  AND KODA >= 'Y' ");
  EXPECT_EQ(SearchSQL({"SELECT * FROM T WHERE ((KODA >= 'X'))"}, "KODA", "Y"),
            "SELECT * FROM T WHERE KODA >= 'Y' ");
}

TEST(LookupSearch, KeywordsAndFieldNamesCountAsWholeWordsOnly) {
  // SOMEWHERE is no WHERE, VKLJUC no KLJUC, an ISMAJOR column no OR and BRAND no AND.
  EXPECT_EQ(SearchSQL({"SELECT * FROM SOMEWHERE ORDER BY KLJUC"}, "KLJUC", "1"),
            "SELECT * FROM SOMEWHERE WHERE KLJUC >= '1' ORDER BY KLJUC");
  EXPECT_EQ(SearchSQL({"SELECT * FROM TemePoz WHERE VKljuc = 'A' ORDER BY KLJUC"}, "KLJUC", "1"),
            "SELECT * FROM TEMEPOZ WHERE VKLJUC = 'A' AND KLJUC >= '1' ORDER BY KLJUC");
  EXPECT_EQ(SearchSQL({"SELECT * FROM T WHERE ISMAJOR"}, "KODA", "1"),
            "SELECT * FROM T WHERE ISMAJOR AND KODA >= '1' ");
  EXPECT_EQ(SearchSQL({"SELECT * FROM T WHERE BRAND"}, "KODA", "1"),
            "SELECT * FROM T WHERE BRAND AND KODA >= '1' ");
}

TEST(LookupSearch, KeywordsAndTheFieldInsideLiteralsAreText) {
  // A searched text that holds the keywords stays one literal in the next rewrite too.
  const std::string first = SearchSQL(kPoslDog, "POSLDOG", "ORDER BY");
  EXPECT_EQ(first,
            "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= 'ORDER BY' ORDER BY POSLDOG");
  EXPECT_EQ(SearchSQL({first}, "POSLDOG", "ORDER BY1"),
            "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= 'ORDER BY1' ORDER BY POSLDOG");
  // A stored condition whose literal holds them keeps its literal whole, and the typed
  // text is not moved out of its own.
  EXPECT_EQ(SearchSQL({"SELECT * FROM Teme ", "WHERE Opis <> 'a where b order by c kljuc' ",
                       "ORDER BY KLJUC "},
                      "KLJUC", "x' OR 1=1"),
            "SELECT * FROM TEME WHERE OPIS <> 'A WHERE B ORDER BY C KLJUC' AND KLJUC >= 'x'' OR "
            "1=1' ORDER BY KLJUC");
  EXPECT_EQ(SearchSQL({"SELECT * FROM T WHERE A = 'it''s KODA' AND KODA >= 'Q'"}, "KODA", "R"),
            "SELECT * FROM T WHERE A = 'IT''S KODA' AND KODA >= 'R' ");
}

TEST(LookupSearch, TheFallbackJoinsTheLinesUpperCased) {
  EXPECT_EQ(JoinedSearchSQL(kPoslDog),
            " SELECT * FROM POSLDOG  WHERE VRSTA = 'K'  ORDER BY POSLDOG ");
  EXPECT_EQ(JoinedSearchSQL({}), "");
  // Letters outside ASCII stay as they are.
  EXPECT_EQ(JoinedSearchSQL({"where Naziv = '\xE8rt'"}), " WHERE NAZIV = '\xE8RT'");
}
