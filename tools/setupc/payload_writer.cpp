#include "setupc/payload_writer.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

#include "setupc/local_files.h"

namespace setup::setupc {

namespace {

// Content read or compressed ahead of the writer, at most: a few entries, and this
// many bytes of content unless the entry next in line alone is larger.
constexpr uint64_t kMaxBytesAhead = 256ull << 20;
constexpr uint64_t kMaxPackageEnd = std::numeric_limits<uint32_t>::max();

bool IsStreamed(const PlannedEntry& entry) { return !entry.path.empty() && entry.size >= kLargeEntrySize; }

// What a worker hands to the writer for one entry.
struct Slot {
  bool ready = false;
  PackedEntry packed;  // unused for a streamed entry
  std::string error;
};

Slot Pack(const PlannedEntry& entry) {
  Slot slot;
  try {
    if (entry.path.empty()) {
      slot.packed = TPak::PackContent(entry.content);
    } else if (!IsStreamed(entry)) {
      std::optional<Bytes> content = ReadWholeFile(entry.path);
      if (!content) {
        slot.error = "cannot read " + entry.path;
      } else if (content->size() != entry.size) {
        slot.error = entry.path + " changed while the setup was being compiled";
      } else {
        slot.packed = TPak::PackContent(*content);
      }
    }
  } catch (const std::exception& e) {
    slot.error = e.what();
  }
  return slot;
}

// Workers claim entries in table order, within a window that follows the writer.
class Pipeline {
 public:
  Pipeline(const std::vector<PlannedEntry>& entries, unsigned workers)
      : entries_(entries), slots_(entries.size()), window_(2 * size_t{workers}) {
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~Pipeline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // Waits for entry index (the next one in table order) and hands it over.
  Slot Take(size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return slots_[index].ready; });
    Slot slot = std::move(slots_[index]);
    slots_[index] = Slot{};
    written_ = index + 1;
    bytesAhead_ -= Cost(index);
    lock.unlock();
    changed_.notify_all();
    return slot;
  }

 private:
  uint64_t Cost(size_t index) const { return IsStreamed(entries_[index]) ? 0 : entries_[index].size; }

  // The entry next in line can always be claimed: every earlier one is written, so
  // nothing is ahead. That keeps the writer from waiting for ever.
  bool CanClaim() const {
    if (next_ >= entries_.size()) return true;  // to let the worker end
    return next_ < written_ + window_ && (bytesAhead_ == 0 || bytesAhead_ + Cost(next_) <= kMaxBytesAhead);
  }

  void Work() {
    for (;;) {
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || CanClaim(); });
        if (stop_ || next_ >= entries_.size()) return;
        index = next_++;
        bytesAhead_ += Cost(index);
      }
      Slot slot = Pack(entries_[index]);
      slot.ready = true;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slots_[index] = std::move(slot);
      }
      changed_.notify_all();
    }
  }

  const std::vector<PlannedEntry>& entries_;
  std::vector<Slot> slots_;
  const size_t window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;     // the next entry to claim
  size_t written_ = 0;  // entries handed to the writer
  uint64_t bytesAhead_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;  // last: started when everything above exists
};

}  // namespace

std::string WritePayload(TPak& pak, const std::vector<PlannedEntry>& entries, unsigned workers,
                         const ProgressCallback& progress) {
  uint64_t total = 0;
  for (const PlannedEntry& entry : entries) {
    pak.AddEntry(entry.name, entry.path, entry.group);
    total += entry.size;
  }
  const std::string tooLarge = "the setup would be larger than 4 GiB";
  Pipeline pipeline(entries,
                    std::max(1u, std::min<unsigned>(workers, static_cast<unsigned>(entries.size()))));
  uint64_t done = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const PlannedEntry& entry = entries[i];
    Slot slot = pipeline.Take(i);
    if (!slot.error.empty()) return slot.error;
    if (IsStreamed(entry)) {
      if (pak.FileSize() + entry.size > kMaxPackageEnd) return tooLarge;
      if (!pak.WriteEntryFromFile(i)) return "cannot write entry " + entry.name;
      if (pak.Entries()[i].Size != entry.size)
        return entry.path + " changed while the setup was being compiled";
    } else if (entry.size != 0) {
      if (pak.FileSize() + slot.packed.Stored.size() > kMaxPackageEnd) return tooLarge;
      if (!pak.WriteEntryPacked(i, slot.packed)) return "cannot write entry " + entry.name;
    } else {
      pak.WriteEntryPacked(i, slot.packed);  // records the empty entry
    }
    done += entry.size;
    if (progress) progress(done, total);
  }
  return {};
}

}  // namespace setup::setupc
