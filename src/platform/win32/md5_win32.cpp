#include <windows.h>
#include <wincrypt.h>

#include "platform/md5.h"

namespace setup::platform {

struct Md5::State {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
};

Md5::Md5() : state_(new State) {
  if (!CryptAcquireContextW(&state_->provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    state_->provider = 0;
    return;
  }
  if (!CryptCreateHash(state_->provider, CALG_MD5, 0, 0, &state_->hash)) state_->hash = 0;
}

Md5::~Md5() {
  if (state_->hash != 0) CryptDestroyHash(state_->hash);
  if (state_->provider != 0) CryptReleaseContext(state_->provider, 0);
  delete state_;
}

bool Md5::Ready() const { return state_->hash != 0; }

bool Md5::Update(const void* data, size_t count) {
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

bool Md5::Final(Md5Digest& digest) {
  if (state_->hash == 0) return false;
  DWORD length = static_cast<DWORD>(digest.size());
  const bool ok = CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &length, 0) && length == 16;
  CryptDestroyHash(state_->hash);
  state_->hash = 0;
  return ok;
}

}  // namespace setup::platform
