// libFuzzer target: any texts as the data source, user, password and driver of a
// connection. Read back by the rules a driver manager reads a connection string with, the
// string must give exactly those keywords with exactly those values, in order, followed by
// the further attributes, so that no value can reach into another keyword.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "odbc/hdbc.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

[[noreturn]] void Fault(const char* what, const std::string& cs) {
  std::fprintf(stderr, "connection string fault: %s\n  string: %s\n", what, cs.c_str());
  std::abort();
}

// keyword=value;... where a value starting with "{" runs to the "}" that is not doubled
// ("}}" stands for "}") and any other value runs to the next ";". False when the text
// does not read to its end that way; complete pairs read so far are in out.
bool ReadPairs(const std::string& s, Pairs& out) {
  size_t i = 0;
  while (i < s.size()) {
    const size_t eq = s.find('=', i);
    if (eq == std::string::npos) return false;
    std::string keyword = s.substr(i, eq - i), value;
    if (keyword.find_first_of(";{}") != std::string::npos) return false;
    i = eq + 1;
    if (i < s.size() && s[i] == '{') {
      for (++i;; ++i) {
        if (i >= s.size()) return false;
        if (s[i] == '}') {
          if (i + 1 < s.size() && s[i + 1] == '}') {
            value += '}';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        value += s[i];
      }
      if (i < s.size() && s[i] != ';') return false;
    } else {
      const size_t semi = s.find(';', i);
      value = s.substr(i, semi == std::string::npos ? std::string::npos : semi - i);
      i = semi == std::string::npos ? s.size() : semi;
    }
    out.emplace_back(std::move(keyword), std::move(value));
    if (i < s.size()) ++i;  // the ";"
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  // Only the stored texts of the component are used; nothing connects.
  static prenos::THdbc connection;
  const std::string dsn = in.ConsumeRandomLengthString(60);
  const std::string uid = in.ConsumeRandomLengthString(60);
  const std::string pwd = in.ConsumeRandomLengthString(60);
  const std::string driver = in.ConsumeRemainingBytesAsString();
  connection.SetDataSource(dsn);
  connection.SetUserName(uid);
  connection.SetPassword(pwd);
  connection.SetDriver(driver);
  connection.SetAttributes({"APP=Prenos knjizb", "Trusted_Connection=No"});

  Pairs expected;
  for (const auto& [k, v] : Pairs{{"DSN", dsn}, {"UID", uid}, {"PWD", pwd}, {"DRIVER", driver}})
    if (!v.empty()) expected.emplace_back(k, v);
  expected.emplace_back("APP", "Prenos knjizb");
  expected.emplace_back("Trusted_Connection", "No");

  const std::string cs = connection.ConnectionString();
  Pairs got;
  if (!ReadPairs(cs, got)) Fault("the string does not read as keyword=value pairs", cs);
  if (got != expected) Fault("the pairs read back are not the values set", cs);

  // A driver reads the string up to its first zero byte: what it reads before that must
  // still be pairs that were set, never a piece of a value taken as a keyword of its own.
  const std::string seen = cs.c_str();
  if (seen.size() < cs.size()) {
    Pairs cut;
    ReadPairs(seen, cut);
    if (cut.size() > expected.size())
      Fault("a value cut at a zero byte reads as more keywords", cs);
    for (size_t i = 0; i < cut.size(); ++i) {
      const bool whole = cut[i] == expected[i];
      const bool lastCut = i + 1 == cut.size() && cut[i].first == expected[i].first &&
                           expected[i].second.compare(0, cut[i].second.size(), cut[i].second) == 0;
      if (!whole && !lastCut) Fault("a value cut at a zero byte reads as another keyword", cs);
    }
  }
  return 0;
}
