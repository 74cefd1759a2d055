#include "platform/win32/crypto_hash.h"

namespace setup::platform::win32 {

CryptoHash::CryptoHash(DWORD providerType, ALG_ID algorithm) {
  if (!CryptAcquireContextW(&provider_, nullptr, nullptr, providerType, CRYPT_VERIFYCONTEXT)) {
    provider_ = 0;
    return;
  }
  if (!CryptCreateHash(provider_, algorithm, 0, 0, &hash_)) hash_ = 0;
}

CryptoHash::~CryptoHash() {
  if (hash_ != 0) CryptDestroyHash(hash_);
  if (provider_ != 0) CryptReleaseContext(provider_, 0);
}

bool CryptoHash::Update(const void* data, size_t count) {
  if (hash_ == 0) return false;
  const auto* bytes = static_cast<const BYTE*>(data);
  // CryptHashData takes a 32-bit length.
  while (count > 0) {
    const DWORD piece = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    if (!CryptHashData(hash_, bytes, piece, 0)) return false;
    bytes += piece;
    count -= piece;
  }
  return true;
}

bool CryptoHash::Final(BYTE* digest, DWORD size) {
  if (hash_ == 0) return false;
  DWORD length = size;
  const bool ok = CryptGetHashParam(hash_, HP_HASHVAL, digest, &length, 0) && length == size;
  CryptDestroyHash(hash_);
  hash_ = 0;
  return ok;
}

}  // namespace setup::platform::win32
