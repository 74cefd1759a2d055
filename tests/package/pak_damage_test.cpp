// Damaged and truncated packages: never a crash, never a read out of bounds, never an
// allocation sized by an unchecked number; the package or the entry says it is damaged.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "package/pak.h"
#include "test_support.h"

namespace setup {
namespace {

using test::ToBytes;

enum class Field { Crc = 2, Offset = 6, StoredSize = 10, Size = 14 };

// Position of a field of record `index` in the package bytes.
size_t FieldPos(const test::RawPackage& raw, size_t index, Field field) {
  size_t pos = raw.tableOffset;
  for (size_t i = 0; i < index; ++i) pos += 20 + raw.records[i].name.size();
  return pos + raw.records[index].name.size() + static_cast<size_t>(field);
}

void PutU32At(test::Bytes& b, size_t pos, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

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

TEST_F(PakDamage, FilesWithoutATrailerHoldNoPackage) {
  const test::Bytes full = Sample().bytes;
  for (size_t size : {0, 1, 15}) {
    TPak& pak = Open(test::Bytes(full.end() - static_cast<long>(size), full.end()));
    EXPECT_EQ(pak.State(), PakState::NoPackage) << size;
    EXPECT_EQ(pak.Count(), 0u);
  }
  test::Bytes wrongMagic = full;
  wrongMagic[wrongMagic.size() - 16] = 'X';
  EXPECT_EQ(Open(wrongMagic).State(), PakState::NoPackage);

  TPak missing;
  EXPECT_FALSE(missing.Create(dir_.Path("not-there")));
  EXPECT_EQ(missing.State(), PakState::NoPackage);
  EXPECT_FALSE(missing.Create(dir_.Path("")));  // a folder is not a package
}

TEST_F(PakDamage, TablesInconsistentWithTheFileAreDamaged) {
  const auto raw = Sample();
  const size_t trailer = raw.bytes.size() - 16;

  test::Bytes pastTrailer = raw.bytes;
  PutU32At(pastTrailer, trailer + 12, static_cast<uint32_t>(trailer + 1));
  EXPECT_EQ(Open(pastTrailer).State(), PakState::Damaged);
  EXPECT_NE(pak_.DamageReason().find("past the trailer"), std::string::npos);

  test::Bytes dataAfterTable = raw.bytes;
  PutU32At(dataAfterTable, trailer + 8, raw.tableOffset + 1);
  EXPECT_EQ(Open(dataAfterTable).State(), PakState::Damaged);

  test::Bytes tooMany = raw.bytes;
  tooMany[trailer + 6] = 0xFF;  // count 255: far more records than the table holds
  EXPECT_EQ(Open(tooMany).State(), PakState::Damaged);
  EXPECT_EQ(pak_.Count(), 0u);

  test::Bytes oneMore = raw.bytes;
  oneMore[trailer + 6] = 4;  // the fourth record would run into the trailer
  EXPECT_EQ(Open(oneMore).State(), PakState::Damaged);

  test::Bytes longName = raw.bytes;
  longName[raw.tableOffset + 1] = 0x7F;  // first name length 0x7F09: past the table
  EXPECT_EQ(Open(longName).State(), PakState::Damaged);
  EXPECT_NE(pak_.DamageReason().find("record 0"), std::string::npos);
}

TEST_F(PakDamage, EntryDataOutsideTheDataRegionIsUnreadable) {
  const auto raw = Sample();
  const uint32_t outside[] = {0, raw.tableOffset - 1, 0xFFFFFFF0u};
  for (uint32_t offset : outside) {
    test::Bytes bytes = raw.bytes;
    PutU32At(bytes, FieldPos(raw, 1, Field::Offset), offset);
    TPak& pak = Open(bytes);
    ASSERT_EQ(pak.State(), PakState::Valid);
    EXPECT_FALSE(pak.ReadStored(1).has_value()) << offset;
    EXPECT_FALSE(pak.VerifyEntry(1)) << offset;
    EXPECT_FALSE(pak.StreamStored(1, [](ByteView) { return true; })) << offset;
    EXPECT_TRUE(pak.VerifyEntry(2));  // the others are unaffected
  }
  // A raw entry claiming 4 GiB: refused from the offsets, nothing that large allocated.
  test::Bytes huge = raw.bytes;
  PutU32At(huge, FieldPos(raw, 1, Field::Size), 0xFFFFFFFFu);
  EXPECT_FALSE(Open(huge).ReadStored(1).has_value());
}

TEST_F(PakDamage, WrongSizeShowsTheDecompSizeMessage) {
  const auto raw = Sample();
  test::Bytes bytes = raw.bytes;
  PutU32At(bytes, FieldPos(raw, 2, Field::Size), 3500);
  test::MessageRecorder boxes;
  EXPECT_FALSE(Open(bytes).ExtractEntry(2).has_value());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].text, "packed.bin\r\rError: DecompSize - 3000 OrigSize - 3500");

  // Claiming almost 4 GiB: the same message, and the buffer stays small.
  PutU32At(bytes, FieldPos(raw, 2, Field::Size), 0xFFFFFFF0u);
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
