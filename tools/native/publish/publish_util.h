// Building blocks of talvore-publish: files, hashes, encodings, keys, manifest reading and the
// path rules the launcher applies to manifest entries.
#pragma once

#include <sodium.h>

#include <cstdint>
#include <string>
#include <vector>

namespace publish {

struct Failure {
  std::string message;
};

// Whole-file read; false with *error set when the file cannot be read.
bool ReadFile(const std::string& path, std::string* bytes, std::string* error);
// Writes beside the target and renames over it, so a reader sees the old or the new file.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error);

std::string HexEncode(const unsigned char* data, size_t size);
bool HexDecode(const std::string& text, std::vector<unsigned char>* out);
std::string Base64Encode(const unsigned char* data, size_t size);
// The launcher's reading of signature files: line feeds, carriage returns, spaces and "="
// are ignored anywhere.
bool Base64Decode(const std::string& text, std::vector<unsigned char>* out);

// Progress on stderr while hashing: at most a few lines a second.
class ProgressLine {
 public:
  ProgressLine(const char* verb, uint64_t totalFiles, uint64_t totalBytes);
  ~ProgressLine();
  void AddBytes(uint64_t n);
  void FileDone();

 private:
  void Print(bool force);
  const char* verb_;
  uint64_t totalFiles_, totalBytes_, files_ = 0, bytes_ = 0;
  double lastPrint_ = 0;
  bool tty_;
  bool printed_ = false;
};

// SHA-256 of a file; when copyTo is not empty the bytes are also written there (through a
// temporary name renamed at the end). size receives the byte count.
bool HashFile(const std::string& path, const std::string& copyTo, unsigned char digest[32],
              uint64_t* size, ProgressLine* progress, std::string* error);

struct SecretKey {
  unsigned char sk[crypto_sign_SECRETKEYBYTES];
  unsigned char pk[crypto_sign_PUBLICKEYBYTES];
};
// Key file: one line of 128 hex digits (seed then public key, libsodium's secret key).
bool LoadSecretKey(const std::string& path, SecretKey* key, std::string* error);
// A 64-hex public key, or a key file (secret or public) holding one.
bool LoadPublicKey(const std::string& textOrPath, unsigned char pk[32], std::string* error);

// The detached signature of bytes as signature-file text (base64 and a newline).
std::string SignatureFileText(const std::string& bytes, const SecretKey& key);

// Why the launcher would refuse this entry path ("/" separated UTF-8), or empty when fine.
std::string PathProblem(const std::string& path);

struct ManifestEntry {
  std::string path;  // as written in the document
  int64_t size = -1;
  unsigned char sha256[32];
};

// The launcher's rules for a content manifest, plus its path rules. On false, *error says
// why; entries before the faulty one are kept.
bool ParseContentManifest(const std::string& bytes, int64_t* version,
                          std::vector<ManifestEntry>* entries, std::string* error);

struct LauncherManifest {
  int64_t version = -1;
  std::string url;
  unsigned char sha256[32];
};
bool ParseLauncherManifest(const std::string& bytes, LauncherManifest* out, std::string* error);

// Reads "version" of an existing manifest document; -1 when none can be read.
int64_t ReadVersion(const std::string& bytes);

// Versions as the launcher reads them: a JSON number truncated toward zero; values of 2^63 and
// beyond read as the smallest 64-bit value.
int64_t TruncateVersion(double v);

std::string JsonEscape(const std::string& text);

}  // namespace publish
