// libFuzzer target: arbitrary bytes as a posting file through the import. Our own
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
  int64_t lines = 0;
  for (size_t i = 0; i < size; ++i) lines += data[i] == '\n';
  if (size > 0 && data[size - 1] != '\n') ++lines;

  prenos::TImportTables tables;
  try {
    prenos::FillPrenos(tables.tbPrenos, tables.TAscii, g_input.string());
  } catch (const prenos::Exception&) {
    return 0;
  }
  if (tables.tbPrenos.RecordCount() != lines || tables.TAscii.Active()) {
    std::fprintf(stderr, "staged %lld records of %lld lines\n",
                 static_cast<long long>(tables.tbPrenos.RecordCount()), static_cast<long long>(lines));
    abort();
  }
  // Every staged value reads back.
  for (; !tables.tbPrenos.Eof(); tables.tbPrenos.Next())
    for (int i = 0; i < tables.tbPrenos.FieldCount(); ++i) (void)tables.tbPrenos.Fields(i).AsString();
  return 0;
}
