#pragma once
// Numbers written out digit by digit, without the C library's formatted printing:
// the stub would otherwise link its whole floating-point printf (some 22 KB) for a
// handful of fixed-width fields and two uses of 15 significant digits.

#include <cstdint>
#include <string>

namespace setup {

// value in decimal, at least width characters, padded on the left with pad.
std::string PaddedDecimal(uint64_t value, size_t width, char pad = '0');
// value in upper-case hexadecimal, at least width digits, padded with zeros.
std::string PaddedHex(uint64_t value, size_t width);

// A finite, non-zero double rounded to a number of significant decimal digits, exactly
// as printf's "%.*e" rounds (from the value's exact binary expansion, ties to even):
// |value| ≈ d.ddd... × 10^exponent, where digits holds exactly `significant` digits (1
// to 17), the first never '0'.
struct SignificantDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};
SignificantDigits RoundToSignificant(double value, int significant);

}  // namespace setup
