#include "script/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

#include "base/decimal_text.h"

namespace setup {

std::string FormatSize(int64_t bytes) {
  static constexpr const char* kUnitNames[] = {"Bytes", "KB", "MB", "GB"};
  const bool negative = bytes < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);

  size_t unit = 0;
  uint64_t divisor = 1;
  while (unit < 3 && magnitude / (divisor * 1024) > 0) {
    divisor *= 1024;
    ++unit;
  }
  // Hundredths of the unit, rounded half away from zero. rest < 2^30, so rest * 200
  // cannot overflow; whole is below 1024 except in GB, where it is below 2^34.
  const uint64_t whole = magnitude / divisor;
  const uint64_t rest = magnitude % divisor;
  const uint64_t hundredths = whole * 100 + (rest * 200 + divisor) / (2 * divisor);

  std::string text = negative ? "-" : "";
  text += std::to_string(hundredths / 100);
  text += '.';
  text += static_cast<char>('0' + hundredths % 100 / 10);
  text += static_cast<char>('0' + hundredths % 10);
  text += ' ';
  text += kUnitNames[unit];
  return text;
}

namespace {

constexpr int kSignificantDigits = 15;

// The general-format text without the ".0" rule.
std::string GeneralFormat(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";

  // The value correctly rounded to 15 significant digits, computed exactly rather than
  // by the floating-point to_chars (some 190 KB of tables and code in the stub) or printf.
  const SignificantDigits rounded = RoundToSignificant(value, kSignificantDigits);
  const int exponent = rounded.exponent;
  std::string text = rounded.negative ? "-" : "";
  std::string digits = rounded.digits;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  // Built with append only: GCC 12 misreports chains of "+" on temporaries here.
  const std::string_view d(digits);
  if (exponent < -5 || exponent >= kSignificantDigits) {
    text += d.front();
    if (d.size() > 1) text.append(".").append(d.substr(1));
    text.append("E").append(std::to_string(exponent));
  } else if (exponent < 0) {
    text.append("0.").append(static_cast<size_t>(-exponent - 1), '0').append(d);
  } else {
    const size_t integerDigits = static_cast<size_t>(exponent) + 1;
    if (d.size() <= integerDigits) {
      text.append(d).append(integerDigits - d.size(), '0');
    } else {
      text.append(d.substr(0, integerDigits)).append(".").append(d.substr(integerDigits));
    }
  }
  return text;
}

}  // namespace

std::string FloatToText(double value) {
  std::string text = GeneralFormat(value);
  if (std::isfinite(value) && text.find('.') == std::string::npos) text += ".0";
  return text;
}

}  // namespace setup
