// SHA-256 through the platform service (the CryptoAPI on Windows, libcrypto natively)
// against the examples of FIPS 180-2 (appendix B), whole and fed in pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/sha256.h"

namespace setup::test {
namespace {

std::string Sha256Of(const std::string& text, size_t piece) {
  platform::Sha256 sha;
  EXPECT_TRUE(sha.Ready());
  for (size_t at = 0; at < text.size(); at += piece) {
    EXPECT_TRUE(sha.Update(text.data() + at, std::min(piece, text.size() - at)));
  }
  platform::Sha256Digest digest{};
  EXPECT_TRUE(sha.Final(digest));
  return platform::DigestHex(digest);
}

TEST(Sha256Test, Fips180Examples) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(Sha256Of(input, 4096), expected) << input.size() << " bytes";
    EXPECT_EQ(Sha256Of(input, 7), expected) << input.size() << " bytes in pieces";
  }
}

}  // namespace
}  // namespace setup::test
