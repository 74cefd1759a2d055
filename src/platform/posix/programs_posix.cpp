// Programs started with posix_spawn. A process that has ended stays a zombie until it
// is waited for, so every process this file starts is reaped: by ExitCode once it has
// ended, or, when it is released while still running, by a later sweep that never
// blocks (at the next start, release or destruction).
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/posix/posix_controls.h"
#include "platform/programs.h"

extern char** environ;

namespace setup::platform {

struct RunningProgram::Handle {
  pid_t pid = -1;
  bool reaped = false;
  uint32_t exitCode = 0;  // once reaped
};

namespace {

std::mutex orphansMutex;
std::vector<pid_t>& Orphans() {
  static std::vector<pid_t> orphans;
  return orphans;
}

// Reaps released processes that have ended since; keeps those still running.
void SweepOrphans() {
  std::lock_guard lock(orphansMutex);
  auto& orphans = Orphans();
  std::erase_if(orphans, [](pid_t pid) {
    pid_t result;
    do {
      result = ::waitpid(pid, nullptr, WNOHANG);
    } while (result < 0 && errno == EINTR);
    return result != 0;  // reaped, or no longer ours to wait for
  });
}

void Abandon(pid_t pid) {
  {
    std::lock_guard lock(orphansMutex);
    Orphans().push_back(pid);
  }
  SweepOrphans();
}

uint32_t ExitCodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  // Killed by a signal: the shell's convention, 128 + the signal number.
  if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
  return 0;
}

// The parameters split at blanks outside double quotes, the quotes removed; a quoted
// empty text ("") is an argument of its own.
std::vector<std::string> SplitParameters(const std::string& parameters) {
  std::vector<std::string> arguments;
  std::string current;
  bool quoted = false;
  bool pending = false;  // current holds an argument, possibly an empty quoted one
  for (const char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      pending = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (pending) arguments.push_back(std::move(current));
      current.clear();
      pending = false;
    } else {
      current += c;
      pending = true;
    }
  }
  if (pending) arguments.push_back(std::move(current));
  return arguments;
}

bool IsDrivePath(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

}  // namespace

RunningProgram::RunningProgram() = default;
RunningProgram::RunningProgram(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RunningProgram::~RunningProgram() { Release(); }
RunningProgram::RunningProgram(RunningProgram&& other) noexcept = default;

RunningProgram& RunningProgram::operator=(RunningProgram&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::move(other.handle_);
  }
  return *this;
}

bool RunningProgram::IsValid() const { return handle_ != nullptr; }

std::optional<uint32_t> RunningProgram::ExitCode() const {
  if (!handle_) return std::nullopt;
  if (!handle_->reaped) {
    int status = 0;
    pid_t result;
    do {
      result = ::waitpid(handle_->pid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return kStillActive;
    if (result < 0) return std::nullopt;  // reaped by someone else: the code is lost
    handle_->reaped = true;
    handle_->exitCode = ExitCodeOf(status);
  }
  return handle_->exitCode;
}

void RunningProgram::Release() {
  if (!handle_) return;
  if (!handle_->reaped) Abandon(handle_->pid);
  handle_.reset();
}

RunningProgram StartProgram(const std::string& file, const std::string& parameters, void* /*owner*/) {
  SweepOrphans();
  if (RecordProgramRequest({file, parameters, false})) return RunningProgram();
  const std::string program = IsDrivePath(file) ? posix::MapPath(file) : file;
  if (program.empty()) return RunningProgram();
  std::vector<std::string> arguments = SplitParameters(parameters);
  arguments.insert(arguments.begin(), program);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  const bool searchPath = program.find('/') == std::string::npos;
  const int error = searchPath
                        ? ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ)
                        : ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0) return RunningProgram();
  return RunningProgram(std::make_unique<RunningProgram::Handle>(RunningProgram::Handle{pid}));
}

}  // namespace setup::platform
