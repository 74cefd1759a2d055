#pragma once
// The commands of setupc, each with its parsed options. Each writes its results to out,
// every error as one line on err, and returns an ExitCode.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup::setupc {

struct PackOptions {
  std::string output;
  std::string host;                  // empty: a stand-alone package
  std::vector<std::string> entries;  // GROUP:NAME=PATH, in package order
};

struct ListOptions {
  std::string package;
  bool json = false;
};

struct VerifyOptions {
  std::string package;
};

struct ExtractOptions {
  std::string package;
  std::string folder;
  std::optional<uint16_t> group;  // none: every group
};

struct InfoOptions {
  std::string package;
  bool json = false;
};

struct LogOptions {
  std::string file;
  bool json = false;
};

struct TextOptions {
  std::string package;
  std::string entry;                 // a group-0 entry, as typed
  std::vector<std::string> numbers;  // as typed: decimal or "$" and hexadecimal
};

int PackCommand(const PackOptions& options, std::ostream& out, std::ostream& err);
int ListCommand(const ListOptions& options, std::ostream& out, std::ostream& err);
int VerifyCommand(const VerifyOptions& options, std::ostream& out, std::ostream& err);
int ExtractCommand(const ExtractOptions& options, std::ostream& out, std::ostream& err);
int InfoCommand(const InfoOptions& options, std::ostream& out, std::ostream& err);
int LogCommand(const LogOptions& options, std::ostream& out, std::ostream& err);
int TextCommand(const TextOptions& options, std::ostream& out, std::ostream& err);

// A text number of "setupc text": decimal digits, or "$" and hexadecimal digits (either
// case), 0 to 65535; no sign, no blanks.
std::optional<uint16_t> ParseTextNumber(std::string_view text);

// "setupc: " + message, on a line of its own.
void ReportError(std::ostream& err, const std::string& message);

}  // namespace setup::setupc
