// The "CompiledLines" reader and writer against bytes laid out by hand.
#include "script/comp_lines.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "base/errors.h"
#include "test_support.h"

namespace setup {
namespace {

using test::AppendU16;
using test::AppendU32;

// A label line (id and index -1, no parameters: the next record follows directly), a
// line with 8-bit characters, and one whose parameters are empty, hold a zero byte and
// a 0xFF byte. CommandId and LineIndex differ in every record.
const Bytes kEntry = {
    0x03, 0x00,                                      // N = 3
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // id -1, index -1
    0x00, 0x00, 0x00, 0x00,                          // no parameters
    0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // id 7, index 1
    0x03, 0x00, 0x00, 0x00,                          // 3 parameters
    0x06, 0x00, 'C',  ':',  '\\', 's',  'r',  'c',   //
    0x0D, 0x00, '$',  'I',  'N',  'S',  'T',  'D',  'I', 'R', '\\', 'd', 0xE9, 'j', 0xE0, 0x01, 0x00, '1',  //
    0x1C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  // id 28, index 3
    0x03, 0x00, 0x00, 0x00,                          // 3 parameters
    0x00, 0x00,                                      // ""
    0x03, 0x00, 'a',  0x00, 'b',                     // "a\0b"
    0x01, 0x00, 0xFF,                                // "\xFF"
};

struct ExpectedLine {
  int32_t commandId;
  int32_t lineIndex;
  std::vector<std::string> params;
};

const std::vector<ExpectedLine> kExpected = {
    {-1, -1, {}},
    {7, 1, {"C:\\src", "$INSTDIR\\d\xE9j\xE0", "1"}},
    {28, 3, {"", std::string("a\0b", 3), "\xFF"}},
};

void ExpectLines(const TCompLines& lines, const std::vector<ExpectedLine>& expected) {
  ASSERT_EQ(lines.Count(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("line " + std::to_string(i));
    const TCompLine& line = lines.Lines()[i];
    EXPECT_EQ(line.CommandId, expected[i].commandId);
    EXPECT_EQ(line.LineIndex, expected[i].lineIndex);
    EXPECT_EQ(line.Params, expected[i].params);
    EXPECT_EQ(line.ParamCount, static_cast<int32_t>(expected[i].params.size()));
  }
}

// Fault: fields read in another order, a record without parameters swallowing the next,
// label lines dropped (they shift every jump target), 8-bit or zero bytes altered.
TEST(CompLines, ReadsAndWritesTheHandBuiltEntry) {
  TCompLines lines;
  ASSERT_TRUE(lines.LoadFromBuffer(kEntry));
  ExpectLines(lines, kExpected);
  EXPECT_EQ(lines.Serialize(), kEntry);

  // Bytes after the last record are not part of it; a reload replaces the old lines.
  Bytes padded = kEntry;
  padded.insert(padded.end(), {0xAA, 0xBB, 0xCC});
  ASSERT_TRUE(lines.LoadFromBuffer(padded));
  ExpectLines(lines, kExpected);
}

// Each prefix lives in a buffer of exactly its length, so ASan sees any over-read; a
// parameter count taken on trust would allocate gigabytes before the data runs out.
TEST(CompLines, EveryTruncationAndAnImpossibleCountFailAndLeaveNoLines) {
  for (size_t length = 0; length < kEntry.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    const Bytes prefix(kEntry.begin(), kEntry.begin() + static_cast<std::ptrdiff_t>(length));
    TCompLines lines;
    ASSERT_TRUE(lines.LoadFromBuffer(kEntry));
    EXPECT_FALSE(lines.LoadFromBuffer(prefix));
    EXPECT_EQ(lines.Count(), 0u);
  }
  Bytes bytes;
  AppendU16(bytes, 1);
  for (const uint32_t field : {1u, 0u, 0xFFFFFFFFu, 0u}) AppendU32(bytes, field);  // id, index, count
  TCompLines lines;
  EXPECT_FALSE(lines.LoadFromBuffer(bytes));
  EXPECT_EQ(lines.Count(), 0u);
}

// Fault: ParamCount written from the field instead of the parameters, a byte value lost,
// lengths the u16 fields cannot hold written instead of refused.
TEST(CompLines, SerializeFollowsTheParametersAndRefusesWhatDoesNotFit) {
  std::string allBytes;
  for (int c = 0; c < 256; ++c) allBytes.push_back(static_cast<char>(c));
  TCompLines source;
  EXPECT_EQ(source.Add({15, {allBytes, std::string(0xFFFF, 'x')}, 99, 2}), 0);
  TCompLines loaded;
  ASSERT_TRUE(loaded.LoadFromBuffer(source.Serialize()));
  ExpectLines(loaded, {{15, 2, {allBytes, std::string(0xFFFF, 'x')}}});

  TCompLines tooLongParam;
  tooLongParam.Add({1, {std::string(0x10000, 'x')}, 0, 0});
  EXPECT_THROW(tooLongParam.Serialize(), SetupError);
  TCompLines tooManyLines;
  for (int i = 0; i < 0x10000; ++i) tooManyLines.Add({});
  EXPECT_THROW(tooManyLines.Serialize(), SetupError);
}

// Fault: an index from a damaged line (negative, past the end) reaching into memory.
TEST(CompLines, HasParamsAndFindStayInsideTheArray) {
  TCompLines lines;
  ASSERT_TRUE(lines.LoadFromBuffer(kEntry));
  const struct {
    int32_t line, n;
    bool has;
  } cases[] = {
      {1, 3, true},  {1, 4, false},  {0, 0, true},          {0, 1, false},
      {3, 0, false}, {-1, 0, false}, {INT32_MAX, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("line " + std::to_string(c.line) + " n " + std::to_string(c.n));
    EXPECT_EQ(lines.HasParams(c.line, c.n), c.has);
    const bool exists = c.line >= 0 && c.line < 3;
    EXPECT_EQ(lines.Find(c.line) != nullptr, exists);
  }
  EXPECT_EQ(lines.Find(1)->Params[2], "1");
}

}  // namespace
}  // namespace setup
