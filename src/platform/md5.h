#pragma once
// MD5 digests through the system's cryptographic service: the CryptoAPI on Windows
// (PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, CALG_MD5), OpenSSL's libcrypto elsewhere.
// VFS archives carry the MD5 of their bytes from offset 44 on.

#include <array>
#include <cstddef>
#include <cstdint>

namespace setup::platform {

using Md5Digest = std::array<uint8_t, 16>;

// One running digest. Every operation reports failure instead of raising, so the
// caller chooses the message. Move-only.
class Md5 {
 public:
  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  // False when the service could not start a digest.
  bool Ready() const;
  bool Update(const void* data, size_t count);
  // The digest of everything given to Update; the object is spent afterwards.
  bool Final(Md5Digest& digest);

 private:
  struct State;
  State* state_ = nullptr;
};

}  // namespace setup::platform
