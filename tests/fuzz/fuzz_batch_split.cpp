// libFuzzer target: up to eight rows of arbitrary values built into one batch by the INSERT
// builder, then split at statement ends: the batch must split into exactly the statements built,
// each one byte for byte, and each statement alone must split into itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sqlsupport/batch_send.h"
#include "sqlsupport/insertsql.h"

namespace {

[[noreturn]] void Fault(const char* what, const std::string& batch) {
  std::fprintf(stderr, "batch split fault: %s\n  batch: %s\n", what, batch.c_str());
  std::abort();
}

// One value of any kind; numbers stay within what the literals can write, since a value
// that cannot be written goes to the error log (a file), which this target keeps away from.
prenos::TVarRec AnyValue(FuzzedDataProvider& in) {
  using prenos::TVarRec;
  switch (in.ConsumeIntegralInRange<int>(0, 8)) {
    case 0: return TVarRec(in.ConsumeIntegral<int32_t>());
    case 1: return TVarRec::SmallInt(in.ConsumeIntegral<int16_t>());
    case 2: {
      const double d = in.ConsumeFloatingPoint<double>();
      return TVarRec(std::isfinite(d) ? d : 0.0);
    }
    case 3: return TVarRec(prenos::TCurrency{in.ConsumeIntegral<int64_t>()});
    case 4: return TVarRec::DateTime(in.ConsumeFloatingPointInRange<double>(-693593.0, 2958465.0));
    case 5: return TVarRec::Null();
    case 6: return TVarRec::Single(static_cast<float>(in.ConsumeIntegral<int32_t>()) / 7.0f);
    default: return TVarRec(in.ConsumeRandomLengthString(120));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  static const char* const kTables[] = {"Dnevnik", "Teme", "TemeStev"};
  static const char* const kColumns[] = {"Konto", "Opis", "Datum", "Znesek", "Kljuc", "Vrsta"};

  std::string batch;
  std::vector<std::string> built;
  while (in.remaining_bytes() > 0 && built.size() < 8) {
    prenos::TNameValueList row;
    const int columns = in.ConsumeIntegralInRange<int>(1, 6);
    row.reserve(2 * columns);
    for (int c = 0; c < columns; ++c) {
      row.emplace_back(kColumns[c]);
      row.push_back(AnyValue(in));
    }
    const size_t before = batch.size();
    prenos::InsertSQL(kTables[in.ConsumeIntegralInRange<int>(0, 2)], row, batch);
    if (batch.size() == before) Fault("a row added nothing", batch);
    built.push_back(batch.substr(before));
  }
  if (built.empty()) return 0;

  const std::vector<std::string_view> split = prenos::SplitStatements(batch);
  if (split.size() != built.size())
    Fault("the batch splits into another number of statements", batch);
  for (size_t i = 0; i < built.size(); ++i) {
    if (split[i] != built[i]) Fault("a statement splits out changed", batch);
    const std::vector<std::string_view> alone = prenos::SplitStatements(built[i]);
    if (alone.size() != 1 || alone[0] != built[i])
      Fault("a statement alone does not split into itself", built[i]);
  }
  return 0;
}
