#include "platform/sha256.h"
#include "platform/win32/crypto_hash.h"

namespace setup::platform {

// SHA-256 needs the AES provider type; the plain RSA provider knows only the older
// digests.
struct Sha256::State {
  win32::CryptoHash hash{PROV_RSA_AES, CALG_SHA_256};
};

Sha256::Sha256() : state_(new State) {}
Sha256::~Sha256() { delete state_; }
bool Sha256::Ready() const { return state_->hash.Ready(); }
bool Sha256::Update(const void* data, size_t count) { return state_->hash.Update(data, count); }
bool Sha256::Final(Sha256Digest& digest) {
  return state_->hash.Final(digest.data(), static_cast<DWORD>(digest.size()));
}

}  // namespace setup::platform
