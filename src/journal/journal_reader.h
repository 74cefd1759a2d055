#pragma once
// Reading an undo journal (archive_journal.h gives its form): the header, the records
// streamed from the disk, and the fingerprint of an archive's sampled bytes. Shared by
// the writer and the recovery; not for other callers.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/byte_io.h"
#include "platform/files.h"

namespace setup::journal {

inline constexpr uint32_t kVersion1 = 1;
inline constexpr uint32_t kVersion2 = 2;
inline constexpr size_t kHeaderSize1 = 20;
inline constexpr size_t kHeaderSize2 = 28;
inline constexpr size_t kRecordHead = 12;
inline constexpr uint64_t kCommitMark = UINT64_MAX;
inline constexpr uint64_t kCheckpoint = UINT64_MAX - 1;
inline constexpr size_t kPiece = size_t{1} << 20;
inline constexpr uint8_t kMagic[4] = {'A', 'J', 'N', 'L'};

void PutU64(uint8_t* p, uint64_t value);
uint64_t GetU64(const uint8_t* p);

// The bytes of the record tail after the payload: the CRC, and in version 2 the length.
inline size_t RecordTail(uint32_t version) { return version == kVersion1 ? 4 : 8; }

// Reads a file through one buffer of kPiece bytes, so that walking the records forwards
// or backwards costs a read per piece, not one per record.
class BufferedReader {
 public:
  explicit BufferedReader(platform::File& file);
  uint64_t Size() const { return size_; }
  // Exactly count bytes at position; backward: a miss fills the buffer so that it ends
  // at the bytes asked for (for walking towards the start).
  bool Read(uint64_t position, uint8_t* out, size_t count, bool backward = false);

 private:
  platform::File& file_;
  uint64_t size_;
  Bytes buffer_;
  uint64_t start_ = 0;
  size_t filled_ = 0;
};

// A region of the archive whose bytes make up the fingerprint.
struct Window {
  uint64_t Start;
  uint32_t Size;
};
// The windows of an archive of length bytes: its first and last 4 KiB and 64 samples of
// 64 bytes spread over it.
std::vector<Window> FingerprintWindows(uint64_t length);
// CRC-32 over the windows' bytes, in order.
uint32_t FingerprintOf(const std::vector<Bytes>& windowBytes);

enum class ScanState {
  Creating,    // empty, or stops inside a header whose bytes are right so far: the
               // journal was being created and the archive not touched yet
  Empty,       // a header and no saved region: the archive was not touched yet
  Pending,     // saved regions and no commit mark: an unfinished change
  Committed,   // a commit mark: the change had finished
  Unreadable,  // Reason says why
};

struct ScanResult {
  ScanState State = ScanState::Unreadable;
  std::string Reason;
  uint32_t Version = 0;
  uint64_t OriginalLength = 0;
  uint32_t Fingerprint = 0;
  uint64_t HeaderSize = 0;
  uint64_t ValidEnd = 0;  // the end of the last complete record (marks included)
  uint64_t Regions = 0;   // complete records that saved a region
};

// Called for each complete record that saved a region, oldest first, with the position
// of its bytes in the journal; false stops the walk as unreadable.
using RegionVisitor = std::function<bool(uint64_t bytesPosition, uint64_t offset, uint32_t length)>;
// Reads the header first; headerRead (may be empty) is called once it is known to be
// valid, before the records are walked.
ScanResult ScanJournal(BufferedReader& journal, const std::function<void(const ScanResult&)>& headerRead,
                       const RegionVisitor& visit);

// Checks the record at position (version 2 or 1); true with its offset and length when
// it is complete and its CRC holds.
bool ReadRecord(BufferedReader& journal, uint32_t version, uint64_t position, uint64_t& offset, uint32_t& length);

}  // namespace setup::journal
