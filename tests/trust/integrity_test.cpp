#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/integrity.h"
#include "tests/support/test_support.h"

using testing_support::FreshDir;
using testing_support::WriteBytes;

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out(text.size() / 2);
  EXPECT_TRUE(HexDecode(text, out.data(), out.size())) << text;
  return out;
}

std::string HashHex(const std::wstring& path) {
  uint8_t digest[kSha256Size];
  if (!Sha256File(path, digest)) return "failed";
  return HexEncode(digest, sizeof digest);
}

}  // namespace

TEST(HexDecode, Cases) {
  const std::string mixed = "00FfA5a5" "0123456789abcdefABCDEF" "0000000000000000000000000000000000";
  ASSERT_EQ(mixed.size(), 64u);
  uint8_t out[32] = {};
  ASSERT_TRUE(HexDecode(mixed, out, 32));
  EXPECT_EQ(out[0], 0x00);
  EXPECT_EQ(out[1], 0xFF);
  EXPECT_EQ(out[2], 0xA5);
  EXPECT_EQ(out[3], 0xA5);
  EXPECT_EQ(out[4], 0x01);  // high nibble first
  EXPECT_EQ(HexEncode(out, 4), "00ffa5a5");

  struct Case {
    std::string text;
    size_t n;
    bool ok;
  } cases[] = {
      {mixed.substr(0, 63), 32, false},
      {mixed + "0", 32, false},
      {"g" + mixed.substr(1), 32, false},
      {mixed.substr(0, 63) + "g", 32, false},
      {std::string("0\0", 2), 1, false},
      {"-1", 1, false},
      {"", 0, true},
      {"", 32, false},
  };
  for (const Case& c : cases) {
    uint8_t buf[33];
    EXPECT_EQ(HexDecode(c.text, buf, c.n), c.ok) << c.text;
  }
}

TEST(Base64Decode, Cases) {
  std::vector<uint8_t> sig(64);
  for (size_t i = 0; i < sig.size(); ++i) sig[i] = static_cast<uint8_t>(i * 37 + 250);
  // 88-character padded encoding of the 64 bytes above (made with base64(1)).
  const std::string padded =
      "+h9EaY6z2P0iR2yRttsAJUpvlLneAyhNcpe84QYrUHWav+QJLlN4ncLnDDFWe6DF6g80WX6jyO0S"
      "N1yBpsvwFQ==";
  ASSERT_EQ(padded.size(), 88u);
  std::vector<uint8_t> out;
  ASSERT_TRUE(Base64Decode(padded + "\r\n", out));
  EXPECT_EQ(out, sig);
  ASSERT_TRUE(Base64Decode(padded.substr(0, 30) + "\n" + padded.substr(30, 30) + "\r\n " +
                               padded.substr(60),
                           out));
  EXPECT_EQ(out, sig);

  struct Case {
    std::string text;
    bool ok;
    std::string bytes;
  } cases[] = {
      {"", true, ""},
      {"==\r\n", true, ""},
      {"QQ", true, "A"},
      {"QR==", true, "A"},  // spare low bits need not be zero
      {"QUI", true, "AB"},
      {"QUJD", true, "ABC"},
      {"Q=U=J=D", true, "ABC"},
      {"QUJDR", false, ""},   // filtered length 5
      {"QU\tJD", false, ""},  // a tab is not ignored
      {"QU-D", false, ""},    // URL-safe alphabet is refused
      {"QU_D", false, ""},
      {std::string("QU\0D", 4), false, ""},
  };
  for (const Case& c : cases) {
    out.assign(3, 0xEE);  // cleared first
    EXPECT_EQ(Base64Decode(c.text, out), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(std::string(out.begin(), out.end()), c.bytes) << c.text;
    }
  }
  std::string dashed = padded;
  dashed[0] = '-';
  EXPECT_FALSE(Base64Decode(dashed, out));
}

TEST(Sha256File, KnownDigests) {
  const std::wstring dir = FreshDir(L"sha");
  ASSERT_TRUE(WriteBytes(dir + L"\\empty", ""));
  ASSERT_TRUE(WriteBytes(dir + L"\\abc", "abc"));
  ASSERT_TRUE(WriteBytes(dir + L"\\million", std::string(1000000, 'a')));  // spans 16 chunks
  ASSERT_TRUE(WriteBytes(dir + L"\\crlf", "a\r\nb\n"));  // no newline translation
  EXPECT_EQ(HashHex(dir + L"\\empty"),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(HashHex(dir + L"\\abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(HashHex(dir + L"\\million"),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(HashHex(dir + L"\\crlf"),
            "953bba9ac9726eaea07e844abcf144a0afe998039257c7a88b6665819597f39d");
  EXPECT_EQ(HashHex(dir + L"\\missing"), "failed");
  EXPECT_EQ(HashHex(dir), "failed");  // a folder is not a file
}

TEST(VerifySignature, Rfc8032Vectors) {
  ASSERT_TRUE(InitCrypto());
  ASSERT_TRUE(InitCrypto());  // cheap to call again
  struct Case {
    std::string key, message, signature;
  } cases[] = {
      {"d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
       "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39"
       "701cf9b46bd25bf5f0595bbe24655141438e7a100b"},
      {"3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
       "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f36"
       "13d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
      {"fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
       "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f7"
       "60984dc6594a7c15e9716ed28dc027beceea1ec40a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const std::vector<uint8_t> key = Hex(c.key);
    std::vector<uint8_t> message = Hex(c.message);
    std::vector<uint8_t> sig = Hex(c.signature);
    EXPECT_TRUE(VerifySignature(message.data(), message.size(), sig.data(), key.data()));

    std::vector<uint8_t> badSig = sig;
    badSig[10] ^= 1;
    EXPECT_FALSE(VerifySignature(message.data(), message.size(), badSig.data(), key.data()));
    std::vector<uint8_t> longer = message;
    longer.push_back(0);
    EXPECT_FALSE(VerifySignature(longer.data(), longer.size(), sig.data(), key.data()));
    EXPECT_FALSE(VerifySignature(message.data(), message.size(), sig.data(), kSigningPublicKey));
  }
}
