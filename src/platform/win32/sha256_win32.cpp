#include <windows.h>
#include <wincrypt.h>

#include "platform/sha256.h"

namespace setup::platform {

struct Sha256::State {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
};

// SHA-256 needs the AES provider type; the plain RSA provider knows only the older
// digests.
Sha256::Sha256() : state_(new State) {
  if (!CryptAcquireContextW(&state_->provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    state_->provider = 0;
    return;
  }
  if (!CryptCreateHash(state_->provider, CALG_SHA_256, 0, 0, &state_->hash)) state_->hash = 0;
}

Sha256::~Sha256() {
  if (state_->hash != 0) CryptDestroyHash(state_->hash);
  if (state_->provider != 0) CryptReleaseContext(state_->provider, 0);
  delete state_;
}

bool Sha256::Ready() const { return state_->hash != 0; }

bool Sha256::Update(const void* data, size_t count) {
  if (state_->hash == 0) return false;
  const auto* bytes = static_cast<const BYTE*>(data);
  // CryptHashData takes a 32-bit length.
  while (count > 0) {
    const DWORD piece = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    if (!CryptHashData(state_->hash, bytes, piece, 0)) return false;
    bytes += piece;
    count -= piece;
  }
  return true;
}

bool Sha256::Final(Sha256Digest& digest) {
  if (state_->hash == 0) return false;
  DWORD length = static_cast<DWORD>(digest.size());
  const bool ok = CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &length, 0) && length == digest.size();
  CryptDestroyHash(state_->hash);
  state_->hash = 0;
  return ok;
}

}  // namespace setup::platform
