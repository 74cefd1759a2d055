#pragma once
// The log of a run, for administrators and support: the start-up facts, each script
// line with its outcome, each file written, each registry value set, each failure with
// the message the user saw (or, unattended, would have seen), and the exit code. Every
// line begins with the seconds since the log was opened; the first line gives the
// local date and time. The file is UTF-8 (the texts arrive in the system code page or
// as UTF-16), lines end in CR LF.
//
// /LOG=FILE names the file. Without it the log goes to the temporary folder
// (SetupLog0000.txt, SetupLog0001.txt, ...) and is removed again when the run ends
// well; after a failure it stays, and the failure names it (FailureNote).
//
// Safe from the worker thread and the interface thread at once. A log that cannot be
// opened takes every line and writes none: logging never stops a run.

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace setup {

class TRunLog {
 public:
  TRunLog() = default;
  ~TRunLog();
  TRunLog(const TRunLog&) = delete;
  TRunLog& operator=(const TRunLog&) = delete;

  // Creates (or truncates) the log at path; the log stays whatever the outcome. False
  // when the file cannot be created.
  bool Open(const std::string& path);
  // Creates the log in the temporary folder, under the first free name; it is removed
  // at Finish unless the run failed.
  bool OpenTemporary();
  bool IsOpen() const;
  const std::string& Path() const { return path_; }
  // True when the log lies in the temporary folder only for the case of a failure.
  bool Temporary() const { return temporary_; }

  // One line; text in the system code page, or UTF-16.
  void Write(const std::string& text);
  void Write(const std::u16string& text);
  // One line from pieces in the system code page, or in UTF-16, joined here: the
  // callers build no temporary strings.
  void Write(std::initializer_list<std::string_view> pieces);
  void Write(std::initializer_list<std::u16string_view> pieces);
  // Marks the run as failed: the log will stay. Writes the buffered lines out, so that
  // the file is whole when a box names it.
  void MarkFailed();
  bool Failed() const;
  // The sentence a failure message ends with when the log would otherwise be lost
  // with the run: "\r\rSetup log: PATH". Empty for a log named on the command line
  // (the administrator knows where it is) and for a log that could not be opened.
  std::string FailureNote() const;

  // Writes what is buffered and closes the log; a temporary log of a run that did not
  // fail is removed.
  void Finish();

 private:
  // Adds the time and the line (UTF-8) to what is to be written.
  void WriteLine(const std::string& utf8);
  void FlushLocked();

  mutable std::mutex mutex_;
  platform::File file_;
  std::string path_;
  std::string buffer_;
  bool temporary_ = false;
  bool failed_ = false;
  uint32_t openedTick_ = 0;
};

}  // namespace setup
