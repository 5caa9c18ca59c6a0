#include "tests/engine/engine_support.h"

#include <windows.h>

#include <sodium.h>

#include <algorithm>
#include <sstream>

#include "core/integrity.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace engine_test {
namespace {

std::vector<uint8_t> DemoSecretKey() {
  std::string hex = ReadBytesOr(SourceDir() + L"\\demo\\keys\\demo-signing.secret");
  hex.erase(std::remove_if(hex.begin(), hex.end(), [](char c) { return c == '\n' || c == '\r' || c == ' '; }),
            hex.end());
  std::vector<uint8_t> key(crypto_sign_SECRETKEYBYTES);
  if (!HexDecode(hex, key.data(), key.size())) key.clear();
  return key;
}

std::string JsonEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string Sha256Hex(const std::string& bytes) {
  uint8_t digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return HexEncode(digest, sizeof digest);
}

std::string SignBase64(const std::string& message) {
  static const std::vector<uint8_t> key = DemoSecretKey();
  if (key.empty() || sodium_init() < 0) return "no-demo-key";
  uint8_t sig[crypto_sign_BYTES];
  crypto_sign_detached(sig, nullptr, reinterpret_cast<const uint8_t*>(message.data()),
                       message.size(), key.data());
  char text[sodium_base64_ENCODED_LEN(crypto_sign_BYTES, sodium_base64_VARIANT_ORIGINAL)];
  sodium_bin2base64(text, sizeof text, sig, sizeof sig, sodium_base64_VARIANT_ORIGINAL);
  return text;
}

Site::Site(const std::wstring& name) : name_(Narrow(name)) {
  dir_ = ServerWwwDir() + L"\\engine\\" + name;
  RemoveTree(dir_);
  CreateDirs(dir_ + L"\\files");
  baseUrl_ = BaseUrlOn(HttpRoot());
}

std::string Site::uriPrefix() const { return "/engine/" + name_; }

std::wstring Site::BaseUrlOn(const std::wstring& root) const {
  return root + Widen(uriPrefix());
}

std::string Site::ManifestJson(int64_t version, const std::vector<SiteFile>& files) {
  std::ostringstream json;
  json << "{\n  \"version\": " << version << ",\n  \"files\": [";
  for (size_t i = 0; i < files.size(); ++i) {
    json << (i ? ",\n" : "\n") << "    {\"path\": \"" << JsonEscape(files[i].jsonPath)
         << "\", \"size\": " << files[i].content.size() << ", \"sha256\": \""
         << Sha256Hex(files[i].content) << "\"}";
  }
  json << (files.empty() ? "]\n}\n" : "\n  ]\n}\n");
  return json.str();
}

std::string Site::Publish(int64_t version, const std::vector<SiteFile>& files,
                          const std::wstring& manifestName) {
  for (const SiteFile& f : files) {
    std::wstring rel = Widen(f.jsonPath);
    std::replace(rel.begin(), rel.end(), L'/', L'\\');
    const std::wstring path = dir_ + L"\\files\\" + rel;
    CreateDirs(path.substr(0, path.rfind(L'\\')));
    WriteBytes(path, f.content);
  }
  const std::string manifest = ManifestJson(version, files);
  WriteDocument(manifestName + L".json", manifest);
  WriteDocument(manifestName + L".sig", SignBase64(manifest) + "\n");
  return manifest;
}

void Site::WriteDocument(const std::wstring& fileName, const std::string& bytes) {
  WriteBytes(dir_ + L"\\" + fileName, bytes);
}

void Site::RemoveDocument(const std::wstring& fileName) {
  DeleteFileW((dir_ + L"\\" + fileName).c_str());
}

GameFolder::GameFolder(const std::wstring& name) {
  root_ = FreshDir(name);
  game_ = root_ + L"\\game";
  CreateDirs(game_);
  WriteBytes(root_ + L"\\canary.txt", "canary");
}

void GameFolder::Write(const std::wstring& rel, const std::string& bytes) const {
  const std::wstring path = *this / rel;
  CreateDirs(path.substr(0, path.rfind(L'\\')));
  WriteBytes(path, bytes);
}

std::string GameFolder::Read(const std::wstring& rel) const {
  return ReadBytesOr(*this / rel, "<missing>");
}

std::map<std::wstring, std::string> GameFolder::Snapshot() const {
  std::map<std::wstring, std::string> snapshot;
  for (const std::wstring& rel : ListFilesRecursive(game_)) snapshot[rel] = Read(rel);
  return snapshot;
}

bool GameFolder::OutsideUntouched() const {
  std::vector<std::wstring> outside;
  for (const std::wstring& rel : ListFilesRecursive(root_))
    if (rel.rfind(L"game\\", 0) != 0) outside.push_back(rel);
  return outside == std::vector<std::wstring>{L"canary.txt"} &&
         ReadBytesOr(root_ + L"\\canary.txt") == "canary";
}

std::string GameFolder::State(const wchar_t* fileName) const {
  return ReadBytesOr(game_ + L"\\" + fileName, "<missing>");
}

void GameFolder::WriteState(const std::string& bytes, const wchar_t* fileName) const {
  WriteBytes(game_ + L"\\" + fileName, bytes);
}

void GameFolder::SetGraphicsFlag(const wchar_t* key, int value) const {
  WritePrivateProfileStringW(L"Graficos", key, std::to_wstring(value).c_str(),
                             (game_ + L"\\talvore_graficos.ini").c_str());
}

std::string StateBytes(int64_t version) {
  return "{\n  \"applied_version\": " + std::to_string(version) + "\n}\n";
}

updater::ProgressCallback Recorder::Callback() {
  return [this](const updater::Progress& p) { reports.push_back(p); };
}

std::vector<updater::Progress> Recorder::Openings() const {
  std::vector<updater::Progress> out;
  for (size_t i = 0; i < reports.size(); ++i) {
    const updater::Progress& p = reports[i];
    if (p.phase != 3) continue;
    if (i > 0 && reports[i - 1].phase == 3 && reports[i - 1].fileIndex == p.fileIndex) continue;
    out.push_back(p);
  }
  return out;
}

std::string Recorder::Sequence() const {
  std::string out;
  for (size_t i = 0; i < reports.size(); ++i) {
    const updater::Progress& p = reports[i];
    if (p.phase == 3 && i > 0 && reports[i - 1].phase == 3 &&
        reports[i - 1].fileIndex == p.fileIndex)
      continue;
    if (!out.empty()) out += ' ';
    out += std::to_string(p.phase);
    if (p.phase == 3) out += ":" + std::to_string(p.fileIndex);
  }
  return out;
}

std::vector<std::string> RequestsSince(long long offset, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& line : LogLinesSince(offset)) {
    // "addr:port METHOD URI STATUS BYTES "agent""
    std::istringstream fields(line);
    std::string addr, method, uri;
    fields >> addr >> method >> uri;
    if (uri.rfind(prefix, 0) == 0) out.push_back(uri.substr(prefix.size()));
  }
  return out;
}

}  // namespace engine_test
