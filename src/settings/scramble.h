// The scrambling of the stored password: Decrypt and its inverse, and their hex forms.
#pragma once

#include <cstdint>
#include <string>

namespace prenos {

// The key the stored password is scrambled with.
inline constexpr uint16_t kPasswordKey = 27143;

// Descrambles every byte (whatever the length): out = b XOR high byte of k, then
// k = (b + k) * 31459 + 12689 in 16 bits, with b the scrambled byte.
std::string Decrypt(const std::string& text, uint16_t key);
// The inverse of Decrypt: Decrypt(Encrypt(t, k), k) == t.
std::string Encrypt(const std::string& text, uint16_t key);

// Hex-decodes (pairs = length / 2 rounded half to even, a single digit left at the end is
// read alone, either letter case) and descrambles. A pair that is not hexadecimal raises
// EConvertError "'$XY' is not a valid integer value".
std::string HexDecrypt(const std::string& hex, uint16_t key);
// Scrambles and writes two upper-case hexadecimal digits per byte.
std::string HexEncrypt(const std::string& text, uint16_t key);

}  // namespace prenos
