// Integrity primitives: SHA-256 of files, hex and base64 decoding, Ed25519 verification.
// Every function reports failure only through its result; none throws for bad input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "deployment.h"

// The Ed25519 public key manifests must be signed with (32 bytes, from the build settings).
using deployment::kSigningPublicKey;

inline constexpr size_t kSha256Size = 32;
inline constexpr size_t kSignatureSize = 64;
inline constexpr size_t kPublicKeySize = 32;

// Initialises libsodium; true also when it was already initialised. Call before
// VerifySignature.
bool InitCrypto();

// Detached Ed25519 verification (no pre-hashing) of the 64-byte signature over the message
// under the 32-byte public key.
bool VerifySignature(const uint8_t* message, uint64_t length, const uint8_t* signature,
                     const uint8_t* publicKey);

// SHA-256 of the whole file, streamed in 64 KiB chunks; false when the file cannot be opened
// or hashing fails (digest then undefined).
bool Sha256File(const std::wstring& path, uint8_t digest[kSha256Size]);

// Decodes exactly 2*n hexadecimal digits (either case, high nibble first) into n bytes.
bool HexDecode(const std::string& text, uint8_t* out, size_t n);

// Lower-case hexadecimal text of the bytes.
std::string HexEncode(const uint8_t* data, size_t n);

// Decodes signature-file text (standard alphabet; line feeds, carriage returns, spaces and
// "=" anywhere are ignored). The output is cleared first.
bool Base64Decode(const std::string& text, std::vector<uint8_t>& out);
