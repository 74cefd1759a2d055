// Registration, the stub image copy, the icon, and the uninstaller's own package.
#include "uninstall/uninstaller_builder.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "base/byte_io.h"
#include "installlog/uninstall_list.h"
#include "package/pe_certificate.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "script/path_variables.h"
#include "script/registry_write.h"
#include "script/setup_context.h"

namespace setup {

namespace {

constexpr size_t kPrefixLength = std::string_view("UNINSTALL_").size();
constexpr const char* kIconTempName = "\\icon.ico";
constexpr const char* kSetupInfoTempName = "SIF.temp";
constexpr const char* kSetupInfoEntry = "SetupInfo";

// The icon file's header (6 bytes) and its first directory entry (16 bytes).
constexpr size_t kIconHeaderSize = 22;
constexpr size_t kIconTypeOffset = 2;
constexpr size_t kIconCountOffset = 4;
constexpr size_t kIconImageSizeOffset = 14;
constexpr size_t kIconImageOffsetOffset = 18;
constexpr uint16_t kIconFileType = 1;
constexpr uint16_t kStubIconImageId = 1;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(std::string_view text, std::string_view upper) {
  return text.size() == upper.size() &&
         std::equal(text.begin(), text.end(), upper.begin(), [](char a, char b) { return AsciiUpper(a) == b; });
}

bool HasUninstallPrefix(std::string_view name) {
  return name.size() >= kPrefixLength && EqualsUpper(name.substr(0, kPrefixLength), kUninstallEntryPrefix);
}

bool IsIconEntry(const TPakEntry& entry) { return entry.Group == 0 && EqualsUpper(entry.Name, kUninstallIconEntry); }

bool IsUninstallerFile(const TPakEntry& entry) {
  return entry.Group == 0 && HasUninstallPrefix(entry.Name) && !EqualsUpper(entry.Name, kUninstallIconEntry);
}

// A file that is deleted when the scope ends, whatever happened to it meanwhile.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() { platform::RemoveFile(path_); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The folder for the temporary files, ending in "\". Without a temporary folder from
// the system the installation folder serves: a bare name would land in whatever folder
// is current.
std::string TemporaryFilesFolder(const TSetupInfoFile& info) {
  std::string folder = platform::TemporaryFolder();
  return folder.empty() ? AddBackslash(info.InstallDir) : folder;
}

void WriteDwordOrFail(platform::RegistryKey& key, const std::string& name, uint32_t value) {
  if (!key.WriteDword(name, value)) throw SetupError(RegistryWriteErrorText(name));
}

// The bytes the installation wrote, in KB rounded up, as the registration states it.
uint32_t EstimatedSizeKb(int64_t bytes) {
  if (bytes <= 0) return 0;
  const uint64_t kb = (static_cast<uint64_t>(bytes) + 1023) / 1024;
  return static_cast<uint32_t>(std::min<uint64_t>(kb, std::numeric_limits<uint32_t>::max()));
}

// Writes the product's values under its key below the system's Uninstall key.
void RegisterUninstaller(const SetupContext& context, const std::string& uninstallerPath,
                         const std::string& installLogDigest) {
  const TSetupInfoFile& info = context.SetupInfo;
  const std::optional<std::string> productKey = ProductUninstallKey(info.ShortName);
  if (!productKey) return;
  platform::RegistryKey key;
  key.Create(RegistrationRoot(context.Facts), *productKey);
  WriteStringOrFail(key, kDisplayNameValue, info.ShortName);
  WriteStringOrFail(key, kUninstallStringValue, uninstallerPath);
  WriteStringOrFail(key, kQuietUninstallStringValue, "\"" + uninstallerPath + "\" /S");
  WriteStringOrFail(key, kDisplayIconValue, uninstallerPath);
  WriteStringOrFail(key, kInstallLocationValue, info.InstallDir);
  WriteDwordOrFail(key, kEstimatedSizeValue, EstimatedSizeKb(context.Variables.RequiredSpace));
  WriteDwordOrFail(key, kNoModifyValue, 1);
  WriteDwordOrFail(key, kNoRepairValue, 1);
  // The author's values; one an earlier installation wrote and this setup no longer
  // gives would describe another version.
  for (const auto& [name, value] : {std::pair{kDisplayVersionValue, &context.Facts.Version},
                                    std::pair{kPublisherValue, &context.Facts.Publisher},
                                    std::pair{kUrlInfoAboutValue, &context.Facts.Url}}) {
    if (value->empty()) {
      key.DeleteValue(name);
    } else {
      WriteStringOrFail(key, name, *value);
    }
  }
  if (installLogDigest.empty()) {
    // A digest of an earlier installation would not match this log.
    key.DeleteValue(kInstallLogDigestValue);
  } else {
    WriteStringOrFail(key, kInstallLogDigestValue, installLogDigest);
  }
}

// The executable image of the running setup: its file up to where the package's data
// starts. A package read from a separate file leaves the executable without one, so
// then the whole file is the image, without the signature a signed executable ends
// with. nullopt when the file cannot be opened or read.
//
// The copy is unsigned: a signature covers the whole signed file, which the copy is
// not. Its security directory is cleared, since a directory that points at a missing
// (or foreign) certificate table makes a broken file.
std::optional<Bytes> ReadStubImage(const SetupContext& context) {
  platform::File self;
  if (!self.Open(platform::ModuleFileName(), platform::OpenMode::ReadShared)) return std::nullopt;
  uint64_t length = context.Package.Trailer().DataStart;
  if (context.ExternalPackage) {
    length = self.Size();
    if (const std::optional<PeCertificateTable> table = FindCertificateTable(self, length)) length = table->Offset;
  }
  if (length > std::numeric_limits<size_t>::max()) return std::nullopt;
  Bytes image(static_cast<size_t>(length));
  if (self.Read(image.data(), image.size()) != image.size()) return std::nullopt;
  if (const std::optional<size_t> entry = SecurityDirectoryEntryOffset(image)) {
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(*entry), 8, uint8_t{0});
  }
  return image;
}

// Deletes an earlier file at target and writes the image there; false when that fails
// (a partial file is removed again).
bool WriteStub(const std::string& target, const Bytes& image) {
  if (platform::FileExists(target)) platform::RemoveFile(target);
  platform::File file;
  if (!file.Open(target, platform::OpenMode::CreateAlways)) return false;
  if (!file.Write(image.data(), image.size())) {
    file.Close();
    platform::RemoveFile(target);
    return false;
  }
  return true;
}

// Every group-0 "UNINSTALL_ICON.ICO" entry in table order becomes the uninstaller's
// icon (the last one wins). An entry that cannot be extracted is passed over.
void ApplyIcons(SetupContext& context, const std::string& target, const std::string& tempFolder) {
  TPak& package = context.Package;
  for (size_t i = 0; i < package.Count(); ++i) {
    if (!IsIconEntry(package.Entries()[i])) continue;
    const std::optional<Bytes> icon = package.ExtractEntry(i);
    if (!icon) continue;
    const TemporaryFile iconFile(tempFolder + kIconTempName);
    platform::File file;
    if (!file.Open(iconFile.Path(), platform::OpenMode::CreateAlways)) continue;
    const bool written = file.Write(icon->data(), icon->size());
    file.Close();
    if (written) ChangeIcon(iconFile.Path(), target);
  }
}

// Copies the group-0 "UNINSTALL_" entries (the icon excepted) under their names without
// the prefix, as they are stored (streamed, never held whole). An empty entry is
// copied as an empty record; one whose stored bytes cannot be read or fail their CRC
// is left out rather than recorded without its data.
void CopyUninstallerFiles(TPak& package, TPak& out) {
  for (size_t i = 0; i < package.Count(); ++i) {
    const TPakEntry& entry = package.Entries()[i];
    if (!IsUninstallerFile(entry)) continue;
    const std::string name = entry.Name.substr(kPrefixLength);
    if (entry.IsEmpty()) {
      out.AddEntry(name, name, 0);
      continue;
    }
    const size_t index = out.AddEntry(name, name, 0);
    if (!out.WriteEntryCopied(index, package, i)) out.RemoveLastEntry();
  }
}

// The live record, marked as uninstaller, as the last entry: through the temporary
// "SIF.temp" file, or straight from memory when that file could not be written whole.
void AddSetupInfo(TSetupInfoFile& info, TPak& out, const std::string& tempFolder) {
  info.IsUninstaller = 1;
  const Bytes record = info.Serialize();
  const TemporaryFile sifFile(tempFolder + kSetupInfoTempName);
  info.SaveToFile(sifFile.Path());
  const size_t index = out.AddEntry(kSetupInfoEntry, sifFile.Path(), 0);
  platform::File check;
  const bool saved = check.Open(sifFile.Path(), platform::OpenMode::ReadShared) && check.Size() == record.size();
  check.Close();
  if (saved) {
    out.WriteEntryFromFile(index);
  } else {
    out.WriteEntryFromMemory(index, record);
  }
}

}  // namespace

