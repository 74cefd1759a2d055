#include "base/decimal_text.h"

#include <cmath>
#include <vector>

namespace setup {

std::string PaddedDecimal(uint64_t value, size_t width, char pad) {
  char buffer[20];
  size_t length = 0;
  do {
    buffer[length++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::string text(width > length ? width - length : 0, pad);
  while (length > 0) text += buffer[--length];
  return text;
}

std::string PaddedHex(uint64_t value, size_t width) {
  std::string text;
  do {
    text.insert(text.begin(), "0123456789ABCDEF"[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

namespace {

// A non-negative integer in limbs of nine decimal digits, the lowest first: big enough
// for any double's exact expansion (at most 767 significant digits).
class BigDecimal {
 public:
  explicit BigDecimal(uint64_t value) {
    do {
      limbs_.push_back(static_cast<uint32_t>(value % kBase));
      value /= kBase;
    } while (value != 0);
  }

  // Multiplies by factor (at most 2^32 - 1).
  void Multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs_) {
      const uint64_t product = uint64_t{limb} * factor + carry;
      limb = static_cast<uint32_t>(product % kBase);
      carry = product / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }

  // Multiplies by base^power, in steps that keep each factor below 2^32.
  void MultiplyByPower(uint32_t base, int power, uint32_t step, int stepPower) {
    for (; power >= stepPower; power -= stepPower) Multiply(step);
    for (; power > 0; --power) Multiply(base);
  }

  std::string Digits() const {
    std::string text = PaddedDecimal(limbs_.back(), 1);
    for (size_t i = limbs_.size() - 1; i-- > 0;) text += PaddedDecimal(limbs_[i], 9);
    return text;
  }

 private:
  static constexpr uint32_t kBase = 1000000000;
  std::vector<uint32_t> limbs_;
};

}  // namespace

SignificantDigits RoundToSignificant(double value, int significant) {
  SignificantDigits result;
  result.negative = std::signbit(value);
  // |value| = mantissa × 2^power exactly, with a 53-bit integer mantissa.
  int power = 0;
  const double fraction = std::frexp(std::fabs(value), &power);
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  power -= 53;

  // The exact decimal expansion: mantissa × 2^power, or (mantissa × 5^-power) / 10^-power.
  BigDecimal exact(mantissa);
  int pointShift = 0;  // the expansion's digits are divided by 10^pointShift
  if (power >= 0) {
    exact.MultiplyByPower(2, power, 1u << 31, 31);
  } else {
    exact.MultiplyByPower(5, -power, 1220703125u, 13);  // 5^13
    pointShift = -power;
  }
  std::string digits = exact.Digits();
  result.exponent = static_cast<int>(digits.size()) - 1 - pointShift;

  const size_t keep = static_cast<size_t>(significant);
  if (digits.size() <= keep) {
    digits.append(keep - digits.size(), '0');
  } else {
    // Round half to even on the digits dropped; they are exact, so a tie is a true tie.
    const char first = digits[keep];
    const bool restNonZero = digits.find_first_not_of('0', keep + 1) != std::string::npos;
    const bool up = first > '5' || (first == '5' && (restNonZero || (digits[keep - 1] - '0') % 2 == 1));
    digits.resize(keep);
    if (up) {
      size_t i = keep;
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++result.exponent;
      } else {
        ++digits[i - 1];
      }
    }
  }
  result.digits = std::move(digits);
  return result;
}

}  // namespace setup
