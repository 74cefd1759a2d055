// Decoding entries on several workers: results in list order under any budget. (A
// decoder stopped half way is tested through the extraction that stops it.)
#include "package/parallel_decoder.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "test_support.h"

namespace setup {
namespace {

class ParallelDecoderTest : public ::testing::Test {
 protected:
  // 60 small entries (compressed and raw, one empty) and, at 30, one of 20,000 bytes.
  void SetUp() override {
    std::vector<test::RawEntry> entries;
    for (uint32_t i = 0; i < 60; ++i) {
      const size_t size = i == 30 ? 20000 : i == 7 ? 0 : 100 + i * 50;
      entries.push_back({"f" + std::to_string(i), 1, test::CompressibleBytes(size, i + 1), i % 3 != 0});
      contents_.push_back(entries.back().content);
      list_.push_back(i);
    }
    test::WriteFileBytes(dir_.Path("setup.pak"), test::BuildRawPackage(entries).bytes);
    ASSERT_TRUE(pak_.Create(dir_.Path("setup.pak")));
  }

  test::TempDir dir_;
  TPak pak_;
  std::vector<Bytes> contents_;
  std::vector<size_t> list_;
};

// Catches results handed back out of order, or a decoder that waits forever for room
// when an entry alone is larger than the budget.
TEST_F(ParallelDecoderTest, HandsBackEveryEntryInListOrderUnderAnyBudget) {
  const struct {
    uint64_t budget;
    unsigned workers;
  } cases[] = {{kDecodeBudget, 4}, {4096, 3}, {1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.budget);
    ParallelDecoder decoder(pak_, list_, c.workers, c.budget);
    for (size_t i = 0; i < list_.size(); ++i) {
      const TPakContent decoded = decoder.Take();
      EXPECT_EQ(decoded.Content.value_or(Bytes{}), contents_[i]) << i;
    }
    EXPECT_THROW(decoder.Take(), std::logic_error);
  }
}

}  // namespace
}  // namespace setup
