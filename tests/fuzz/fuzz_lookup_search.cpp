// libFuzzer target: a row of typed texts searched one after the other in a lookup table's
// SELECT, each search rewriting the lines the next one starts from. After every search the
// statement's literals must all be closed and the typed text must stand in it as exactly
// one literal compared with the field, the only comparison on that field.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/lookup_search.h"

namespace {

[[noreturn]] void Fault(const std::string& what, const std::string& sql) {
  std::fprintf(stderr, "lookup search fault: %s\n  in: %s\n", what.c_str(), sql.c_str());
  std::abort();
}

struct Literal {
  size_t Start;       // the opening quote
  std::string Value;  // without the doubled quotes
};

// The single-quoted literals of sql; false when one is left open.
bool Literals(const std::string& sql, std::vector<Literal>& out) {
  for (size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] != '\'') continue;
    Literal lit{i, {}};
    for (++i;; ++i) {
      if (i >= sql.size()) return false;
      if (sql[i] == '\'') {
        if (i + 1 < sql.size() && sql[i + 1] == '\'') {
          lit.Value += '\'';
          ++i;
          continue;
        }
        break;
      }
      lit.Value += sql[i];
    }
    out.push_back(std::move(lit));
  }
  return true;
}

bool IdentifierChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         u >= 0x80;
}

// Whether the literal at start is the right side of "field >= ".
bool ComparedWith(const std::string& sql, size_t start, const std::string& field) {
  const std::string lead = field + " >= ";
  if (start < lead.size() || sql.compare(start - lead.size(), lead.size(), lead) != 0) return false;
  const size_t before = start - lead.size();
  return before == 0 || !IdentifierChar(sql[before - 1]);
}

// A text as a literal holds it: its quotes doubled.
std::string Doubled(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    out += c;
    if (c == '\'') out += c;
  }
  return out;
}

struct Definition {
  std::vector<std::string> Lines;
  const char* Field;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  // The lookup tables of the main window, and one whose stored condition holds a literal
  // of any text (quotes doubled, as it would be written).
  std::string stored = in.ConsumeRandomLengthString(60);
  const std::string quoted = Doubled(stored);
  const Definition definitions[] = {
      {{"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ", "ORDER BY POSLDOG "}, "POSLDOG"},
      {{"SELECT * FROM ODDEL ", "ORDER BY USERID "}, "USERID"},
      {{"SELECT * FROM Teme ", "ORDER BY KLJUC "}, "KLJUC"},
      {{"SELECT * FROM Teme ", "WHERE Opis <> '" + quoted + "' ", "ORDER BY KLJUC "}, "KLJUC"},
  };
  const Definition& def = definitions[in.ConsumeIntegralInRange<size_t>(0, 3)];
  std::vector<std::string> lines = def.Lines;
  const std::string field = def.Field;

  for (int search = 0; search < 4 && in.remaining_bytes() > 0; ++search) {
    // A typed text is cut to the field's size before it is searched.
    const std::string text = in.ConsumeRandomLengthString(255);
    const std::string sql = prenos::SearchSQL(lines, field, text);
    std::vector<Literal> literals;
    if (!Literals(sql, literals)) Fault("a literal is left open", sql);
    int comparisons = 0;
    bool typed = false;
    for (const Literal& lit : literals) {
      if (!ComparedWith(sql, lit.Start, field)) continue;
      ++comparisons;
      typed = typed || lit.Value == text;
    }
    if (!typed) Fault("the typed text is not one literal compared with the field", sql);
    if (comparisons != 1) Fault("the field is compared more than once", sql);
    if (def.Lines.size() == 3 && def.Lines[1].find("Opis") != std::string::npos) {
      bool kept = false;
      std::string upper = quoted;
      for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      for (const Literal& lit : literals) {
        kept = kept || Doubled(lit.Value) == upper;
      }
      if (!kept) Fault("the stored condition's literal is lost", sql);
    }
    lines = {sql};
  }
  return 0;
}
