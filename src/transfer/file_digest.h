// The size and SHA-256 of a posting file's bytes, by which the run journal knows a file
// it booked before, whatever its name or place.
#pragma once

#include <cstdint>
#include <string>

namespace prenos {

struct TFileDigest {
  int64_t Size = 0;
  std::string Sha256;  // lower-case hex
};

// fileName as the program names files (Windows-1250, a c:\ path or a POSIX path).
// Raises Exception with a Slovenian message when the file cannot be read.
TFileDigest DigestFile(const std::string& fileName);

}  // namespace prenos
