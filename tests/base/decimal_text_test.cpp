// Digits written without printf, checked against the host's printf, which rounds
// exactly (ties to even) from the binary value.
#include "base/decimal_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <random>
#include <vector>

namespace setup {
namespace {

// What "%.{n-1}e" gives, as digits and exponent.
SignificantDigits FromPrintf(double value, int significant) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", significant - 1, value);
  SignificantDigits expected;
  const char* p = text;
  expected.negative = *p == '-';
  for (p += expected.negative ? 1 : 0; *p != 'e'; ++p) {
    if (*p != '.') expected.digits += *p;
  }
  expected.exponent = std::atoi(p + 1);
  return expected;
}

// Catches a digit rounded the wrong way (halfway cases, carries through nines, the
// subnormal and largest values, exact powers of two and ten) or an exponent off by one.
TEST(RoundToSignificant, MatchesPrintfOnEdgesAndRandomDoubles) {
  std::vector<double> values = {1, -1, 0.5, 2.5, 0.125, 9.5, 99.5, 0.1, 1e23, 9.999999999999999e22, 123456789012345.5,
                                999999999999999.5, DBL_MAX, DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, std::sin(2.0),
                                std::ldexp(1.0, 1023), std::ldexp(1.0, -1022) * 3, 5e-324, 1.5e-7, 1e20};
  std::mt19937_64 random(12345);
  while (values.size() < 5000) {
    const uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value) && value != 0) values.push_back(value);
  }
  for (const double value : values) {
    for (const int significant : {1, 2, 15, 17}) {
      const SignificantDigits expected = FromPrintf(value, significant);
      const SignificantDigits got = RoundToSignificant(value, significant);
      ASSERT_EQ(got.digits, expected.digits) << value << " to " << significant;
      ASSERT_EQ(got.exponent, expected.exponent) << value << " to " << significant;
      ASSERT_EQ(got.negative, expected.negative) << value;
    }
  }
}

TEST(PaddedDecimal, PadsToWidthAndNeverCuts) {
  EXPECT_EQ(PaddedDecimal(7, 4), "0007");
  EXPECT_EQ(PaddedDecimal(12345, 3), "12345");
  EXPECT_EQ(PaddedDecimal(0, 5, ' '), "    0");
  EXPECT_EQ(PaddedDecimal(UINT64_MAX, 1), "18446744073709551615");
  EXPECT_EQ(PaddedHex(0x80004005u, 8), "80004005");
  EXPECT_EQ(PaddedHex(0x2A, 8), "0000002A");
}

}  // namespace
}  // namespace setup
