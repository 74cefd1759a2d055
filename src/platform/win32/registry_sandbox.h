#pragma once
// Between the registry and its sandbox (registry_sandbox_win32.cpp).

#include <windows.h>

namespace setup::platform::win32 {

// True while the registry sandbox is on: RegistryKey::Create makes volatile keys (the
// sandbox key is volatile, and a volatile key takes only volatile subkeys).
bool CreateVolatileKeys();

// While the sandbox is on, the sandbox's key that stands for the root (a predefined
// handle); otherwise nullptr. Only this program's registry service is redirected: the
// system's own libraries (the cryptographic service, the shell) keep reading the real
// registry.
HKEY SandboxRoot(HKEY root);

}  // namespace setup::platform::win32
