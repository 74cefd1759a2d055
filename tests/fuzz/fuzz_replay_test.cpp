// Replays fuzz/regressions/NAME/* (inputs that once crashed, hung or over-allocated in a
// reader, kept after the fix) and the seeds fuzz/corpus/NAME/* through fuzz target NAME.
// A reader that breaks again on one of them fails here under the sanitizers, without a
// fuzzing run.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fuzz_targets.h"
#include "test_support.h"

namespace setup::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FuzzReplay, EverySeedAndRegressionInputRunsThroughItsTarget) {
  size_t seeds = 0;
  for (const Target& target : Targets()) {
    for (const char* kind : {"corpus", "regressions"}) {
      for (const fs::path& file : FilesIn(fs::path(SETUP_FUZZ_DIR) / kind / target.name)) {
        SCOPED_TRACE(file.string());
        const test::Bytes bytes = test::ReadFileBytes(file.string());
        target.run(bytes.data(), bytes.size());
        if (std::string_view(kind) == "corpus") ++seeds;
      }
    }
    EXPECT_FALSE(FilesIn(fs::path(SETUP_FUZZ_DIR) / "corpus" / target.name).empty())
        << target.name << " has no seeds";
  }
  EXPECT_GT(seeds, 0u);
}

// A folder of inputs under a name no target has would never be replayed.
TEST(FuzzReplay, EveryInputFolderNamesATarget) {
  for (const char* kind : {"corpus", "regressions", "dict"}) {
    if (!fs::is_directory(fs::path(SETUP_FUZZ_DIR) / kind)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(SETUP_FUZZ_DIR) / kind)) {
      const std::string name = entry.path().stem().string();
      if (entry.path().filename().string().starts_with(".")) continue;
      EXPECT_TRUE(std::any_of(Targets().begin(), Targets().end(), [&](const Target& t) {
        return t.name == name;
      })) << entry.path();
    }
  }
}

}  // namespace
}  // namespace setup::fuzz
