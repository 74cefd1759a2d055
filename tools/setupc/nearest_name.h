#pragma once
// "Did you mean": the known name nearest to a misspelt one, for diagnostics.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup::setupc {

// The candidate closest to word, compared without regard to case, counting inserted,
// removed, replaced and swapped neighbouring characters; only when it is close enough
// to be a slip (one edit in a short word, two in a longer one; words of one or two
// characters get none). The
// first of equally close candidates wins; nullopt when none is close.
std::optional<std::string> NearestName(std::string_view word, const std::vector<std::string_view>& candidates);

// "; did you mean "NAME"?" for the nearest candidate, or nothing.
std::string DidYouMean(std::string_view word, const std::vector<std::string_view>& candidates);

}  // namespace setup::setupc
