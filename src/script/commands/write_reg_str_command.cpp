#include "script/commands/write_reg_str_command.h"

#include "platform/registry.h"
#include "script/path_variables.h"
#include "script/registry_roots.h"
#include "script/registry_write.h"
#include "script/setup_context.h"

namespace setup {

TWriteRegStrCommand::TWriteRegStrCommand() : TCommandClass("writeregstr", /*isHeader=*/false) {}

void TWriteRegStrCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  if (line == nullptr || line->Params.size() < 4) return;
  const std::string& root = line->Params[0];
  const std::string& keyPath = line->Params[1];
  const std::string& valueName = line->Params[2];
  const std::string& value = line->Params[3];

  platform::RegistryKey key;
  const std::string data = ExpandVariables(value, context.SetupInfo, context.Variables);
  const bool written = key.Create(RootKeyFromIndex(RootIndexFromName(root)), keyPath) && key.WriteString(valueName, data);
  key.Close();
  context.Log.Write({written ? "registry value set: " : "registry value not set: ", root, "\\", keyPath, " \"",
                     valueName, "\" = \"", data, "\""});

  context.UninstallList.AddRegistryEntry(RegistryLogLine(root, keyPath, valueName, value));
}

}  // namespace setup
