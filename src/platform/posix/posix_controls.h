#pragma once
// Settings of the posix platform that tests and the native tools steer.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_version.h"

namespace setup::platform::posix {

// The folder that stands in for the drives: "X:\a\b" maps to <root>/X/a/b.
// Empty: the environment variable SETUP_SANDBOX_ROOT, else "<tmp>/setup-sandbox".
void SetSandboxRoot(const std::string& root);
std::string SandboxRoot();
// Maps a Windows-style path to a local one: a drive path goes into the sandbox, any
// other path keeps its place with "\" turned into "/".
std::string MapPath(const std::string& path);

// A mounted folder: drive paths at or below folder ("C:\Game", compared without regard
// to case, at a "\" boundary) go to hostFolder instead of the sandbox root:
// "C:\Game\a\b" -> <hostFolder>/a/b. Mounting the same folder again replaces it; an
// empty hostFolder removes it. None by default; UnmountFolders removes them all.
// (setupc apply runs a setup with its installation folder mounted on a real folder.)
void MountFolder(const std::string& folder, const std::string& hostFolder);
void UnmountFolders();

// Case-blind lookup in the files layer, as Windows finds files: "Data\Main.kzp" opens
// data/main.kzp. Every path operation of platform/files.h tries the exact path first,
// then matches missing components without regard to the case of ASCII letters (a new
// file keeps the name it is given, in the folder that matched). Off by default, so that
// tests of exact behaviour keep it; setting it clears the folder cache.
// See case_blind_posix.h.
void SetCaseBlindPaths(bool on);
bool CaseBlindPaths();

void SetCommandLine(const std::vector<std::string>& arguments, const std::string& moduleFileName);

void SetSystemDefaultLangId(uint16_t langId);

// With a manual clock, TickCount returns a counter that only SleepMs advances.
void SetManualClock(bool manual, uint32_t start = 0);
// How fast TimeStampCounter counts: cycles per millisecond of the (real or manual)
// clock. Default 2,000,000 (a 2 GHz processor).
void SetTimeStampRate(uint64_t cyclesPerMs);

// The temporary folder TemporaryFolder reports. Default "C:\Users\User\AppData\Local\Temp\"
// (mapped into the sandbox root like any drive path; nobody creates it).
void SetTemporaryFolder(const std::string& path);
// The total physical memory. Default 2 GiB.
void SetTotalPhysicalMemory(uint64_t bytes);

// A hash service that cannot start a digest: while set, every new Md5 is not Ready, as
// when the system's cryptographic service is missing. Off by default.
void FailMd5Digests(bool fail);

// The version QueryOsVersion gives, and system metrics by index (all 0 by default).
// The default version: NT platform 6.1 build 7601, "Service Pack 1" (1.0), extended,
// workstation, suite mask 0x0100. Reset restores the defaults of both.
void SetOsVersion(const OsVersion& version);
void SetSystemMetric(int index, int value);
void ResetOsVersion();

// Interrupted writes, for crash-safety tests. Each File::Write and File::SetLength
// counts as one write. After `count` more writes, the next one fails (FailFileWrites;
// the writes after it succeed again) or ends the process half done, as a power cut would (CrashInFileWrite: half the
// bytes written, then _exit(kCrashExitCode)). 0 turns the hook off.
inline constexpr int kCrashExitCode = 77;
void FailFileWritesAfter(uint64_t count);
void CrashInFileWriteAfter(uint64_t count);
// A file held by another program: the next `opens` File::Open calls on path (any mode)
// fail, and LastOpenFailedInUse is true after each. 0 releases it.
void HoldFileInUse(const std::string& path, uint32_t opens);
// A file that cannot be deleted (held open by another program without delete sharing):
// the next `times` RemoveFile calls on path fail. 0 releases it.
void RefuseRemove(const std::string& path, uint32_t times);
// Writes so far in this process.
uint64_t FileWriteCount();

// Documents OpenDocumentMaximized was asked to open, oldest first; cleared by reset.
std::vector<std::string> OpenedDocuments();
void ResetOpenedDocuments();

}  // namespace setup::platform::posix
