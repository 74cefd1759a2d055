#pragma once
// The uninstaller's removal: on arrival at the page of type "uninstall" it removes what
// the install log records (files, then folders from the last to the first, then
// registry values), then the product's registration and the log itself. It runs on the
// interface thread; the form shows the status and the gauge through IRemovalView and
// repaints them at once, since no window messages are processed meanwhile.
//
// Nothing stops on an error: whatever cannot be removed stays, without a message.
// Files and folders are removed only by absolute drive paths ("X:\..."), the only form
// the installer records; an entry that would be resolved against whatever folder
// happens to be current is passed over.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

struct SetupContext;
class TLanguages;

// Language texts of the removal: "Uninstalling <%KZPNAME%>: <%FNUM%> of <%FTOTAL%>
// items", and the names of the folder and registry phases.
inline constexpr uint16_t kTextUninstallProgress = 19;
inline constexpr uint16_t kTextRegistryEntries = 24;
inline constexpr uint16_t kTextDirectories = 25;

// What the removal shows. The wizard implements it over its status label and gauge.
class IRemovalView {
 public:
  virtual ~IRemovalView() = default;
  virtual void SetStatus(const std::u16string& text) = 0;
  virtual void SetGaugeMax(int32_t maximum) = 0;
  virtual void SetGaugePosition(int32_t position) = 0;
  // Paints the status and the gauge now.
  virtual void Repaint() = 0;
};

// True when the whole-number part of k * 100 / n (floating-point division) is greater
// than last: the display changes once a phase is at least one per cent done.
bool ProgressDue(int64_t k, int64_t n, int64_t last);

// Language text 19 of the current language with "<%KZPNAME%>" replaced by name,
// "<%FNUM%>" by number and "<%FTOTAL%>" by total, in decimal.
std::u16string UninstallStatusText(const TLanguages& languages, std::u16string_view name, int64_t number,
                                   int64_t total);

// The fields of a recorded registry entry, at most four: blanks and tabs outside double
// quotes separate them (runs of them count as one), each double quote switches between
// inside and outside, and the quotes are removed. A quoted empty text ("") is a field.
std::vector<std::string> SplitRegistryEntry(std::string_view entry);

// Deletes the value one entry names (root short name, key path, value name; an empty
// value name is the key's default value; an unknown root means HKLM). The key is opened
// without creating it and is never deleted. An entry of fewer than three fields is
// damaged and passed over, and so is a key or value that does not exist. True when a
// value was deleted.
bool RemoveRegistryEntry(const std::string& entry);

// The whole removal, with the status "Status: 0 of N items remaining" first and the
// gauge running from 0 to N = files + folders + registry entries of the log.
void RunRemoval(SetupContext& context, IRemovalView& view);

}  // namespace setup
