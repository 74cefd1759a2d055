#include "setup/error_report_text.h"

#include "base/decimal_text.h"

namespace setup {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr size_t kKeyWidth = 22;

void Heading(std::string& out, const std::string& title) {
  out += title + kLineEnd;
  out += std::string(title.size(), '-') + kLineEnd;
}

// "%-22s : %s": a longer key is not cut.
void Value(std::string& out, const std::string& key, const std::string& value) {
  out += key;
  if (key.size() < kKeyWidth) out.append(kKeyWidth - key.size(), ' ');
  out += " : " + value + kLineEnd;
}

void Blank(std::string& out) { out += kLineEnd; }

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::string ReportedErrorType(const std::string& errorType) {
  return errorType.empty() ? "Unknown" : errorType;
}

std::string ErrorReportParams(const std::vector<std::string>& arguments) {
  std::string params;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string argument = AsciiUpper(arguments[i]);
    if (argument == "/J") {
      // What follows "/j" is not for a bug report: both values are masked.
      argument = "/j X X.X.X.X";
      i += 2;
    }
    if (!params.empty()) params += ' ';
    params += argument;
  }
  return params;
}

std::string ErrorLogFileName(uint32_t number) {
  return "ErrorLog" + PaddedDecimal(number, 4) + ".TXT";
}

std::string ErrorReportText(const ErrorReportFacts& facts) {
  std::string out;
  Heading(out, "General Info");
  Value(out, "Setup Name", facts.SetupName);
  Value(out, "Setup EXE Name", facts.SetupExeName);
  Blank(out);

  Heading(out, "Pak Info");
  const bool pak = facts.Trailer.has_value();
  Value(out, "ID", pak ? facts.Trailer->MagicText() : "");
  Value(out, "Version", pak ? std::to_string(facts.Trailer->Version) : "");
  Value(out, "Count", pak ? std::to_string(facts.Trailer->Count) : "");
  Blank(out);

  Value(out, "ErrorType", ReportedErrorType(facts.ErrorType));
  Value(out, "ErrorText", facts.ErrorText);
  Blank(out);

  Value(out, "Params", ErrorReportParams(facts.Arguments));
  Value(out, "ParamCount", std::to_string(facts.Arguments.size()));
  Blank(out);

  Heading(out, "Windows Info");
  Value(out, "Product", facts.OS.Product());
  Value(out, "BuildNumber", std::to_string(facts.OS.BuildNumber));
  Value(out, "ServicePack", facts.OS.ServicePack);
  Value(out, "ServicePackMajor", std::to_string(facts.OS.ServicePackMajor));
  Value(out, "ServicePackMinor", std::to_string(facts.OS.ServicePackMinor));
  Blank(out);

  Value(out, "Physical Memory", std::to_string(facts.PhysicalMemory / 1024 / 1024 + 1) + "MB");
  Value(out, "CPU Speed", std::to_string(facts.CpuSpeedMhz) + "Mhz");
  return out;
}

std::string ErrorReportCreatedMessage(const std::string& errorType, const std::string& errorText,
                                      const std::string& path) {
  return ReportedErrorType(errorType) + " Error: " + errorText + "\r\r" +
         "Error Log Created. Please Include " + "\"" + path + "\"" + " with your bug report";
}

std::string ErrorReportNotWrittenMessage(const std::string& errorType, const std::string& errorText,
                                         const std::string& path) {
  return ReportedErrorType(errorType) + " Error: " + errorText + "\r\r" +
         "The Error Log could not be written to \"" + path + "\"";
}

}  // namespace setup
