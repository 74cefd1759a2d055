#pragma once
// The key that scrambles package passwords in compiled script lines: setupc scrambles
// the password of a "kzpupdate" line and the marker of a "kzpofficial" line with
// EncodeString and this key, and the setup unscrambles them with DecodeString and the
// same key. Both sides must use this one definition; changing it breaks every setup
// compiled before the change.

#include <string_view>

#include "package/string_scramble.h"

namespace setup {

// Digits 1 to 9 only, so that every character of a password is shifted.
inline constexpr std::string_view PackagePasswordKey =
    "6536661452176523214614557748674156574493717169762786123156491"
    "6914466971932551853246688712543873351918627672516434637266752"
    "1789554793255943776478141263664987911928311951754185335713216"
    "3529686656437635186724775553898866951221319715739552312812634";
static_assert(PackagePasswordKey.size() == 244, "the package password key has 244 digits");
static_assert(IsDigitKey(PackagePasswordKey), "the package password key holds decimal digits only");

}  // namespace setup
