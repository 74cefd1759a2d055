#pragma once
// Runs setupc commands in-process with captured output, in a temporary folder.

#include <gtest/gtest.h>

#include <algorithm>
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

// The tool's promise is one line of err per error.
inline size_t LineCount(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Entry names and Windows paths with "/" for the separator, to compare with local paths.
inline std::string Slashes(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

class SetupcTest : public ::testing::Test {
 protected:
  RunResult Run(std::vector<std::string> arguments, const std::vector<std::string>& more = {}) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    std::ostringstream out, err;
    const int code = RunSetupc(arguments, out, err);
    return {code, out.str(), err.str()};
  }

  // A failure: exit code, nothing on out, one line on err holding errPart.
  static void ExpectOneError(const RunResult& r, int code, const std::string& errPart) {
    EXPECT_EQ(r.code, code) << errPart;
    EXPECT_EQ(r.out, "") << errPart;
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find(errPart), std::string::npos) << r.err;
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
    const RunResult r = Run(arguments, entries);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    return Path(name);
  }

  test::TempDir dir_;
};

}  // namespace setup::setupc