void BuildUninstaller(SetupContext& context, const std::string& installLogDigest) {
  TSetupInfoFile& info = context.SetupInfo;
  const std::string target = info.InstallDir + "\\" + info.UninstallExeName;
  RegisterUninstaller(context, target, installLogDigest);

  if (context.Package.Count() == 0) return;
  {
    const std::optional<Bytes> image = ReadStubImage(context);
    if (!image) return;
    ForceDirectoriesLogged(info.InstallDir, context.UninstallList);
    if (!WriteStub(target, *image)) return;
  }

  const std::string tempFolder = TemporaryFilesFolder(info);
  // The resource update rewrites the executable: it must come before the package is
  // appended, or the package would be lost.
  ApplyIcons(context, target, tempFolder);

  TPak out;
  if (!out.Create(target, /*createNew=*/false, /*append=*/true)) return;
  CopyUninstallerFiles(context.Package, out);
  AddSetupInfo(info, out, tempFolder);
  out.WriteTable();
  out.Close();
}

bool ChangeIcon(const std::string& iconFile, const std::string& exeFile) {
  platform::File file;
  if (!file.Open(iconFile, platform::OpenMode::ReadShared)) return false;
  uint8_t header[kIconHeaderSize];
  if (file.Read(header, sizeof header) != sizeof header) return false;
  if (GetU16(header + kIconTypeOffset) != kIconFileType || GetU16(header + kIconCountOffset) == 0) return false;
  const uint32_t imageSize = GetU32(header + kIconImageSizeOffset);
  const uint32_t imageOffset = GetU32(header + kIconImageOffsetOffset);
  const uint64_t fileSize = file.Size();
  if (imageSize == 0 || imageOffset > fileSize || imageSize > fileSize - imageOffset) return false;
  Bytes image(imageSize);
  if (!file.Seek(imageOffset) || file.Read(image.data(), image.size()) != image.size()) return false;
  file.Close();
  return platform::ReplaceIconImage(exeFile, kStubIconImageId, image);
}

}  // namespace setup
