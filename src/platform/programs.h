#pragma once
// Starting programs through the shell, and watching them until they end.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace setup::platform {

// The exit code the system reports for a process that is still running.
inline constexpr uint32_t kStillActive = 259;

// A started program: holds its process handle until released or destroyed. Move-only.
class RunningProgram {
 public:
  RunningProgram();
  ~RunningProgram();
  RunningProgram(RunningProgram&& other) noexcept;
  RunningProgram& operator=(RunningProgram&& other) noexcept;
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // True when the program was started and its handle is held.
  bool IsValid() const;
  // The process's exit code as the system reports it: kStillActive while it runs.
  // nullopt when no handle is held or the query fails.
  std::optional<uint32_t> ExitCode() const;
  // Releases the process handle; the program itself goes on.
  void Release();

  struct Handle;  // the platform's process handle

 private:
  explicit RunningProgram(std::unique_ptr<Handle> handle);
  friend RunningProgram StartProgram(const std::string&, const std::string&, void*);
  std::unique_ptr<Handle> handle_;
};

// Starts file through the shell's execute operation with the default verb, parameters
// as one command-line text (empty: none), no working folder, a normal window; owner is
// the window the shell may use for a dialog (a HWND; null for none). An invalid
// RunningProgram when it could not be started. The posix build runs the program named by
// file (a drive path mapped into the sandbox) with the parameters split at blanks
// outside double quotes.
RunningProgram StartProgram(const std::string& file, const std::string& parameters, void* owner = nullptr);

// Programs a tool keeps from starting (setupc apply). While recording is on,
// StartProgram starts nothing and returns an invalid RunningProgram (as for a program
// that could not be started), and OpenDocumentMaximized (shell.h) opens nothing and
// returns true; each request is kept, oldest first. Turning recording on forgets the
// requests kept before. Off by default.
struct ProgramRequest {
  std::string file;
  std::string parameters;
  bool document = false;  // a document to open, not a program to start
};
void RecordProgramStarts(bool on);
// True (after keeping the request) when recording is on: the caller starts nothing.
bool RecordProgramRequest(const ProgramRequest& request);
std::vector<ProgramRequest> RecordedProgramStarts();

}  // namespace setup::platform
