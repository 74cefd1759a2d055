#include "text/languages.h"

#include <algorithm>
#include <deque>
#include <string>

#include "text/integer_text.h"

namespace setup {

namespace {

constexpr std::u16string_view kTagOpen = u"<LANG";
constexpr char16_t kTagClose = u'>';

std::u16string NotFoundText(uint16_t id) {
  std::u16string text = u"NOT FOUND ";
  for (char c : std::to_string(id)) text.push_back(static_cast<char16_t>(c));
  return text;
}

// The walk behind ReplaceTags. Characters move from the pending input to the output;
// the moment the output ends with "<LANG", that is the first tag of the whole text (the
// output held none before). Its number and ">" are the next pending characters; the tag
// leaves the output and the inserted text is pushed in front of the pending input, to
// be examined together with what precedes it in the output and what follows it in the
// input.
class TagExpander {
 public:
  explicit TagExpander(const TLanguage& language) : language_(language) {}

  std::u16string Run(std::u16string_view text) {
    pending_.push_back({text, 0, 0});
    while (!pending_.empty()) {
      Segment& top = pending_.back();
      if (top.pos == top.text.size()) {
        pending_.pop_back();
        continue;
      }
      if (!expanding_) {
        out_.append(top.text.substr(top.pos));
        top.pos = top.text.size();
        continue;
      }
      // Only a character ending "<LANG" can complete a tag: the run before the next one
      // moves to the output in one piece.
      const size_t last = top.text.find(kTagOpen.back(), top.pos);
      const size_t end = last == std::u16string_view::npos ? top.text.size() : last + 1;
      out_.append(top.text.substr(top.pos, end - top.pos));
      outLevel_.insert(outLevel_.end(), end - top.pos, top.level);
      top.pos = end;
      if (last != std::u16string_view::npos && out_.ends_with(kTagOpen)) ExpandTagAtEnd();
    }
    return std::move(out_);
  }

 private:
  struct Segment {
    std::u16string_view text;
    size_t pos;
    uint8_t level;
  };

  void ExpandTagAtEnd() {
    const size_t tagStart = out_.size() - kTagOpen.size();
    const uint8_t level = outLevel_[tagStart];
    if (level >= TLanguages::kMaxTagDepth) return;  // too deep: the tag stays as written

    // The characters up to the next ">", looked at without taking them yet.
    std::u16string number;
    bool closed = false;
    for (auto it = pending_.rbegin(); it != pending_.rend() && !closed; ++it) {
      const std::u16string_view rest = it->text.substr(it->pos);
      const size_t close = rest.find(kTagClose);
      closed = close != std::u16string_view::npos;
      number.append(rest.substr(0, close));
    }
    if (!closed) number.clear();  // no ">": the number reads as empty and fails
    const auto id = static_cast<uint16_t>(static_cast<uint32_t>(TextToInt(number)));

    std::u16string_view insert;
    if (const std::u16string* text = language_.Find(id)) {
      insert = *text;
    } else {
      insert = notFound_.emplace_back(NotFoundText(id));
    }
    if (insert.size() > TLanguages::kMaxInsertedChars - inserted_) {
      expanding_ = false;  // budget spent: this tag and the rest stay as written
      return;
    }
    inserted_ += insert.size();

    Take(number.size() + 1);
    out_.resize(tagStart);
    outLevel_.resize(tagStart);
    if (!insert.empty()) pending_.push_back({insert, 0, static_cast<uint8_t>(level + 1)});
  }

  // Drops the next count pending characters (all known to be there).
  void Take(size_t count) {
    while (count > 0 && !pending_.empty()) {
      Segment& top = pending_.back();
      const size_t n = std::min(count, top.text.size() - top.pos);
      top.pos += n;
      count -= n;
      if (top.pos == top.text.size()) pending_.pop_back();
    }
  }

  const TLanguage& language_;
  std::vector<Segment> pending_;  // the next character is in the last segment
  std::deque<std::u16string> notFound_;  // owns the inserted not-found texts
  std::u16string out_;
  std::vector<uint8_t> outLevel_;  // the level of each output character
  size_t inserted_ = 0;
  bool expanding_ = true;
};

}  // namespace

const TLanguage* TLanguages::CurrentLanguage() const {
  if (Current < 0 || static_cast<size_t>(Current) >= languages_.size()) return nullptr;
  return &languages_[static_cast<size_t>(Current)];
}

void TLanguages::Add(const uint8_t* data, size_t size) {
  languages_.emplace_back();
  languages_.back().Load(data, size);
}

int32_t TLanguages::FindByLocale(uint16_t langId) const {
  for (size_t i = 0; i < languages_.size(); ++i) {
    if (languages_[i].HasLocale(langId)) return static_cast<int32_t>(i);
  }
  return -1;
}

void TLanguages::SelectDefault(uint16_t systemLangId) {
  const int32_t found = FindByLocale(systemLangId);
  Current = found >= 0 ? found : 0;
}

std::u16string TLanguages::GetString(uint16_t id) const {
  if (const TLanguage* language = CurrentLanguage()) {
    if (const std::u16string* text = language->Find(id)) return *text;
  }
  return NotFoundText(id);
}

std::u16string TLanguages::ReplaceTags(std::u16string_view text) const {
  const TLanguage* language = CurrentLanguage();
  if (language == nullptr) return std::u16string(text);
  return TagExpander(*language).Run(text);
}

}  // namespace setup
