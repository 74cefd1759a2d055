#pragma once
// Runs setupc commands in-process with captured output, in a temporary folder.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "setupc/setupc.h"
#include "test_support.h"

namespace setup::setupc {

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

class SetupcTest : public ::testing::Test {
 protected:
  RunResult Run(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    RunResult result;
    result.code = RunSetupc(arguments, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  std::string Path(const std::string& name) const { return dir_.Path(name); }

  // Writes a file into the temporary folder and returns its path.
  std::string Source(const std::string& name, const test::Bytes& content) {
    test::WriteFileBytes(Path(name), content);
    return Path(name);
  }

  // Packs the entries into name; fails the test unless it succeeds.
  std::string Pack(const std::string& name, const std::vector<std::string>& entries,
                   const std::string& host = "") {
    std::vector<std::string> arguments = {"pack", Path(name)};
    if (!host.empty()) arguments.insert(arguments.end(), {"--host", host});
    arguments.insert(arguments.end(), entries.begin(), entries.end());
    const RunResult r = Run(arguments);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    return Path(name);
  }

  test::TempDir dir_;
};

// The tool's promise is one line of err per error.
inline size_t LineCount(const std::string& text) {
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

}  // namespace setup::setupc
