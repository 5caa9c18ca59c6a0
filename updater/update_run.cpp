#include "updater/update_run.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/http_client.h"
#include "core/integrity.h"
#include "core/names.h"
#include "updater/manifest.h"
#include "updater/state_file.h"

namespace updater {
namespace {

// The client's error texts are ASCII; one byte per character.
std::wstring WidenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

Result Fail(std::wstring message) {
  Result result;
  result.message = std::move(message);
  return result;
}

bool IsRegularFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool HashMatches(const std::wstring& path, const std::array<uint8_t, 32>& expected) {
  uint8_t digest[kSha256Size];
  return Sha256File(path, digest) && std::equal(expected.begin(), expected.end(), digest);
}

std::wstring FileUrl(const std::wstring& baseUrl, std::wstring path) {
  std::replace(path.begin(), path.end(), L'\\', L'/');
  return baseUrl + names::kFilesPath + path;
}

}  // namespace

Result RunManifest(const std::wstring& baseUrl, const std::wstring& appDir,
                   const wchar_t* manifestName, const wchar_t* stateFileName,
                   const PathFilter& filter, const ProgressCallback& progress) {
  Progress record;
  auto report = [&](int32_t phase, std::wstring text) {
    record.phase = phase;
    record.text = std::move(text);
    if (progress) progress(record);
  };
  const std::wstring name(manifestName);

  report(0, L"Verificando atualizacoes...");

  std::string manifestBody;
  HttpResult http =
      HttpDownloadToMemory(baseUrl + L"/" + name + names::kJsonExtension, manifestBody);
  if (!http.ok) {
    return Fail(L"nao foi possivel baixar " + name + names::kJsonExtension + L": " +
                WidenAscii(http.error));
  }
  std::string signatureBody;
  http = HttpDownloadToMemory(baseUrl + L"/" + name + names::kSigExtension, signatureBody);
  if (!http.ok) {
    return Fail(L"nao foi possivel baixar " + name + names::kSigExtension + L": " +
                WidenAscii(http.error));
  }

  report(1, L"Verificando assinatura...");

  std::vector<uint8_t> signature;
  if (!Base64Decode(signatureBody, signature) || signature.size() != kSignatureSize)
    return Fail(L"manifest.sig invalido (formato)");
  if (!VerifySignature(reinterpret_cast<const uint8_t*>(manifestBody.data()),
                       manifestBody.size(), signature.data(), kSigningPublicKey))
    return Fail(L"ASSINATURA INVALIDA - atualizacao rejeitada por seguranca");

  int64_t version = -1;
  std::vector<ManifestEntry> entries;
  std::wstring parseMessage;
  if (!ParseManifest(manifestBody, version, entries, parseMessage))
    return Fail(std::move(parseMessage));
  // The bodies are not needed any more; a large manifest should not stay resident for the
  // whole file loop.
  std::string().swap(manifestBody);

  const int64_t applied = ReadAppliedVersion(appDir, stateFileName);
  if (applied >= 0 && version < applied)
    return Fail(
        L"o servidor apresentou uma versao mais antiga do que a ja aplicada - atualizacao "
        L"rejeitada por seguranca");

  report(2, L"Conferindo arquivos locais...");

  if (filter) {
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const ManifestEntry& e) { return !filter(e.path); }),
                  entries.end());
  }

  record.fileCount = static_cast<int32_t>(entries.size());
  const HttpProgress adapter = [&](uint64_t received, uint64_t total) {
    record.bytesReceived = received;
    record.bytesTotal = total;
    if (progress) progress(record);
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    const ManifestEntry& entry = entries[i];
    record.fileIndex = static_cast<int32_t>(i + 1);
    const std::wstring localPath = appDir + L"\\" + entry.path;
    if (IsRegularFile(localPath) && HashMatches(localPath, entry.sha256)) continue;

    report(3, L"Baixando: " + entry.path);
    CreateParentDirectories(localPath);

    const std::wstring tempPath = localPath + names::kTempSuffix;
    const std::wstring url = FileUrl(baseUrl, entry.path);
    bool verified = false;
    for (int attempt = 0; attempt < 3 && !verified; ++attempt) {
      if (!HttpDownloadToFile(url, tempPath, adapter).ok) continue;
      verified = HashMatches(tempPath, entry.sha256);
      if (!verified) DeleteFileW(tempPath.c_str());
    }
    if (!verified) return Fail(L"falha ao baixar/verificar: " + entry.path);

    DeleteFileW(localPath.c_str());
    if (!MoveFileExW(tempPath.c_str(), localPath.c_str(), MOVEFILE_REPLACE_EXISTING))
      return Fail(L"falha ao aplicar arquivo baixado: " + entry.path);
  }

  WriteAppliedVersion(appDir, stateFileName, version);
  report(4, L"Atualizado.");
  return Result{true, L""};
}

}  // namespace updater

void CreateParentDirectories(const std::wstring& filePath) {
  const size_t last = filePath.rfind(L'\\');
  if (last == std::wstring::npos) return;
  const std::wstring dir = filePath.substr(0, last);
  auto create = [](const std::wstring& prefix) {
    if (!prefix.empty() && prefix.back() != L':') CreateDirectoryW(prefix.c_str(), nullptr);
  };
  for (size_t pos = dir.find(L'\\'); pos != std::wstring::npos; pos = dir.find(L'\\', pos + 1))
    create(dir.substr(0, pos));
  create(dir);
}
