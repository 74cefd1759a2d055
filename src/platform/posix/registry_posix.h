#pragma once
// What tests can see and steer of the posix build's in-memory registry.

#include <cstdint>
#include <string>
#include <vector>

namespace setup::platform::posix {

// Empties every root and sets the access count to 0. Keys still open from before
// behave as deleted keys do: every operation on them fails.
void ResetRegistry();

// How many registry operations (opening, creating, reading, writing, deleting, asking
// whether a key exists) have run since the last reset, whether or not they succeeded.
uint64_t RegistryAccessCount();

// One key, or one value of a key, with the names as they were first written.
struct RegistryItem {
  uint32_t root = 0;
  std::string path;       // "Software\Vendor\Product"
  bool isValue = false;   // false: the key itself
  std::string valueName;  // values only; empty for the default value
  std::string data;       // values only: the text, or a number value in decimal
  bool isDword = false;   // values only: a number value (REG_DWORD), not text
};

// Every key below the roots and every value (roots' own values included), root by
// root, each key followed by its values and then its subkeys, names in case-blind order.
std::vector<RegistryItem> RegistryContents();

}  // namespace setup::platform::posix
