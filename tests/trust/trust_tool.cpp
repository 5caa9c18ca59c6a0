// Runs integrity checks named on the command line and prints one line per check, so a
// native script can compare them with independent tools (sha256sum, openssl):
//   hash PATH                   -> lower-case hex digest, or "failed"
//   verify KEYHEX|builtin MSG SIG -> "ok" or "fail" (SIG holds base64 text)
//   peak                        -> peak working set in MiB
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/integrity.h"
#include "core/text.h"
#include "updater/state_file.h"

namespace {

std::wstring Path(const char* arg) { return Utf8ToWide(arg); }

bool Verify(const char* keyArg, const char* msgPath, const char* sigPath) {
  uint8_t key[kPublicKeySize];
  if (std::strcmp(keyArg, "builtin") == 0) {
    std::memcpy(key, kSigningPublicKey, sizeof key);
  } else if (!HexDecode(keyArg, key, sizeof key)) {
    return false;
  }
  const std::string message = updater::ReadWholeFile(Path(msgPath));
  std::vector<uint8_t> sig;
  if (!Base64Decode(updater::ReadWholeFile(Path(sigPath)), sig) || sig.size() != kSignatureSize)
    return false;
  return VerifySignature(reinterpret_cast<const uint8_t*>(message.data()), message.size(),
                         sig.data(), key);
}

}  // namespace

int main(int argc, char** argv) {
  if (!InitCrypto()) return 3;
  for (int i = 1; i < argc; ++i) {
    const std::string op = argv[i];
    if (op == "hash" && i + 1 < argc) {
      uint8_t digest[kSha256Size];
      const bool ok = Sha256File(Path(argv[++i]), digest);
      std::printf("%s\n", ok ? HexEncode(digest, sizeof digest).c_str() : "failed");
    } else if (op == "verify" && i + 3 < argc) {
      std::printf("%s\n", Verify(argv[i + 1], argv[i + 2], argv[i + 3]) ? "ok" : "fail");
      i += 3;
    } else if (op == "peak") {
      PROCESS_MEMORY_COUNTERS pmc{};
      pmc.cb = sizeof pmc;
      GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
      std::printf("%u\n", static_cast<unsigned>(pmc.PeakWorkingSetSize >> 20));
    } else {
      std::fprintf(stderr, "bad argument: %s\n", argv[i]);
      return 2;
    }
  }
  return 0;
}
