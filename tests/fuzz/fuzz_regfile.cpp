// libFuzzer target: arbitrary bytes as a registry file, in memory. A file that reads must
// write back to bytes that read to the same keys and values; a string value set on it
// must read back (the five bytes without a character as "?") with every other value kept.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "settings/regfile.h"

namespace {

using prenos::TRegFile;
using prenos::TRegValue;

[[noreturn]] void Fault(const char* what) {
  std::fprintf(stderr, "registry file fault: %s\n", what);
  std::abort();
}

bool SameValue(const TRegValue& a, const TRegValue& b) {
  return a.Type == b.Type && a.Text == b.Text;
}

bool SameList(const std::vector<TRegFile::TListed>& a, const std::vector<TRegFile::TListed>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Key != b[i].Key || a[i].Name != b[i].Name || !SameValue(a[i].Value, b[i].Value))
      return false;
  return true;
}

// Whether a and b list the same entries once key\name is left out of both.
bool SameListExcept(const std::vector<TRegFile::TListed>& a,
                    const std::vector<TRegFile::TListed>& b, const std::string& key,
                    const std::string& name) {
  const auto other = [&](const TRegFile::TListed& e) {
    return !prenos::SameRegName(e.Key, key) || !prenos::SameRegName(e.Name, name);
  };
  size_t i = 0, j = 0;
  while (true) {
    while (i < a.size() && !other(a[i])) ++i;
    while (j < b.size() && !other(b[j])) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (a[i].Key != b[j].Key || a[i].Name != b[j].Name || !SameValue(a[i].Value, b[j].Value))
      return false;
    ++i, ++j;
  }
}

// A text as it reads back: the five bytes without a character come back as "?".
std::string AsWritten(std::string text) {
  for (char& c : text)
    if (prenos::Cp1250ToUnicode(static_cast<unsigned char>(c)) == 0xFFFD) c = '?';
  return text;
}

TRegFile Reread(const TRegFile& file) {
  TRegFile again;
  TRegFile::TFault fault;
  if (!TRegFile::TryFromBytes(file.ToBytes(), file.Path(), again, fault)) {
    std::fprintf(stderr, "line %zu: %s\n", fault.Line, fault.What.c_str());
    Fault("a written file does not read back");
  }
  return again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  // The keys and names the program writes, or any text.
  static const char* const kKeys[] = {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL",
                                      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar",
                                      "HKEY_CURRENT_USER\\Software\\x"};
  static const char* const kNames[] = {"UserName", "Password", ""};
  const uint8_t pick = in.ConsumeIntegral<uint8_t>();
  const std::string anyKey = pick & 0x80 ? in.ConsumeRandomLengthString(40) : kKeys[pick % 3];
  const std::string anyName =
      pick & 0x40 ? in.ConsumeRandomLengthString(20) : kNames[(pick >> 2) % 3];
  const std::string value = in.ConsumeRandomLengthString(80);
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  TRegFile file;
  TRegFile::TFault fault;
  if (!TRegFile::TryFromBytes(bytes, "system.reg", file, fault)) {
    if (fault.What.empty()) Fault("a file is refused without a reason");
    file = TRegFile::FromBytes({}, "system.reg");  // not a registry file: start from none
  }
  const std::vector<TRegFile::TListed> before = file.List();
  if (!SameList(Reread(file).List(), before))
    Fault("a file written as read reads back differently");

  try {
    file.SetString(anyKey, anyName, value);
  } catch (const prenos::ERegistryException&) {
    // Refused: the file must still be what it was.
    if (!SameList(Reread(file).List(), before)) Fault("a refused value changed the file");
    return 0;
  }
  const TRegFile after = Reread(file);
  const std::string expected = AsWritten(value), key = AsWritten(anyKey), name = AsWritten(anyName);
  const TRegValue* got = after.FindValue(key, name);
  if (!got || got->Type != TRegValue::TType::Text || got->Text != expected)
    Fault("the value set does not read back");
  if (!after.KeyExists(key)) Fault("the key of a value set is missing");
  if (!SameListExcept(after.List(), before, key, name)) Fault("setting one value changed another");
  return 0;
}
