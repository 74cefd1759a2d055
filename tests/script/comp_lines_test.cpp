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

// Four records: a label line (id and index 0xFFFFFFFF, no parameters), a "file" line
// with 8-bit characters, a line with no parameters followed directly by the next
// record, and a line whose parameters are empty, hold a zero byte and a 0xFF byte.
// CommandId, LineIndex and ParamCount differ in every record so that reading them in
// another order shows.
const Bytes kEntry = {
    0x04, 0x00,                                      // N = 4
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // id -1, index -1
    0x00, 0x00, 0x00, 0x00,                          // no parameters
    0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // id 7, index 1
    0x03, 0x00, 0x00, 0x00,                          // 3 parameters
    0x06, 0x00, 'C',  ':',  '\\', 's',  'r',  'c',   //
    0x0D, 0x00, '$',  'I',  'N',  'S',  'T',  'D',  'I', 'R', '\\', 'd', 0xE9, 'j', 0xE0, 0x01, 0x00, '1',  //
    0x0F, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // id 15, index 2
    0x00, 0x00, 0x00, 0x00,                          // no parameters
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
    {15, 2, {}},
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

// Fault: fields read in the in-memory order instead of a, b, c; a record without
// parameters swallowing the next; label lines dropped (they shift every jump target);
// 8-bit or zero bytes cut or altered; a writer that disagrees with the reader.
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

// Fault: a short entry read past its end, or accepted with a partial array. Each
// prefix lives in a buffer of exactly its length, so any over-read is caught.
TEST(CompLines, EveryTruncationOfTheEntryFailsAndLeavesNoLines) {
  for (size_t length = 0; length < kEntry.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    const Bytes prefix(kEntry.begin(), kEntry.begin() + static_cast<std::ptrdiff_t>(length));
    TCompLines lines;
    ASSERT_TRUE(lines.LoadFromBuffer(kEntry));
    EXPECT_FALSE(lines.LoadFromBuffer(prefix));
    EXPECT_EQ(lines.Count(), 0u);
  }
}

// Fault: a count taken on trust, allocating gigabytes or looping for ever before the
// data runs out.
TEST(CompLines, CountsTheBytesCannotHoldFailAtOnce) {
  auto record = [](uint16_t n, uint32_t paramCount, const Bytes& tail) {
    Bytes b;
    AppendU16(b, n);
    AppendU32(b, 1);
    AppendU32(b, 0);
    AppendU32(b, paramCount);
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
  };
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"65535 records promised, one present", record(0xFFFF, 0, {})},
      {"0xFFFFFFFF parameters", record(1, 0xFFFFFFFF, {0, 0, 0, 0})},
      {"parameter of 65535 bytes, 3 present", record(1, 1, {0xFF, 0xFF, 'a', 'b', 'c'})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TCompLines lines;
    EXPECT_FALSE(lines.LoadFromBuffer(c.bytes));
    EXPECT_EQ(lines.Count(), 0u);
  }
}

// Fault: ParamCount written from the field instead of the parameters, a byte value
// lost, or lengths the u16 fields cannot hold written instead of refused.
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
    int32_t line;
    int32_t n;
    bool has;
  } cases[] = {
      {1, 3, true},  {1, 4, false},  {0, 0, true},          {0, 1, false},
      {4, 0, false}, {-1, 0, false}, {INT32_MIN, 0, false}, {INT32_MAX, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("line " + std::to_string(c.line) + " n " + std::to_string(c.n));
    EXPECT_EQ(lines.HasParams(c.line, c.n), c.has);
    const bool exists = c.line >= 0 && c.line < 4;
    EXPECT_EQ(lines.Find(c.line) != nullptr, exists);
  }
  EXPECT_EQ(lines.Find(1)->Params[2], "1");
}

}  // namespace
}  // namespace setup
