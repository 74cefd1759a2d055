#pragma once
// Between the registry and its sandbox (registry_sandbox_win32.cpp).

namespace setup::platform::win32 {

// True while the registry sandbox is on: RegistryKey::Create makes volatile keys (the
// sandbox key is volatile, and a volatile key takes only volatile subkeys).
bool CreateVolatileKeys();

}  // namespace setup::platform::win32
