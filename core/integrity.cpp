#include "core/integrity.h"

#include <windows.h>
#include <bcrypt.h>
#include <sodium.h>

#include <cstdio>
#include <memory>

#include "core/handles.h"

bool InitCrypto() { return sodium_init() >= 0; }  // 1 means already initialised

bool VerifySignature(const uint8_t* message, uint64_t length, const uint8_t* signature,
                     const uint8_t* publicKey) {
  return crypto_sign_verify_detached(signature, message, length, publicKey) == 0;
}

bool Sha256File(const std::wstring& path, uint8_t digest[kSha256Size]) {
  handles::UniqueStdio file(_wfopen(path.c_str(), L"rb"));
  if (!file) return false;
  handles::UniqueBcryptAlg alg;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(alg.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return false;
  handles::UniqueBcryptHash hash;
  if (!BCRYPT_SUCCESS(BCryptCreateHash(alg.get(), hash.put(), nullptr, 0, nullptr, 0, 0)))
    return false;

  constexpr size_t kChunk = 65536;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
  for (;;) {
    const size_t got = std::fread(buffer.get(), 1, kChunk, file.get());
    if (got == 0) break;  // end of file or a read error
    if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), buffer.get(), static_cast<ULONG>(got), 0)))
      return false;
  }
  return BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest, kSha256Size, 0));
}

namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

bool HexDecode(const std::string& text, uint8_t* out, size_t n) {
  if (text.size() != 2 * n) return false;
  for (size_t i = 0; i < n; ++i) {
    const int hi = HexValue(text[2 * i]);
    const int lo = HexValue(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return true;
}

std::string HexEncode(const uint8_t* data, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
  }
  return out;
}

bool Base64Decode(const std::string& text, std::vector<uint8_t>& out) {
  out.clear();
  std::string chars;
  chars.reserve(text.size());
  for (char c : text) {
    if (c != '\n' && c != '\r' && c != ' ' && c != '=') chars += c;
  }
  if (chars.size() % 4 == 1) return false;
  out.reserve(chars.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int count = 0;
  for (char c : chars) {
    const int v = Base64Value(c);
    if (v < 0) {
      out.clear();
      return false;
    }
    bits = bits << 6 | static_cast<uint32_t>(v);
    if (++count == 4) {
      out.push_back(static_cast<uint8_t>(bits >> 16));
      out.push_back(static_cast<uint8_t>(bits >> 8));
      out.push_back(static_cast<uint8_t>(bits));
      bits = 0;
      count = 0;
    }
  }
  // A final group of 2 or 3 characters; its spare low bits need not be zero.
  if (count == 2) {
    out.push_back(static_cast<uint8_t>(bits >> 4));
  } else if (count == 3) {
    out.push_back(static_cast<uint8_t>(bits >> 10));
    out.push_back(static_cast<uint8_t>(bits >> 2));
  }
  return true;
}
