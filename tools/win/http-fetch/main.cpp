// http-fetch file URL DEST     HttpDownloadToFile; prints status, bytes, time, memory growth
// http-fetch memory URL        HttpDownloadToMemory; prints status, bytes and SHA-256
// http-fetch tree BASEURL DIR  fetches a published tree the way the launcher does: manifests
//                              and signatures into memory (checked against the built-in key),
//                              every listed file into DIR (hash-checked). Exit 1 on a problem.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/http_client.h"
#include "core/integrity.h"
#include "updater/manifest.h"

namespace {

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return "";
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

struct Memory {
  unsigned long long workingSet, peakWorkingSet, privateBytes, peakPrivate;
};
Memory MemoryNow() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof(c);
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof(c));
  return {c.WorkingSetSize, c.PeakWorkingSetSize, c.PagefileUsage, c.PeakPagefileUsage};
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

void PrintResult(const HttpResult& r) {
  std::printf("ok=%d status=%lu error=%s\n", r.ok ? 1 : 0, static_cast<unsigned long>(r.status),
              r.error.c_str());
}

int CmdFile(const std::wstring& url, const std::wstring& dest) {
  const Memory before = MemoryNow();
  LARGE_INTEGER t0, t1;
  QueryPerformanceCounter(&t0);
  unsigned long long received = 0, calls = 0;
  const HttpResult r = HttpDownloadToFile(url, dest, [&](uint64_t got, uint64_t) {
    received = got;
    ++calls;
  });
  QueryPerformanceCounter(&t1);
  const Memory after = MemoryNow();
  PrintResult(r);
  const double s = Seconds(t0, t1);
  std::printf("bytes=%llu seconds=%.3f mib_per_s=%.1f progress_calls=%llu\n", received, s,
              s > 0 ? static_cast<double>(received) / s / 1048576.0 : 0.0, calls);
  std::printf("working_set_before=%llu peak_working_set=%llu peak_growth=%llu\n",
              before.workingSet, after.peakWorkingSet,
              after.peakWorkingSet > before.workingSet ? after.peakWorkingSet - before.workingSet : 0);
  std::printf("private_before=%llu peak_private=%llu peak_private_growth=%llu\n",
              before.privateBytes, after.peakPrivate,
              after.peakPrivate > before.privateBytes ? after.peakPrivate - before.privateBytes : 0);
  return r.ok ? 0 : 1;
}

int CmdMemory(const std::wstring& url) {
  std::string body;
  const HttpResult r = HttpDownloadToMemory(url, body);
  PrintResult(r);
  std::printf("bytes=%zu\n", body.size());
  return r.ok ? 0 : 1;
}

// Fetches NAME.json and NAME.sig and checks the signature; false when it fails.
bool FetchSigned(const std::wstring& base, const std::wstring& name, bool optional,
                 std::string* doc, int* problems) {
  std::string sig;
  const HttpResult j = HttpDownloadToMemory(base + L"/" + name + L".json", *doc);
  if (!j.ok && optional && j.status == 404) return false;
  const HttpResult s = HttpDownloadToMemory(base + L"/" + name + L".sig", sig);
  if (!j.ok || !s.ok) {
    std::printf("PROBLEM %s: %s%s\n", Narrow(name).c_str(), j.error.c_str(), s.error.c_str());
    ++*problems;
    return false;
  }
  std::vector<uint8_t> raw;
  if (!Base64Decode(sig, raw) || raw.size() != kSignatureSize ||
      !VerifySignature(reinterpret_cast<const uint8_t*>(doc->data()), doc->size(), raw.data(),
                       kSigningPublicKey)) {
    std::printf("PROBLEM %s: signature\n", Narrow(name).c_str());
    ++*problems;
    return false;
  }
  return true;
}

int CmdTree(const std::wstring& base, const std::wstring& dir) {
  if (!InitCrypto()) return 2;
  int problems = 0;
  size_t files = 0;
  for (const wchar_t* name : {L"manifest", L"manifest_hd"}) {
    std::string doc;
    if (!FetchSigned(base, name, name[8] != 0, &doc, &problems)) continue;
    int64_t version = -1;
    std::vector<updater::ManifestEntry> entries;
    std::wstring message;
    if (!updater::ParseManifest(doc, version, entries, message)) {
      std::printf("PROBLEM %s: %s\n", Narrow(name).c_str(), Narrow(message).c_str());
      ++problems;
      continue;
    }
    std::printf("%s version=%lld entries=%zu\n", Narrow(name).c_str(),
                static_cast<long long>(version), entries.size());
    for (const updater::ManifestEntry& e : entries) {
      std::wstring rel = e.path;
      std::replace(rel.begin(), rel.end(), L'\\', L'/');
      // Flat local names: the check is about the bytes, not the folder layout.
      const std::wstring dest = dir + L"\\file" + std::to_wstring(files++) + L".bin";
      const HttpResult r = HttpDownloadToFile(base + L"/files/" + rel, dest);
      uint8_t digest[kSha256Size];
      if (!r.ok) {
        std::printf("PROBLEM %s: %s\n", Narrow(e.path).c_str(), r.error.c_str());
        ++problems;
      } else if (!Sha256File(dest, digest) ||
                 !std::equal(e.sha256.begin(), e.sha256.end(), digest)) {
        std::printf("PROBLEM %s: hash\n", Narrow(e.path).c_str());
        ++problems;
      }
      DeleteFileW(dest.c_str());
    }
  }
  std::string doc;
  if (FetchSigned(base, L"launcher_manifest", true, &doc, &problems)) {
    updater::LauncherManifest m;
    if (!updater::ParseLauncherManifest(doc, m)) {
      std::printf("PROBLEM launcher_manifest: rejected\n");
      ++problems;
    } else {
      const std::wstring dest = dir + L"\\launcher.bin";
      const HttpResult r = HttpDownloadToFile(m.url, dest);
      uint8_t digest[kSha256Size];
      if (!r.ok || !Sha256File(dest, digest) ||
          !std::equal(m.sha256.begin(), m.sha256.end(), digest)) {
        std::printf("PROBLEM launcher build: %s\n", r.ok ? "hash" : r.error.c_str());
        ++problems;
      }
      std::printf("launcher_manifest version=%lld\n", static_cast<long long>(m.version));
      DeleteFileW(dest.c_str());
    }
  }
  std::printf("files=%zu problems=%d\n", files, problems);
  return problems == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring cmd = argc > 1 ? argv[1] : L"";
  if (cmd == L"file" && argc == 4) return CmdFile(argv[2], argv[3]);
  if (cmd == L"memory" && argc == 3) return CmdMemory(argv[2]);
  if (cmd == L"tree" && argc == 4) return CmdTree(argv[2], argv[3]);
  std::fprintf(stderr, "usage: http-fetch file URL DEST | memory URL | tree BASEURL DIR\n");
  return 2;
}
