// Password scrambling.
#include "settings/scramble.h"

#include "localtables/errorlog.h"
#include "platform/component.h"
#include "platform/convert.h"
#include "platform/exceptions.h"

namespace prenos {
namespace {

uint16_t NextKey(unsigned char scrambled, uint16_t k) {
  return static_cast<uint16_t>((scrambled + k) * 31459u + 12689u);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string Decrypt(const std::string& text, uint16_t key) {
  try {
    std::string out(text.size(), '\0');
    uint16_t k = key;
    for (size_t i = 0; i < text.size(); ++i) {
      const auto b = static_cast<unsigned char>(text[i]);
      out[i] = static_cast<char>(b ^ (k >> 8));
      k = NextKey(b, k);
    }
    return out;
  } catch (const std::exception& e) {
    LogError(&e, &Application(), "Decrypt");
    return {};
  }
}

std::string Encrypt(const std::string& text, uint16_t key) {
  std::string out(text.size(), '\0');
  uint16_t k = key;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(static_cast<unsigned char>(text[i]) ^ (k >> 8));
    out[i] = static_cast<char>(c);
    k = NextKey(c, k);
  }
  return out;
}

std::string HexDecrypt(const std::string& hex, uint16_t key) {
  const auto pairs = static_cast<size_t>(RoundHalfEven(static_cast<double>(hex.size()) / 2));
  std::string bytes;
  for (size_t i = 0; i < pairs; ++i) {
    const std::string pair = hex.substr(2 * i, 2);
    int value = 0;
    for (char c : pair) {
      if (HexDigit(c) < 0) throw EConvertError("'$" + pair + "' is not a valid integer value");
      value = value * 16 + HexDigit(c);
    }
    bytes += static_cast<char>(value);
  }
  return Decrypt(bytes, key);
}

std::string HexEncrypt(const std::string& text, uint16_t key) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : Encrypt(text, key)) {
    out += kDigits[static_cast<unsigned char>(c) >> 4];
    out += kDigits[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

}  // namespace prenos
