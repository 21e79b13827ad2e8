// libFuzzer target: arbitrary bytes (Windows-1250, UTF-8, UTF-16) as a posting file
// through the import. Our own
// exceptions (bad conversions) are expected; a crash, a sanitizer report, or a
// successful import that staged a different number of records than the file has lines
// is a fault.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/exceptions.h"
#include "transfer/import.h"

namespace {

namespace fs = std::filesystem;

fs::path g_dir, g_input;

void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(g_dir, ec);
}

// The lines the file holds, counted apart from the decoder: LF units after a UTF-16
// mark, LF bytes otherwise (a UTF-8 mark is no line of its own).
int64_t LinesOf(const uint8_t* data, size_t size) {
  const bool le = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
  const bool be = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
  const bool utf8 = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
  if (le || be) {
    int64_t lines = 0;
    bool open = false;
    for (size_t i = 2; i + 1 < size; i += 2) {
      const bool lf = data[le ? i : i + 1] == '\n' && data[le ? i + 1 : i] == 0;
      lines += lf;
      open = !lf;
    }
    return lines + open;
  }
  const size_t from = utf8 ? 3 : 0;
  int64_t lines = 0;
  for (size_t i = from; i < size; ++i) lines += data[i] == '\n';
  return lines + (size > from && data[size - 1] != '\n');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A private prefix, in memory when the machine has /dev/shm (the import syncs its table).
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string dir = (base / "prenos-fuzz-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 1;
  setenv("STELVAR_PREFIX", dir.c_str(), 1);
  g_dir = dir;
  g_input = g_dir / "input.txt";
  atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(g_input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const int64_t lines = LinesOf(data, size);

  prenos::TImportTables tables;
  try {
    prenos::FillPrenos(tables.tbPrenos, tables.TAscii, g_input.string());
  } catch (const prenos::Exception&) {
    return 0;
  }
  if (tables.tbPrenos.RecordCount() != lines || tables.TAscii.Active()) {
    std::fprintf(stderr, "staged %lld records of %lld lines\n",
                 static_cast<long long>(tables.tbPrenos.RecordCount()),
                 static_cast<long long>(lines));
    abort();
  }
  // Every staged value reads back.
  for (; !tables.tbPrenos.Eof(); tables.tbPrenos.Next())
    for (int i = 0; i < tables.tbPrenos.FieldCount(); ++i)
      (void)tables.tbPrenos.Fields(i).AsString();
  return 0;
}
