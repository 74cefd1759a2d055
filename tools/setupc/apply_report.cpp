#include "setupc/apply_report.h"

#include <cstdio>
#include <ostream>

#include "platform/dialogs.h"
#include "setupc/json_output.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

std::string RootName(uint32_t root) {
  switch (root) {
    case platform::kHkeyClassesRoot: return "HKCR";
    case platform::kHkeyCurrentUser: return "HKCU";
    case platform::kHkeyLocalMachine: return "HKLM";
    case platform::kHkeyUsers: return "HKU";
    case platform::kHkeyCurrentConfig: return "HKCC";
    default: return "root " + std::to_string(root);
  }
}

std::string AnswerName(int answer) {
  switch (answer) {
    case platform::kAnswerOk: return "OK";
    case platform::kAnswerCancel: return "Cancel";
    case platform::kAnswerRetry: return "Retry";
    case platform::kAnswerYes: return "Yes";
    case platform::kAnswerNo: return "No";
    default: return "closed";
  }
}

std::string CrcText(uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(crc));
  return text;
}

std::string ChangeName(ScanChange::Kind kind) {
  switch (kind) {
    case ScanChange::Kind::New: return "new";
    case ScanChange::Kind::Changed: return "changed";
    case ScanChange::Kind::Deleted: return "deleted";
  }
  return "";
}

// A one-line form of a text that may hold line breaks.
std::string Flat(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::string CountText(const std::optional<uint64_t>& count) { return count ? std::to_string(*count) : "?"; }

Json CountJson(const std::optional<uint64_t>& count) { return count ? Json(*count) : Json(nullptr); }

// A path of the host as a JSON string: the Windows build's are in the code page; a
// Linux path is UTF-8 when it is valid UTF-8.
Json HostJson(const std::string& path) {
#ifdef _WIN32
  return AnsiJson(path);
#else
  return Utf8ToUtf16(path) ? Json(path) : AnsiJson(path);
#endif
}

bool IsArchiveChange(const ScanChange& change) {
  return !change.before.archiveKind.empty() || !change.after.archiveKind.empty();
}

}  // namespace

std::string ExitCodeText(ExitCode code) {
  switch (code) {
    case ExitCode::Success: return "success";
    case ExitCode::Cancelled: return "cancelled";
    case ExitCode::ScriptFailed: return "the script failed";
    case ExitCode::DamagedSetup: return "a damaged setup";
    case ExitCode::StartupRefused: return "start-up refused";
    case ExitCode::InternalError: return "an internal error";
  }
  return "exit code " + std::to_string(ToProcessExitCode(code));
}

void WriteApplyText(const ApplyReport& report, std::ostream& out) {
  out << "setup: " << AnsiToUtf8(report.setupName) << (report.uninstaller ? " (uninstaller)" : "") << "\n";
  out << "folder: " << report.folder << " (the run saw " << AnsiToUtf8(report.installFolder) << ")\n";
  out << "files in the folder: " << report.files.size() << "\n";
  for (const ScanChange& change : report.files) {
    out << "  " << ChangeName(change.kind) << " " << change.path;
    if (change.kind == ScanChange::Kind::Changed) {
      out << " (" << change.before.size << " -> " << change.after.size << " bytes, CRC " << CrcText(change.after.crc)
          << ")";
    } else if (change.kind == ScanChange::Kind::New) {
      out << " (" << change.after.size << " bytes, CRC " << CrcText(change.after.crc) << ")";
    }
    out << "\n";
  }
  for (const ScanChange& change : report.files) {
    if (!IsArchiveChange(change)) continue;
    const std::string& kind = change.after.archiveKind.empty() ? change.before.archiveKind : change.after.archiveKind;
    out << "archive " << change.path << ": " << kind << ", "
        << (change.kind == ScanChange::Kind::New ? "-" : CountText(change.before.entries)) << " -> "
        << (change.kind == ScanChange::Kind::Deleted ? "-" : CountText(change.after.entries)) << " entries\n";
  }
  out << "registry values set: " << report.registry.size() << " (" << report.registryWhere << ")\n";
  for (const platform::SandboxRegistryValue& value : report.registry) {
    out << "  " << RootName(value.root) << "\\" << AnsiToUtf8(value.path) << ": "
        << (value.name.empty() ? "(default)" : AnsiToUtf8(value.name)) << " = " << Flat(AnsiToUtf8(value.data))
        << "\n";
  }
  out << "files in system folders: " << report.systemFiles.size() << "\n";
  for (const SystemFile& file : report.systemFiles) {
    out << "  " << AnsiToUtf8(file.path) << " (" << file.size << " bytes)\n";
  }
  out << "boxes answered: " << report.boxes.size() << "\n";
  for (const AnsweredBox& box : report.boxes) {
    out << "  \"" << Flat(Utf16ToUtf8(box.text)) << "\" (" << Utf16ToUtf8(box.caption)
        << "): " << AnswerName(box.answer) << "\n";
  }
  out << "programs not started: " << report.programs.size() << "\n";
  for (const platform::ProgramRequest& program : report.programs) {
    out << "  " << (program.document ? "open " : "") << AnsiToUtf8(program.file)
        << (program.parameters.empty() ? "" : " " + AnsiToUtf8(program.parameters)) << "\n";
  }
  if (!report.internalError.empty()) out << "internal error: " << Flat(AnsiToUtf8(report.internalError)) << "\n";
  out << "log:\n";
  for (const std::string& line : report.log) out << "  " << line << "\n";
  out << "exit code " << ToProcessExitCode(report.exitCode) << " (" << ExitCodeText(report.exitCode) << ")\n";
}

