#include "package/quill_encryption.h"

#include <cmath>

#include "base/decimal_text.h"

namespace setup {

namespace {

// Adds (or subtracts) the key's digits in turn, the key wrapping to its first digit.
// Forward passes read the input from the back when reversed; backward passes build
// the output from the front when reversed. With an empty key the text passes as it is.
std::string Pass(std::string_view input, const std::string& key, bool forward, bool reversed) {
  std::string out;
  out.reserve(input.size());
  size_t k = 0;
  auto shift = [&](char c) {
    const int digit = key.empty() ? 0 : key[k] - '0';
    if (!key.empty()) k = (k + 1) % key.size();
    const int value = static_cast<unsigned char>(c) + (forward ? digit : -digit);
    return static_cast<char>(static_cast<unsigned char>(value & 0xFF));
  };
  if (forward) {
    if (reversed) {
      for (auto it = input.rbegin(); it != input.rend(); ++it) out.push_back(shift(*it));
    } else {
      for (char c : input) out.push_back(shift(c));
    }
  } else {
    for (char c : input) out.push_back(shift(c));
    if (reversed) out.assign(out.rbegin(), out.rend());
  }
  return out;
}

}  // namespace

std::string DigitKey(double value) {
  // The digits 1 to 9 of the value's "%.15g" text: its 15 significant digits, and the
  // exponent's digits when that text is scientific (an exponent below -4 or above 14).
  // Zero, not-a-number and infinities have none.
  std::string key;
  if (value == 0 || !std::isfinite(value)) return key;
  const SignificantDigits rounded = RoundToSignificant(value, 15);
  std::string text = rounded.digits;
  if (rounded.exponent < -4 || rounded.exponent >= 15) text += std::to_string(rounded.exponent);
  for (char c : text) {
    if (c >= '1' && c <= '9') key.push_back(c);
  }
  return key;
}

std::string TQuillEncryptionType::Encrypt(std::string_view plain) const {
  const std::string first = Pass(plain, DigitKey(std::sin(A)), /*forward=*/true, /*reversed=*/false);
  return Pass(first, DigitKey(std::cos(B)), /*forward=*/true, /*reversed=*/true);
}

std::string TQuillEncryptionType::Decrypt(std::string_view scrambled) const {
  const std::string first = Pass(scrambled, DigitKey(std::cos(B)), /*forward=*/false, /*reversed=*/true);
  return Pass(first, DigitKey(std::sin(A)), /*forward=*/false, /*reversed=*/false);
}

bool TQuillEncryptionType::KeysUsable() const {
  return !DigitKey(std::sin(A)).empty() && !DigitKey(std::cos(B)).empty();
}

}  // namespace setup
