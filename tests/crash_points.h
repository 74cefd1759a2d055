#pragma once
// Crash points (posix only): work run in a child process that a write hook ends part
// way, as a power cut or a kill would; the parent learns how the child ended and checks
// what it left behind.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/posix/posix_controls.h"

namespace setup::test {

// Runs work in a child process, which exits with 0 when work returns, and tells how the
// child ended: "exit N", "signal N", or why there was none.
inline std::string EndOfChild(const std::function<void()>& work) {
  const pid_t child = fork();
  if (child < 0) return "no child";
  if (child == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return "not waited for";
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  return "signal " + std::to_string(WTERMSIG(status));
}

// The same with the file write after the next `writes` ones (File::Write, File::SetLength)
// cut half-way, which ends the child with kCutShort; 0 cuts none.
inline const std::string kCutShort = "exit " + std::to_string(platform::posix::kCrashExitCode);
inline std::string EndOfChildCutAfter(uint64_t writes, const std::function<void()>& work) {
  return EndOfChild([&] {
    platform::posix::CrashInFileWriteAfter(writes);
    work();
  });
}

}  // namespace setup::test
