#pragma once
// One running digest of the CryptoAPI, behind the MD5 and SHA-256 services: a
// verify-only provider context and a hash object, released together.

#include <windows.h>
// wincrypt.h needs the types of windows.h first.
#include <wincrypt.h>

#include <cstddef>

namespace setup::platform::win32 {

class CryptoHash {
 public:
  CryptoHash(DWORD providerType, ALG_ID algorithm);
  ~CryptoHash();
  CryptoHash(const CryptoHash&) = delete;
  CryptoHash& operator=(const CryptoHash&) = delete;

  // False when the service could not start a digest.
  bool Ready() const { return hash_ != 0; }
  bool Update(const void* data, size_t count);
  // Writes the digest, which must be exactly size bytes long; the hash is spent.
  bool Final(BYTE* digest, DWORD size);

 private:
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
};

}  // namespace setup::platform::win32
