// Fixtures for the content update engine: signed trees published below the servers' document
// root, game folders with a canary beside them, recorded progress and the request log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "updater/records.h"

namespace engine_test {

struct SiteFile {
  std::string jsonPath;  // as written in the manifest (either separator)
  std::string content;   // served bytes; also what the manifest's hash is taken of
};

std::string Sha256Hex(const std::string& bytes);
// Detached Ed25519 signature with the demo key, as the 88-character base64 text.
std::string SignBase64(const std::string& message);

// A published tree below ServerWwwDir()\engine\<name>; base URL on the nginx test server.
class Site {
 public:
  explicit Site(const std::wstring& name);
  const std::wstring& baseUrl() const { return baseUrl_; }
  const std::wstring& dir() const { return dir_; }
  std::string uriPrefix() const;  // "/engine/<name>"
  // Base URL of the same tree on another server root (e.g. the fault server).
  std::wstring BaseUrlOn(const std::wstring& root) const;

  // Writes the files below files/ and the signed manifest (manifestName + ".json"/".sig").
  // Returns the manifest bytes that were signed.
  std::string Publish(int64_t version, const std::vector<SiteFile>& files,
                      const std::wstring& manifestName = L"manifest");
  // Raw documents, for tampering.
  void WriteDocument(const std::wstring& fileName, const std::string& bytes);
  void RemoveDocument(const std::wstring& fileName);
  static std::string ManifestJson(int64_t version, const std::vector<SiteFile>& files);

 private:
  std::wstring dir_;
  std::wstring baseUrl_;
  std::string name_;
};

// A game folder scratch\<name>\game with scratch\<name>\canary.txt beside it.
class GameFolder {
 public:
  explicit GameFolder(const std::wstring& name);
  const std::wstring& path() const { return game_; }
  std::wstring operator/(const std::wstring& rel) const { return game_ + L"\\" + rel; }
  void Write(const std::wstring& rel, const std::string& bytes) const;
  std::string Read(const std::wstring& rel) const;  // "<missing>" when absent
  std::map<std::wstring, std::string> Snapshot() const;
  // True when the canary is intact and nothing else appeared beside the game folder.
  bool OutsideUntouched() const;
  std::string State(const wchar_t* fileName = L"launcher_state.json") const;
  void WriteState(const std::string& bytes, const wchar_t* fileName = L"launcher_state.json") const;
  void SetGraphicsFlag(const wchar_t* key, int value) const;

 private:
  std::wstring root_;
  std::wstring game_;
};

// The exact content-layout state file for a version.
std::string StateBytes(int64_t version);

struct Recorder {
  std::vector<updater::Progress> reports;
  updater::ProgressCallback Callback();
  // Condensed: one token per report, except that the chunk reports of a download are folded
  // into the phase-3 token that opened it: "0 1 2 3:1 3:3 4".
  std::string Sequence() const;
  // Phase-3 reports that open a download, in order.
  std::vector<updater::Progress> Openings() const;
};

// Request URIs (relative to prefix) that reached nginx since offset, for URIs starting with
// prefix, in order.
std::vector<std::string> RequestsSince(long long offset, const std::string& prefix);

}  // namespace engine_test
