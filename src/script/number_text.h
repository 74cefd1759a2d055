#pragma once
// Numbers as text, always with "." as decimal separator and no thousands separator,
// whatever the locale.

#include <cstdint>
#include <string>

namespace setup {

// A byte count with two decimals and a unit: "0.00 Bytes", "1023.00 Bytes", "1.00 KB",
// "4.77 MB", "5.00 GB". The unit is the largest of KB, MB and GB of which the count
// holds at least one whole; there is no unit above GB, so 2^41 bytes and more stay in
// GB ("2048.00 GB"). The second decimal is rounded half away from zero from the exact
// quotient, so 1048575 bytes show as "1024.00 KB". A negative count (the free space of
// a drive that could not be queried is -1) is formatted from its magnitude with a
// leading "-".
std::string FormatSize(int64_t bytes);

// The general format with 15 significant digits: fixed-point notation when the value,
// rounded to 15 digits, is at least 0.00001 and has at most 15 digits before the point,
// otherwise scientific ("1.5E-7", "1E20"); trailing zeros of the fraction dropped; "-"
// in front of negative values; then ".0" appended when the text holds no ".". So 1
// gives "1.0", 0 and -0 give "0.0", sin(2) gives "0.909297426825682", 1e20 gives
// "1E20.0". Not-a-number and infinities give "NAN", "INF" and "-INF".
std::string FloatToText(double value);

}  // namespace setup