void WriteApplyJson(const ApplyReport& report, std::ostream& out) {
  Json files = Json::array();
  Json archives = Json::array();
  for (const ScanChange& change : report.files) {
    Json file = {{"path", HostJson(change.path)}, {"change", ChangeName(change.kind)}};
    if (change.kind != ScanChange::Kind::New) file["size_before"] = change.before.size;
    if (change.kind != ScanChange::Kind::Deleted) {
      file["size"] = change.after.size;
      file["crc"] = CrcText(change.after.crc);
    }
    files.push_back(std::move(file));
    if (IsArchiveChange(change)) {
      const std::string& kind =
          change.after.archiveKind.empty() ? change.before.archiveKind : change.after.archiveKind;
      archives.push_back({{"path", HostJson(change.path)},
                          {"kind", kind},
                          {"entries_before", change.kind == ScanChange::Kind::New ? Json(nullptr)
                                                                                  : CountJson(change.before.entries)},
                          {"entries_after", change.kind == ScanChange::Kind::Deleted
                                                ? Json(nullptr)
                                                : CountJson(change.after.entries)}});
    }
  }
  Json registry = Json::array();
  for (const platform::SandboxRegistryValue& value : report.registry) {
    registry.push_back({{"root", RootName(value.root)},
                        {"key", AnsiJson(value.path)},
                        {"name", AnsiJson(value.name)},
                        {"data", AnsiJson(value.data)}});
  }
  Json systemFiles = Json::array();
  for (const SystemFile& file : report.systemFiles) {
    systemFiles.push_back({{"path", AnsiJson(file.path)}, {"size", file.size}});
  }
  Json boxes = Json::array();
  for (const AnsweredBox& box : report.boxes) {
    boxes.push_back({{"text", WideJson(box.text)}, {"caption", WideJson(box.caption)}, {"answer", AnswerName(box.answer)}});
  }
  Json programs = Json::array();
  for (const platform::ProgramRequest& program : report.programs) {
    programs.push_back({{"file", AnsiJson(program.file)},
                        {"parameters", AnsiJson(program.parameters)},
                        {"document", program.document}});
  }
  Json log = Json::array();
  // The run log is UTF-8.
  for (const std::string& line : report.log) log.push_back(Utf8ToUtf16(line) ? Json(line) : AnsiJson(line));
  WriteJson({{"setup", AnsiJson(report.setupName)},
             {"uninstaller", report.uninstaller},
             {"folder", HostJson(report.folder)},
             {"install_folder", AnsiJson(report.installFolder)},
             {"files", std::move(files)},
             {"archives", std::move(archives)},
             {"registry_sandbox", report.registryWhere},
             {"registry", std::move(registry)},
             {"system_files", std::move(systemFiles)},
             {"boxes", std::move(boxes)},
             {"programs_not_started", std::move(programs)},
             {"internal_error", AnsiJson(report.internalError)},
             {"log", std::move(log)},
             {"exit_code", ToProcessExitCode(report.exitCode)},
             {"exit", ExitCodeText(report.exitCode)}},
            out);
}

}  // namespace setup::setupc
