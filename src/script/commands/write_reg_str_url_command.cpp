#include "script/commands/write_reg_str_url_command.h"

#include "platform/registry.h"
#include "script/path_variables.h"
#include "script/registry_write.h"
#include "script/setup_context.h"

namespace setup {

namespace {

constexpr const char* kUrlProtocolValue = "URL Protocol";
constexpr const char* kDefaultIconKey = "\\DefaultIcon\\";
constexpr const char* kOpenCommandKey = "\\shell\\open\\command\\";

// Opens (creating) the key below HKEY_CLASSES_ROOT and writes one string value; the
// result of opening is not looked at, so a key that did not open fails at the write.
void WriteClassesValue(const std::string& keyPath, const std::string& valueName, const std::string& value) {
  platform::RegistryKey key;
  key.Create(platform::kHkeyClassesRoot, keyPath);
  WriteStringOrFail(key, valueName, value);
}

}  // namespace

TWriteRegStr_URLCommand::TWriteRegStr_URLCommand() : TCommandClass("writeregstr_url", /*isHeader=*/false) {}

void TWriteRegStr_URLCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  if (line == nullptr || line->Params.size() < 3) return;
  const std::string& protocol = line->Params[0];
  const std::string iconKey = protocol + kDefaultIconKey;
  const std::string commandKey = protocol + kOpenCommandKey;

  {
    platform::RegistryKey key;
    key.Create(platform::kHkeyClassesRoot, protocol);
    std::string description = "URL:";
    description.append(protocol).append(" Protocol");
    WriteStringOrFail(key, "", description);
    WriteStringOrFail(key, kUrlProtocolValue, "");
  }
  WriteClassesValue(iconKey, "", ExpandVariables(line->Params[1], context.SetupInfo, context.Variables));

  std::string command = "\"";
  command.append(ExpandVariables(line->Params[2], context.SetupInfo, context.Variables)).append("\"");
  for (size_t i = 3; i < line->Params.size(); ++i) command.append(" \"").append(line->Params[i]).append("\"");
  WriteClassesValue(commandKey, "", command);

  context.Log.Write({"registry value set: HKCR\\", protocol, " URL protocol, command ", command});
  TUninstallList& log = context.UninstallList;
  log.AddRegistryEntry(RegistryLogLine("HKCR", protocol, "", ""));
  log.AddRegistryEntry(RegistryLogLine("HKCR", protocol, kUrlProtocolValue, ""));
  log.AddRegistryEntry(RegistryLogLine("HKCR", iconKey, "", ""));
  log.AddRegistryEntry(RegistryLogLine("HKCR", commandKey, "", ""));
}

}  // namespace setup
