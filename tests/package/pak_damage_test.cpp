// Damaged and truncated packages: never a crash, never a read out of bounds, never an
// allocation sized by an unchecked number; the package or the entry says it is damaged.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/zlib_codec.h"
#include "package/pak.h"
#include "test_support.h"

namespace setup {
namespace {

using test::RecordCrcPos;
using test::SetU32At;
using test::ToBytes;
constexpr size_t kOffset = 4, kSize = 12;  // after the record's CRC

test::RawPackage Sample() {
  return test::BuildRawPackage({{"SetupInfo", 0, test::CompressibleBytes(400, 1), true},
                                {"raw.txt", 1, ToBytes("raw content here"), false},
                                {"packed.bin", 1, test::CompressibleBytes(3000, 2), true}},
                               ToBytes("HOST"));
}

class PakDamage : public ::testing::Test {
 protected:
  TPak& Open(const test::Bytes& bytes) {
    test::WriteFileBytes(dir_.Path("p"), bytes);
    pak_.Create(dir_.Path("p"));
    return pak_;
  }
  test::TempDir dir_;
  TPak pak_;
};

// Catches: a file without a trailer taken for a package, a table that does not fit
// the file read anyway (or records kept from it), a damage reason that names nothing.
TEST_F(PakDamage, TrailersAndTablesThatDoNotFitTheFile) {
  const auto raw = Sample();
  const size_t trailer = raw.bytes.size() - 16;
  const struct {
    const char* what;
    size_t pos;
    uint32_t value;
    bool oneByte;
    PakState state;
    const char* reason;
  } cases[] = {
      {"no magic", trailer, 'X', true, PakState::NoPackage, ""},
      {"table past the trailer", trailer + 12, static_cast<uint32_t>(trailer + 1), false, PakState::Damaged,
       "past the trailer"},
      {"data start after the table", trailer + 8, raw.tableOffset + 1, false, PakState::Damaged, ""},
      {"count 255", trailer + 6, 0xFF, true, PakState::Damaged, ""},
      {"count 4: the last record runs into the trailer", trailer + 6, 4, true, PakState::Damaged, ""},
      {"first name length 0x7F09", raw.tableOffset + 1, 0x7F, true, PakState::Damaged, "record 0"},
  };
  for (const auto& c : cases) {
    test::Bytes bytes = raw.bytes;
    if (c.oneByte) {
      bytes[c.pos] = static_cast<uint8_t>(c.value);
    } else {
      SetU32At(bytes, c.pos, c.value);
    }
    EXPECT_EQ(Open(bytes).State(), c.state) << c.what;
    EXPECT_EQ(pak_.Count(), 0u) << c.what;
    EXPECT_NE(pak_.DamageReason().find(c.reason), std::string::npos) << c.what;
  }
  for (size_t size : {0, 1, 15}) {
    EXPECT_EQ(Open(test::Bytes(raw.bytes.end() - static_cast<long>(size), raw.bytes.end())).State(),
              PakState::NoPackage)
        << size;
  }
  // A table larger than the process can hold (a 32-bit limit simulated): damaged,
  // never narrowed or left to fail in the allocator.
  SetMaxBufferSize(20);
  EXPECT_EQ(Open(raw.bytes).State(), PakState::Damaged);
  SetMaxBufferSize(0);
  EXPECT_NE(pak_.DamageReason().find("do not fit in memory"), std::string::npos);
  TPak missing;
  EXPECT_FALSE(missing.Create(dir_.Path("not-there")));
  EXPECT_EQ(missing.State(), PakState::NoPackage);
  EXPECT_FALSE(missing.Create(dir_.Path("")));  // a folder is not a package
}

TEST_F(PakDamage, EntryDataOutsideTheDataRegionIsUnreadable) {
  const auto raw = Sample();
  const uint32_t outside[] = {0, raw.tableOffset - 1, 0xFFFFFFF0u};
  for (uint32_t offset : outside) {
    test::Bytes bytes = raw.bytes;
    SetU32At(bytes, RecordCrcPos(raw, 1) + kOffset, offset);
    TPak& pak = Open(bytes);
    ASSERT_EQ(pak.State(), PakState::Valid);
    EXPECT_FALSE(pak.ReadStored(1).has_value()) << offset;
    EXPECT_FALSE(pak.VerifyEntry(1)) << offset;
    EXPECT_FALSE(pak.StreamStored(1, [](ByteView) { return true; })) << offset;
    EXPECT_TRUE(pak.VerifyEntry(2));  // the others are unaffected
  }
  // A raw entry claiming 4 GiB: refused from the offsets, nothing that large allocated.
  test::Bytes huge = raw.bytes;
  SetU32At(huge, RecordCrcPos(raw, 1) + kSize, 0xFFFFFFFFu);
  EXPECT_FALSE(Open(huge).ReadStored(1).has_value());
}

TEST_F(PakDamage, WrongSizeShowsTheDecompSizeMessage) {
  const auto raw = Sample();
  test::Bytes bytes = raw.bytes;
  SetU32At(bytes, RecordCrcPos(raw, 2) + kSize, 3500);
  test::MessageRecorder boxes;
  EXPECT_FALSE(Open(bytes).ExtractEntry(2).has_value());
  test::ExpectOneBox(boxes, "Error", "packed.bin\r\rError: DecompSize - 3000 OrigSize - 3500");

  // Claiming almost 4 GiB: the same message, and the buffer stays small.
  SetU32At(bytes, RecordCrcPos(raw, 2) + kSize, 0xFFFFFFF0u);
  EXPECT_FALSE(Open(bytes).ExtractEntry(2).has_value());
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, "packed.bin\r\rError: DecompSize - 3000 OrigSize - 4294967280");
  EXPECT_TRUE(pak_.VerifyEntry(2));  // that large an entry is not read at verification
}

// Every truncation and every damaged byte of the table and trailer: whatever the result,
// reading must stay inside the file and in bounds (the sanitizers watch).
TEST_F(PakDamage, EveryTruncationAndEveryFlippedTableByteIsHandled) {
  const auto raw = Sample();
  test::MessageRecorder boxes;
  auto exercise = [&](const test::Bytes& bytes) {
    TPak& pak = Open(bytes);
    for (size_t i = 0; i < pak.Count(); ++i) {
      try {
        pak.VerifyEntry(i);
        pak.StreamStored(i, [](ByteView) { return true; });
      } catch (const SetupError&) {
      }
    }
    uint32_t size = 0;
    std::string name;
    for (auto c = pak.FindFirst(1, size, true, name); !name.empty(); c = pak.FindNext(1, size, true, name)) {
    }
  };
  for (size_t len = 0; len < raw.bytes.size(); ++len) {
    exercise(test::Bytes(raw.bytes.begin(), raw.bytes.begin() + static_cast<long>(len)));
  }
  for (size_t pos = raw.tableOffset; pos < raw.bytes.size(); ++pos) {
    for (uint8_t mask : {0x01, 0x80, 0xFF}) {
      test::Bytes bytes = raw.bytes;
      bytes[pos] ^= mask;
      exercise(bytes);
    }
  }
}

}  // namespace
}  // namespace setup
