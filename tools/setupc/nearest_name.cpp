#include "setupc/nearest_name.h"

#include <algorithm>

#include "setupc/diagnostic.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

// Longer words than this are not compared: no keyword or label is near one. In shorter
// words than the shortest, any one edit changes too much to call it a slip.
constexpr size_t kLongestCompared = 64;
constexpr size_t kShortestCompared = 3;
// More edits than this make another word, not a slip ("InstallDirLabel" is not a
// misspelt "InstallDir_Edit").
constexpr size_t kMostEdits = 2;

// Edits from a to b (insert, remove, replace, swap two neighbours), over lower-case
// texts; three rows of the table suffice.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> twoBack(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t replace = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        current[j] = std::min(current[j], twoBack[j - 2] + 1);
    }
    std::swap(twoBack, previous);
    std::swap(previous, current);
  }
  return previous[b.size()];
}

}  // namespace

std::optional<std::string> NearestName(std::string_view word, const std::vector<std::string_view>& candidates) {
  if (word.size() < kShortestCompared || word.size() > kLongestCompared) return std::nullopt;
  const std::string lowerWord = AsciiLower(word);
  const size_t allowed = std::clamp<size_t>(word.size() / 3, 1, kMostEdits);
  std::optional<std::string> best;
  size_t bestDistance = allowed + 1;
  for (std::string_view candidate : candidates) {
    if (candidate.size() > kLongestCompared) continue;
    const size_t distance = EditDistance(lowerWord, AsciiLower(candidate));
    if (distance != 0 && distance < bestDistance) {
      bestDistance = distance;
      best = std::string(candidate);
    }
  }
  return best;
}

std::string DidYouMean(std::string_view word, const std::vector<std::string_view>& candidates) {
  const std::optional<std::string> nearest = NearestName(word, candidates);
  return nearest ? "; did you mean " + Quoted(*nearest) + "?" : std::string();
}

}  // namespace setup::setupc
