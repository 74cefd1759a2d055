#include <openssl/evp.h>

#include "platform/sha256.h"

namespace setup::platform {

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256() : state_(new State) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context != nullptr && EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(state_->context);
    state_->context = nullptr;
  }
}

Sha256::~Sha256() {
  if (state_->context != nullptr) EVP_MD_CTX_free(state_->context);
  delete state_;
}

bool Sha256::Ready() const { return state_->context != nullptr; }

bool Sha256::Update(const void* data, size_t count) {
  return state_->context != nullptr && EVP_DigestUpdate(state_->context, data, count) == 1;
}

bool Sha256::Final(Sha256Digest& digest) {
  if (state_->context == nullptr) return false;
  unsigned int length = 0;
  const bool ok = EVP_DigestFinal_ex(state_->context, digest.data(), &length) == 1 && length == digest.size();
  EVP_MD_CTX_free(state_->context);
  state_->context = nullptr;
  return ok;
}

}  // namespace setup::platform
