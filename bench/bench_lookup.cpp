// The business-event selector's search on PostgreSQL with 100,000 business events: the
// time from the delayed search starting (the 333 ms after a typed character) to the list
// showing its first rows, per set of psqlODBC connection settings, next to psql's time
// for the same rewritten SELECT. Each setting is also checked for scrolling both ways.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/lookup_combo.h"
#include "ledger/ledger_fixture.h"
#include "odbc/dataset/oequery.h"

using namespace prenos;
using prenos::testing::Backend;
using prenos::testing::TestLedger;

namespace {

constexpr int kEvents = 100000;
constexpr int kSamples = 9;
// Characters typed in turn; each lists tens of thousands of rows from it on.
const char kTyped[] = "5273648";

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Notes the moment the selector's search timer fires, before the search runs.
class TTimerWatch : public QObject {
 public:
  Clock::time_point fired;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Timer) fired = Clock::now();
    return false;
  }
};

struct TResult {
  double searchMs = 0;
  bool scrolls = false;
  std::string session;  // the server's state of the list's connection while it is open
  std::string failure;
};

// Scrolls the open list's data set down and back up and to both ends, comparing with
// the codes the ledger lists from the typed text on.
bool ScrollsBothWays(TwwOEDataSet& ds, const std::vector<std::string>& codes) {
  ds.First();
  if (ds.MoveBy(300) != 300 || ds.FieldByName("POSLDOG").AsString() != codes.at(300)) return false;
  if (ds.MoveBy(-299) != -299 || ds.FieldByName("POSLDOG").AsString() != codes.at(1)) return false;
  ds.Last();
  if (ds.FieldByName("POSLDOG").AsString() != codes.back()) return false;
  ds.Prior();
  if (ds.FieldByName("POSLDOG").AsString() != codes.at(codes.size() - 2)) return false;
  ds.First();
  return ds.FieldByName("POSLDOG").AsString() == codes.front();
}

TResult Measure(const TestLedger& ledger, const std::vector<std::string>& attributes,
                const std::vector<std::string>& fromFive) {
  TResult result;
  THdbc db(nullptr, "Database");
  db.SetDataSource("MSStelvar");
  db.SetUserName(ledger.UserName());
  db.SetPassword(ledger.Password());
  db.SetAttributes(attributes);
  TwwOEDataSet table(nullptr, "tbLookPoslDog");
  table.SethDbc(&db);
  table.hStmt().SetConcurrencyType(SQL_CONCUR_VALUES);
  table.SetRequestLive(true);
  table.SetEditable(true);
  table.SetSQL({"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ", "ORDER BY POSLDOG "});

  QWidget window;
  window.setGeometry(100, 100, 300, 120);
  auto* selector = new TwwDBLookupCombo(&window);
  selector->setGeometry(104, 5, 89, 21);
  selector->SetLookupTable(&table);
  selector->SetLookupField("PoslDog");
  selector->SetSelected({"POSLDOG\t7\tPos.dog.", "NAZIV\t31\tNaziv", "TIP\t3\tTip"});
  selector->SetOptions(loColLines | loRowLines | loTitles);
  selector->SetStyle(csDropDownList);
  selector->SetAutoDropDown(true);
  selector->SetSeqSearchOptions(ssoEnabled | ssoCaseSensitive);
  selector->SetUseTFields(false);
  selector->OnException = [&result] {
    try {
      throw;
    } catch (const std::exception& e) {
      result.failure = e.what();
    }
  };
  window.show();
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) {
    result.failure = "the window did not become active";
    return result;
  }
  selector->setFocus();
  QTest::keyClick(selector, '1');  // opens the list
  if (!selector->ListVisible()) {
    result.failure = "the list did not open";
    return result;
  }

  TTimerWatch watch;
  const_cast<QTimer&>(selector->SearchTimer()).installEventFilter(&watch);
  std::vector<double> samples;
  for (int i = 0; i < kSamples; ++i) {
    selector->selectAll();
    QTest::keyClick(selector, kTyped[i % (sizeof kTyped - 1)]);
    while (selector->SearchTimer().isActive())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    selector->List()->grab();  // the list painted with its first rows
    samples.push_back(Ms(Clock::now() - watch.fired));
    if (!result.failure.empty()) return result;
  }
  result.searchMs = Median(samples);

  selector->selectAll();
  QTest::keyClick(selector, '5');
  while (selector->SearchTimer().isActive())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  try {
    result.scrolls = ScrollsBothWays(table, fromFive);
  } catch (const std::exception& e) {
    result.failure = std::string("scrolling: ") + e.what();
  }
  result.session = ledger.Scalar(
      "SELECT string_agg(DISTINCT state, ', ') FROM pg_stat_activity WHERE datname = "
      "current_database() "
      "AND pid <> pg_backend_pid()");
  return result;
}

// psql's own time for a statement, from its \timing line ("Time: 12.345 ms").
double PsqlMs(const TestLedger& ledger, const std::string& sql) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    for (const auto& row : ledger.Query("\\timing on\n" + sql + ";")) {
      const std::string& line = row.at(0);
      if (line.rfind("Time: ", 0) == 0) best = std::min(best, std::stod(line.substr(6)));
    }
  }
  return best;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  try {
    TestLedger ledger(Backend::Postgres);
    ledger.Exec(
        "INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) SELECT g::text, 'Poslovni dogodek ' || "
        "g, 'TG', "
        "CASE WHEN g % 10 = 0 THEN 'B' ELSE 'K' END FROM generate_series(1, " +
        std::to_string(kEvents) + ") AS g;\nANALYZE PoslDog;\n");
    std::vector<std::string> fromFive;
    for (const auto& row : ledger.Query(
             "SELECT PoslDog FROM PoslDog WHERE Vrsta = 'K' AND PoslDog >= '5' ORDER BY PoslDog"))
      fromFive.push_back(row.at(0));
    const std::string rewritten =
        "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= '5' ORDER BY POSLDOG";

    struct TSetting {
      const char* name;
      std::vector<std::string> attributes;
    };
    const std::vector<TSetting> settings = {
        {"psqlODBC defaults (whole result read)", {}},
        {"UseDeclareFetch=1;Fetch=100", {"UseDeclareFetch=1", "Fetch=100"}},
        {"UseDeclareFetch=1;Fetch=32", {"UseDeclareFetch=1", "Fetch=32"}},
    };
    double recommended = 0;
    for (const TSetting& s : settings) {
      const TResult r = Measure(ledger, s.attributes, fromFive);
      if (!r.failure.empty()) {
        std::printf("%-40s failed: %s\n", s.name, r.failure.c_str());
        continue;
      }
      std::printf(
          "%-40s %8.1f ms to the first rows, scrolls both ways: %s, session while open: %s\n",
          s.name, r.searchMs, r.scrolls ? "yes" : "NO", r.session.c_str());
      if (s.attributes.size() == 2 && s.attributes[1] == "Fetch=100" && r.scrolls)
        recommended = r.searchMs;
    }
    std::printf("%-40s %8.1f ms (%zu rows)\n", "psql, the same SELECT, all rows",
                PsqlMs(ledger, rewritten), fromFive.size());
    std::printf("%-40s %8.1f ms\n", "psql, its first 8 rows (LIMIT 8)",
                PsqlMs(ledger, rewritten + " LIMIT 8"));
    std::printf("search_ms: %.1f\n", recommended);
    return recommended > 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_lookup: %s\n", e.what());
    return 1;
  }
}
