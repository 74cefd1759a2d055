#pragma once
// The scrambling of the password that a KZP package's signature carries: each
// character shifted by digits taken from sin A and cos B, in two passes (the second
// one over the text read backwards). A and B travel beside the scrambled text.

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

class TEncryptionType {
 public:
  virtual ~TEncryptionType() = default;
  virtual std::string Encrypt(std::string_view plain) const = 0;
  virtual std::string Decrypt(std::string_view scrambled) const = 0;
};

class TQuillEncryptionType final : public TEncryptionType {
 public:
  uint8_t A = 3;
  uint8_t B = 4;

  std::string Encrypt(std::string_view plain) const override;
  std::string Decrypt(std::string_view scrambled) const override;

  // False when A or B gives a key without digits (sin 0 and cos of no value give
  // none for A = 0): such a signature was not written by a KZP writer, and the text
  // would pass unshifted.
  bool KeysUsable() const;
};

// The digits 1 to 9 of value written with 15 significant digits ("%.15g", "." as the
// decimal point, ".0" added when there is none), in order.
std::string DigitKey(double value);

}  // namespace setup
