// MD5 through the platform service (the CryptoAPI on Windows, libcrypto natively)
// against the test suite of RFC 1321, appendix A.5, whole and fed in pieces.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/md5.h"

namespace setup::test {
namespace {

std::string Hex(const platform::Md5Digest& digest) {
  std::string text;
  char pair[3];
  for (uint8_t b : digest) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    text += pair;
  }
  return text;
}

std::string Md5Of(const std::string& text, size_t piece) {
  platform::Md5 md5;
  EXPECT_TRUE(md5.Ready());
  for (size_t at = 0; at < text.size(); at += piece) {
    EXPECT_TRUE(md5.Update(text.data() + at, std::min(piece, text.size() - at)));
  }
  platform::Md5Digest digest{};
  EXPECT_TRUE(md5.Final(digest));
  return Hex(digest);
}

TEST(Md5Test, Rfc1321TestSuite) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(Md5Of(input, 1000), expected) << input;
    EXPECT_EQ(Md5Of(input, 7), expected) << input << " in pieces";
  }
}

}  // namespace
}  // namespace setup::test
