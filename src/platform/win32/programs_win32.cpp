// Programs started through the shell's execute operation, watched through their
// process handle.
#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "platform/programs.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

static_assert(kStillActive == STILL_ACTIVE, "the system's code for a running process");

struct RunningProgram::Handle {
  win32::UniqueKernelHandle process;
};

RunningProgram::RunningProgram() = default;
RunningProgram::RunningProgram(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RunningProgram::~RunningProgram() = default;
RunningProgram::RunningProgram(RunningProgram&& other) noexcept = default;
RunningProgram& RunningProgram::operator=(RunningProgram&& other) noexcept = default;

bool RunningProgram::IsValid() const { return handle_ != nullptr; }

std::optional<uint32_t> RunningProgram::ExitCode() const {
  DWORD code = 0;
  if (!handle_ || !GetExitCodeProcess(handle_->process.get(), &code)) return std::nullopt;
  return static_cast<uint32_t>(code);
}

void RunningProgram::Release() { handle_.reset(); }

RunningProgram StartProgram(const std::string& file, const std::string& parameters, void* owner) {
  if (RecordProgramRequest({file, parameters, false})) return RunningProgram();
  const std::wstring wideFile = win32::AnsiToWideString(file);
  const std::wstring wideParameters = win32::AnsiToWideString(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The process handle is asked for; a failure is the caller's to handle, never a
  // box of the shell's own.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = static_cast<HWND>(owner);
  info.lpVerb = nullptr;  // the default verb
  info.lpFile = wideFile.c_str();
  info.lpParameters = wideParameters.empty() ? nullptr : wideParameters.c_str();
  info.lpDirectory = nullptr;
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return RunningProgram();
  // A start handed to a program that was already running (or through DDE) comes back
  // without a process: nothing to watch.
  if (info.hProcess == nullptr) return RunningProgram();
  return RunningProgram(std::make_unique<RunningProgram::Handle>(
      RunningProgram::Handle{win32::UniqueKernelHandle(info.hProcess)}));
}

}  // namespace setup::platform
