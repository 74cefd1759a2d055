#include "script/setup_info.h"

#include <utility>

#include "package/buffer_manager.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "script/registry_roots.h"

namespace setup {

namespace {

// The stored form of a string: a u16 count and that many characters. A string longer
// than a count can say keeps the low 16 bits of its length as the count, and only that
// many characters are written, so the record stays readable.
void PutString(ByteWriter& out, const std::string& text) {
  const auto count = static_cast<uint16_t>(text.size() & 0xFFFFu);
  out.U16(count);
  out.Raw(ByteView(reinterpret_cast<const uint8_t*>(text.data()), count));
}

bool ReadU8(TBufferManager& in, uint8_t& value) { return in.ReadInto(1, &value) == 1; }

}  // namespace

bool TSetupInfoFile::LoadFromBuffer(ByteView data) {
  // Read into a copy and take it only when the whole record was there, so a truncated
  // entry leaves the current settings as they were.
  TSetupInfoFile record;
  TBufferManager in(data);
  bool ok = in.ReadString(record.SetupName) && in.ReadString(record.ShortName) &&
            in.ReadString(record.SetupExeName) && in.ReadString(record.UninstallExeName) &&
            in.ReadString(record.UninstallPrefix) && in.ReadString(record.InstallDir) &&
            in.ReadString(record.Changelog);
  for (TInstallDirRegKey& slot : record.InstallDirRegKey) {
    ok = ok && ReadU8(in, slot.Root) && in.ReadString(slot.Path) && in.ReadString(slot.Key);
  }
  ok = ok && in.ReadString(record.PagesName) && in.ReadString(record.UninstallPagesName) &&
       ReadU8(in, record.IsUninstaller) && ReadU8(in, record.CreateUninstaller);
  if (!ok) return false;
  *this = std::move(record);
  return true;
}

Bytes TSetupInfoFile::Serialize() const {
  ByteWriter out;
  for (const std::string* text : {&SetupName, &ShortName, &SetupExeName, &UninstallExeName,
                                  &UninstallPrefix, &InstallDir, &Changelog}) {
    PutString(out, *text);
  }
  for (const TInstallDirRegKey& slot : InstallDirRegKey) {
    out.Raw(ByteView(&slot.Root, 1));
    PutString(out, slot.Path);
    PutString(out, slot.Key);
  }
  PutString(out, PagesName);
  PutString(out, UninstallPagesName);
  out.Raw(ByteView(&IsUninstaller, 1));
  out.Raw(ByteView(&CreateUninstaller, 1));
  return out.take();
}

void TSetupInfoFile::SaveToFile(const std::string& path) const {
  platform::File file;
  if (!file.Open(path, platform::OpenMode::CreateAlways)) return;
  const Bytes bytes = Serialize();
  file.Write(bytes.data(), bytes.size());
}

std::string TSetupInfoFile::FindInstallDirInRegistry() const {
  std::string result;
  for (const TInstallDirRegKey& slot : InstallDirRegKey) {
    if (slot.Key.empty()) continue;
    // Opened as start-up has always opened it: with full access and never created; a
    // key that cannot be opened that way counts as not found.
    platform::RegistryKey key;
    if (key.Open(RootKeyFromIndex(slot.Root), slot.Path, platform::RegistryAccess::Full)) {
      result = key.ReadString(slot.Key).value_or(std::string());
      key.Close();
    }
    if (!result.empty()) break;
  }
  return result;
}

}  // namespace setup
