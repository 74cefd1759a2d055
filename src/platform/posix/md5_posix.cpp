#include <openssl/evp.h>

#include <atomic>

#include "platform/md5.h"
#include "platform/posix/posix_controls.h"

namespace setup::platform {

namespace {
std::atomic<bool> failDigests{false};
}  // namespace

void posix::FailMd5Digests(bool fail) { failDigests = fail; }

struct Md5::State {
  EVP_MD_CTX* context = nullptr;
};

Md5::Md5() : state_(new State) {
  if (failDigests) return;
  state_->context = EVP_MD_CTX_new();
  if (state_->context != nullptr && EVP_DigestInit_ex(state_->context, EVP_md5(), nullptr) != 1) {
    EVP_MD_CTX_free(state_->context);
    state_->context = nullptr;
  }
}

Md5::~Md5() {
  if (state_->context != nullptr) EVP_MD_CTX_free(state_->context);
  delete state_;
}

bool Md5::Ready() const { return state_->context != nullptr; }

bool Md5::Update(const void* data, size_t count) {
  return state_->context != nullptr && EVP_DigestUpdate(state_->context, data, count) == 1;
}

bool Md5::Final(Md5Digest& digest) {
  if (state_->context == nullptr) return false;
  unsigned int length = 0;
  const bool ok = EVP_DigestFinal_ex(state_->context, digest.data(), &length) == 1 && length == 16;
  EVP_MD_CTX_free(state_->context);
  state_->context = nullptr;
  return ok;
}

}  // namespace setup::platform
