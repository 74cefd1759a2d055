#include "platform/md5.h"
#include "platform/win32/crypto_hash.h"

namespace setup::platform {

struct Md5::State {
  win32::CryptoHash hash{PROV_RSA_FULL, CALG_MD5};
};

Md5::Md5() : state_(new State) {}
Md5::~Md5() { delete state_; }
bool Md5::Ready() const { return state_->hash.Ready(); }
bool Md5::Update(const void* data, size_t count) { return state_->hash.Update(data, count); }
bool Md5::Final(Md5Digest& digest) {
  return state_->hash.Final(digest.data(), static_cast<DWORD>(digest.size()));
}

}  // namespace setup::platform
