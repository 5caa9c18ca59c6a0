// talvore-publish: prepares and checks what a Talvore update server serves.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "publish_util.h"

namespace fs = std::filesystem;
using namespace publish;

namespace {

constexpr const char kUsage[] =
    "usage: talvore-publish COMMAND [options]\n"
    "\n"
    "Prepares the signed files a Talvore launcher downloads, and checks a published tree.\n"
    "The output folder is what the server serves at the launcher's update base URL\n"
    "(the site root + /launcher in the default build).\n"
    "\n"
    "commands:\n"
    "  keygen KEYFILE\n"
    "      Writes a new Ed25519 secret key (mode 0600; never overwrites) and prints the\n"
    "      public key as 64 hexadecimal digits, the value of the launcher's build option\n"
    "      -DTALVORE_SIGNING_PUBLIC_KEY.\n"
    "\n"
    "  content --key KEYFILE --version N --source DIR --out DIR [--name manifest|manifest_hd]\n"
    "      Copies every file below --source to OUT/files/, writes OUT/NAME.json listing each\n"
    "      file's path, size and SHA-256, and OUT/NAME.sig. N must not be lower than the\n"
    "      version already in OUT/NAME.json. When --source is OUT/files itself, the files are\n"
    "      hashed in place. Paths a Windows launcher would refuse are rejected.\n"
    "\n"
    "  launcher --key KEYFILE --version N --url URL --exe FILE --out DIR\n"
    "      Writes OUT/launcher_manifest.json (version, download URL and SHA-256 of FILE) and\n"
    "      OUT/launcher_manifest.sig. Launchers install it only when N is above their own\n"
    "      build number. FILE must be served at URL, byte for byte.\n"
    "\n"
    "  verify --public-key HEX|KEYFILE [--previous DIR|URL] [--launcher-exe FILE] DIR|URL\n"
    "      Checks a published folder, or a live base URL (fetched with curl), the way the\n"
    "      launcher does: every signature, every file's hash and size, and, with --previous,\n"
    "      that no version went down. Prints each problem; exits 1 when there is one.\n"
    "\n"
    "Key files hold one line of 128 hexadecimal digits (libsodium's Ed25519 secret key: seed\n"
    "then public key). Keep them off the web server.\n";

constexpr const char kTmpSuffix[] = ".publish-tmp";
constexpr int64_t kMaxVersion = 9007199254740992;  // 2^53: JSON numbers are doubles

int UsageError(const std::string& message) {
  std::fprintf(stderr, "talvore-publish: %s\n(see talvore-publish --help)\n", message.c_str());
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "talvore-publish: %s\n", message.c_str());
  return 1;
}

// --name VALUE / --name=VALUE options and plain arguments.
struct Args {
  std::map<std::string, std::string> options;
  std::vector<std::string> plain;
  std::string error;
};

Args ParseArgs(int argc, char** argv, int first, const std::vector<std::string>& known) {
  Args a;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.compare(0, 2, "--") != 0 || arg == "--") {
      a.plain.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2), value;
    const size_t eq = name.find('=');
    if (eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      a.error = "option --" + name + " needs a value";
      return a;
    }
    if (std::find(known.begin(), known.end(), name) == known.end()) {
      a.error = "unknown option --" + name;
      return a;
    }
    a.options[name] = value;
  }
  return a;
}

bool ParseVersion(const std::string& text, int64_t* version, std::string* error) {
  if (text.empty() || text.size() > 16 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    *error = "--version must be a whole number from 0 to 2^53 (got '" + text + "')";
    return false;
  }
  *version = std::stoll(text);
  if (*version > kMaxVersion) {
    *error = "--version must not exceed 2^53, the largest exact JSON number";
    return false;
  }
  return true;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The version already published in OUT/FILE; false when it exists but cannot be read.
bool PublishedVersion(const std::string& path, int64_t* version, std::string* error) {
  *version = -1;
  std::error_code ec;
  if (!fs::exists(path, ec)) return true;
  std::string bytes;
  if (!ReadFile(path, &bytes, error)) return false;
  *version = ReadVersion(bytes);
  if (*version < 0) {
    *error = path + " exists but its version cannot be read; move it away to publish anew";
    return false;
  }
  return true;
}

bool WriteSigned(const std::string& jsonPath, const std::string& sigPath, const std::string& doc,
                 const SecretKey& key, std::string* error) {
  // The document first, its signature right after: a launcher that catches the moment
  // between the two renames fails the check once and succeeds on its next run.
  return WriteFileReplacing(jsonPath, doc, error) &&
         WriteFileReplacing(sigPath, SignatureFileText(doc, key), error);
}

int CmdKeygen(const Args& a) {
  if (a.plain.size() != 1 || !a.options.empty()) return UsageError("keygen takes one KEYFILE");
  const std::string path = a.plain[0];
  SecretKey key;
  crypto_sign_keypair(key.pk, key.sk);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) {
    return Fail(errno == EEXIST ? path + " already exists; refusing to overwrite a key"
                                : path + ": " + std::strerror(errno));
  }
  const std::string line = HexEncode(key.sk, sizeof(key.sk)) + "\n";
  const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
                  ::fsync(fd) == 0;
  ::close(fd);
  sodium_memzero(&key.sk, sizeof(key.sk));
  if (!ok) {
    ::unlink(path.c_str());
    return Fail(path + ": could not write the key");
  }
  std::printf("%s\n", HexEncode(key.pk, sizeof(key.pk)).c_str());
  std::fprintf(stderr,
               "secret key written to %s (keep it private and backed up)\n"
               "build the launcher with -DTALVORE_SIGNING_PUBLIC_KEY=%s\n",
               path.c_str(), HexEncode(key.pk, sizeof(key.pk)).c_str());
  return 0;
}

struct SourceFile {
  std::string rel;  // "/" separated
  std::string full;
  uint64_t size;
};

bool IsInside(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin(), o = outer.begin();
  for (; o != outer.end(); ++o, ++i)
    if (i == inner.end() || *i != *o) return false;
  return true;
}

int CmdContent(const Args& a) {
  for (const char* need : {"key", "version", "source", "out"})
    if (!a.options.count(need)) return UsageError(std::string("content needs --") + need);
  if (!a.plain.empty()) return UsageError("content takes no plain arguments");
  const std::string name = a.options.count("name") ? a.options.at("name") : "manifest";
  if (name != "manifest" && name != "manifest_hd")
    return UsageError("--name is manifest or manifest_hd");
  std::string error;
  int64_t version;
  if (!ParseVersion(a.options.at("version"), &version, &error)) return UsageError(error);
  SecretKey key;
  if (!LoadSecretKey(a.options.at("key"), &key, &error)) return Fail(error);

  std::error_code ec;
  const fs::path source = fs::weakly_canonical(a.options.at("source"), ec);
  if (ec || !fs::is_directory(source)) return Fail(a.options.at("source") + " is not a folder");
  const fs::path out = fs::weakly_canonical(a.options.at("out"), ec);
  if (ec) return Fail(a.options.at("out") + ": " + ec.message());
  const fs::path filesDir = out / "files";
  const bool inPlace = source == filesDir;
  if (!inPlace && (IsInside(out, source) || IsInside(source, out)))
    return Fail("--source and --out must not contain each other (unless --source is OUT/files)");

  const std::string jsonPath = (out / (name + ".json")).string();
  int64_t published;
  if (!PublishedVersion(jsonPath, &published, &error)) return Fail(error);
  if (version < published) {
    return Fail("version " + std::to_string(version) + " is lower than the published version " +
                std::to_string(published) + " in " + jsonPath +
                "; launchers would refuse it as a rollback");
  }

  // Collect and check every path before anything is written.
  std::vector<SourceFile> files;
  std::vector<std::string> problems;
  std::map<std::string, std::string> folded;
  uint64_t totalBytes = 0;
  for (auto it = fs::recursive_directory_iterator(source, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    const std::string rel = fs::relative(entry.path(), source).generic_string();
    if (entry.is_symlink()) {
      problems.push_back(rel + ": symbolic links are not published (copy the file instead)");
      continue;
    }
    if (entry.is_directory()) continue;
    if (!entry.is_regular_file()) {
      problems.push_back(rel + ": not a regular file");
      continue;
    }
    if (EndsWith(rel, kTmpSuffix)) continue;  // left by an interrupted run
    std::string problem = rel.find('\\') != std::string::npos
                              ? "a backslash in a name would become a folder separator"
                              : PathProblem(rel);
    if (!problem.empty()) {
      problems.push_back(rel + ": " + problem);
      continue;
    }
    auto [pos, fresh] = folded.emplace(UpperAscii(rel), rel);
    if (!fresh) {
      problems.push_back(rel + ": same name as " + pos->second + " on Windows (case differs)");
      continue;
    }
    files.push_back({rel, entry.path().string(), entry.file_size()});
    totalBytes += files.back().size;
  }
  if (ec) return Fail(source.string() + ": " + ec.message());
  if (!problems.empty()) {
    for (const std::string& p : problems) std::fprintf(stderr, "refused: %s\n", p.c_str());
    return Fail(std::to_string(problems.size()) + " path(s) refused; nothing was published");
  }
  std::sort(files.begin(), files.end(),
            [](const SourceFile& x, const SourceFile& y) { return x.rel < y.rel; });

  fs::create_directories(filesDir, ec);
  if (ec) return Fail(filesDir.string() + ": " + ec.message());
  std::string doc = "{\n  \"version\": " + std::to_string(version) + ",\n  \"files\": [";
  {
    ProgressLine progress(inPlace ? "hashing" : "copying and hashing", files.size(), totalBytes);
    for (size_t i = 0; i < files.size(); ++i) {
      const SourceFile& f = files[i];
      unsigned char digest[32];
      uint64_t size = 0;
      const std::string dest = inPlace ? "" : (filesDir / f.rel).string();
      if (!HashFile(f.full, dest, digest, &size, &progress, &error)) return Fail(error);
      doc += std::string(i ? "," : "") + "\n    {\"path\": \"" + JsonEscape(f.rel) +
             "\", \"size\": " + std::to_string(size) + ", \"sha256\": \"" +
             HexEncode(digest, 32) + "\"}";
    }
  }
  doc += files.empty() ? "]\n}\n" : "\n  ]\n}\n";
  if (!WriteSigned(jsonPath, (out / (name + ".sig")).string(), doc, key, &error))
    return Fail(error);
  sodium_memzero(&key.sk, sizeof(key.sk));
  std::printf("%s version %lld: %zu files, %llu bytes in %s\n", name.c_str(),
              static_cast<long long>(version), files.size(),
              static_cast<unsigned long long>(totalBytes), out.string().c_str());
  return 0;
}

int CmdLauncher(const Args& a) {
  for (const char* need : {"key", "version", "url", "exe", "out"})
    if (!a.options.count(need)) return UsageError(std::string("launcher needs --") + need);
  if (!a.plain.empty()) return UsageError("launcher takes no plain arguments");
  std::string error;
  int64_t version;
  if (!ParseVersion(a.options.at("version"), &version, &error)) return UsageError(error);
  const std::string url = a.options.at("url");
  if ((url.compare(0, 8, "https://") != 0 && url.compare(0, 7, "http://") != 0) || url.size() < 9)
    return UsageError("--url must be an absolute URL starting with https:// or http:// (lower case)");
  for (char c : url)
    if (static_cast<unsigned char>(c) <= 0x20 || c == '"' || c == '\\' || c == 0x7F)
      return UsageError("--url must not contain spaces, quotes, backslashes or control characters");
  SecretKey key;
  if (!LoadSecretKey(a.options.at("key"), &key, &error)) return Fail(error);
  const fs::path out = a.options.at("out");
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec) return Fail(out.string() + ": " + ec.message());
  const std::string jsonPath = (out / "launcher_manifest.json").string();
  int64_t published;
  if (!PublishedVersion(jsonPath, &published, &error)) return Fail(error);
  if (version < published) {
    return Fail("version " + std::to_string(version) + " is lower than the published launcher " +
                "version " + std::to_string(published));
  }
  unsigned char digest[32];
  uint64_t size = 0;
  if (!HashFile(a.options.at("exe"), "", digest, &size, nullptr, &error)) return Fail(error);
  if (size == 0) return Fail(a.options.at("exe") + " is empty");
  const std::string doc = "{\n  \"version\": " + std::to_string(version) + ",\n  \"url\": \"" +
                          url + "\",\n  \"sha256\": \"" + HexEncode(digest, 32) + "\"\n}\n";
  if (!WriteSigned(jsonPath, (out / "launcher_manifest.sig").string(), doc, key, &error))
    return Fail(error);
  sodium_memzero(&key.sk, sizeof(key.sk));
  std::printf("launcher_manifest version %lld: %s (%llu bytes, sha256 %s)\n",
              static_cast<long long>(version), url.c_str(),
              static_cast<unsigned long long>(size), HexEncode(digest, 32).c_str());
  return 0;
}

// ----- verify ------------------------------------------------------------------------------

bool IsUrl(const std::string& s) {
  return s.compare(0, 7, "http://") == 0 || s.compare(0, 8, "https://") == 0;
}

std::string PercentEncodePath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[4];
      std::snprintf(buf, sizeof(buf), "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

// Runs curl without a shell; returns the HTTP status (0 when none) or -1 when curl failed.
int RunCurl(const std::string& url, const std::string& outFile, std::string* error) {
  int pipefd[2];
  if (pipe(pipefd) != 0) {
    *error = "pipe failed";
    return -1;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    *error = "fork failed";
    return -1;
  }
  if (pid == 0) {
    dup2(pipefd[1], 1);
    close(pipefd[0]);
    close(pipefd[1]);
    const char* argv[] = {"curl", "-sS", "-L", "--proto", "=http,https", "--max-redirs", "5",
                          "-o", outFile.c_str(), "-w", "%{http_code}", url.c_str(), nullptr};
    execvp("curl", const_cast<char* const*>(argv));
    std::fprintf(stderr, "talvore-publish: cannot run curl: %s\n", std::strerror(errno));
    _exit(127);
  }
  close(pipefd[1]);
  std::string code;
  char buf[64];
  ssize_t n;
  while ((n = read(pipefd[0], buf, sizeof(buf))) > 0) code.append(buf, static_cast<size_t>(n));
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = "curl failed for " + url + " (exit " +
             std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
    return -1;
  }
  return std::atoi(code.c_str());
}

// A published tree, on disk or behind a base URL.
class Tree {
 public:
  explicit Tree(std::string where) : where_(std::move(where)) {
    while (where_.size() > 1 && where_.back() == '/') where_.pop_back();
    if (IsUrl(where_)) {
      char tmpl[] = "/tmp/talvore-verify-XXXXXX";
      if (mkdtemp(tmpl)) tmp_ = tmpl;
    }
  }
  ~Tree() {
    if (!tmp_.empty()) {
      std::error_code ec;
      fs::remove_all(tmp_, ec);
    }
  }
  const std::string& where() const { return where_; }
  bool remote() const { return IsUrl(where_); }

  // rel is "/" separated. *missing is set for a file or URL that does not exist (404).
  bool Read(const std::string& rel, std::string* bytes, bool* missing, std::string* error) {
    std::string local;
    if (!Localise(rel, &local, missing, error)) return false;
    const bool ok = ReadFile(local, bytes, error);
    if (remote()) ::unlink(local.c_str());
    return ok;
  }

  bool Hash(const std::string& rel, unsigned char digest[32], uint64_t* size, bool* missing,
            ProgressLine* progress, std::string* error) {
    std::string local;
    if (!Localise(rel, &local, missing, error)) return false;
    const bool ok = HashFile(local, "", digest, size, progress, error);
    if (remote()) ::unlink(local.c_str());
    return ok;
  }

  // Fetches an absolute URL (for the launcher build).
  bool HashUrl(const std::string& url, unsigned char digest[32], uint64_t* size,
               std::string* error) {
    if (tmp_.empty()) {
      char tmpl[] = "/tmp/talvore-verify-XXXXXX";
      if (!mkdtemp(tmpl)) {
        *error = "cannot create a temporary folder";
        return false;
      }
      tmp_ = tmpl;
    }
    const std::string local = tmp_ + "/download";
    const int status = RunCurl(url, local, error);
    if (status != 200) {
      if (status >= 0) *error = url + ": HTTP status " + std::to_string(status);
      ::unlink(local.c_str());
      return false;
    }
    const bool ok = HashFile(local, "", digest, size, nullptr, error);
    ::unlink(local.c_str());
    return ok;
  }

 private:
  bool Localise(const std::string& rel, std::string* local, bool* missing, std::string* error) {
    *missing = false;
    if (!remote()) {
      *local = where_ + "/" + rel;
      struct stat st;
      if (::stat(local->c_str(), &st) != 0) {
        *missing = errno == ENOENT || errno == ENOTDIR;
        *error = *local + ": " + std::strerror(errno);
        return false;
      }
      if (!S_ISREG(st.st_mode)) {
        *error = *local + ": not a regular file";
        return false;
      }
      return true;
    }
    if (tmp_.empty()) {
      *error = "cannot create a temporary folder";
      return false;
    }
    *local = tmp_ + "/download";
    const std::string url = where_ + "/" + PercentEncodePath(rel);
    const int status = RunCurl(url, *local, error);
    if (status == 200) return true;
    ::unlink(local->c_str());
    if (status < 0) return false;
    *missing = status == 404 || status == 410;
    *error = url + ": HTTP status " + std::to_string(status);
    return false;
  }

  std::string where_;
  std::string tmp_;
};

struct Report {
  std::vector<std::string> problems;
  void Problem(const std::string& p) {
    problems.push_back(p);
    std::printf("PROBLEM: %s\n", p.c_str());
    std::fflush(stdout);
  }
};

// Reads NAME.json and NAME.sig and checks the signature. Returns false when the pair is
// absent (when optional) or bad; *doc holds the verified bytes.
bool ReadSigned(Tree& tree, const std::string& name, bool optional, const unsigned char pk[32],
                std::string* doc, Report* report) {
  bool missingJson = false, missingSig = false;
  std::string error, sigText;
  const bool haveJson = tree.Read(name + ".json", doc, &missingJson, &error);
  const std::string jsonError = error;
  const bool haveSig = tree.Read(name + ".sig", &sigText, &missingSig, &error);
  if (!haveJson && !haveSig && missingJson && missingSig && optional) return false;
  if (!haveJson) {
    report->Problem(name + ".json: " + jsonError);
    return false;
  }
  if (!haveSig) {
    report->Problem(name + ".sig: " + error);
    return false;
  }
  std::vector<unsigned char> sig;
  if (!Base64Decode(sigText, &sig) || sig.size() != crypto_sign_BYTES) {
    report->Problem(name + ".sig: not the base64 text of a 64-byte signature");
    return false;
  }
  if (crypto_sign_verify_detached(sig.data(), reinterpret_cast<const unsigned char*>(doc->data()),
                                  doc->size(), pk) != 0) {
    report->Problem(name + ".json: signature does not verify with the given public key "
                    "(wrong key, or the document changed after signing)");
    return false;
  }
  return true;
}

std::string ToSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// Returns the content version, or -1 when the manifest was absent or bad.
int64_t VerifyContent(Tree& tree, const std::string& name, bool optional,
                      const unsigned char pk[32], Report* report) {
  std::string doc, error;
  if (!ReadSigned(tree, name, optional, pk, &doc, report)) return -1;
  int64_t version = -1;
  std::vector<ManifestEntry> entries;
  if (!ParseContentManifest(doc, &version, &entries, &error)) {
    report->Problem(name + ".json: " + error);
    return -1;
  }
  uint64_t declared = 0;
  for (const ManifestEntry& e : entries) declared += e.size > 0 ? static_cast<uint64_t>(e.size) : 0;
  std::map<std::string, std::string> folded;
  size_t good = 0;
  {
    ProgressLine progress("hashing", entries.size(), declared);
    for (const ManifestEntry& e : entries) {
      const std::string rel = ToSlashes(e.path);
      auto [pos, fresh] = folded.emplace(UpperAscii(rel), e.path);
      if (!fresh) {
        report->Problem(name + ".json: entry '" + e.path + "' is listed twice (as '" +
                        pos->second + "')");
        continue;
      }
      unsigned char digest[32];
      uint64_t size = 0;
      bool missing = false;
      if (!tree.Hash("files/" + rel, digest, &size, &missing, &progress, &error)) {
        report->Problem("files/" + rel + (missing ? ": missing" : ": " + error));
        continue;
      }
      if (sodium_memcmp(digest, e.sha256, 32) != 0) {
        report->Problem("files/" + rel + ": SHA-256 " + HexEncode(digest, 32) +
                        " differs from the manifest's " + HexEncode(e.sha256, 32));
        continue;
      }
      if (e.size >= 0 && static_cast<uint64_t>(e.size) != size) {
        report->Problem("files/" + rel + ": " + std::to_string(size) +
                        " bytes, the manifest says " + std::to_string(e.size));
        continue;
      }
      ++good;
    }
  }
  std::printf("%s.json: version %lld, %zu of %zu files verified\n", name.c_str(),
              static_cast<long long>(version), good, entries.size());
  return version;
}

int64_t VerifyLauncher(Tree& tree, const unsigned char pk[32], const std::string& exe,
                       Report* report) {
  std::string doc, error;
  if (!ReadSigned(tree, "launcher_manifest", true, pk, &doc, report)) return -1;
  LauncherManifest m;
  if (!ParseLauncherManifest(doc, &m, &error)) {
    report->Problem("launcher_manifest.json: " + error);
    return -1;
  }
  unsigned char digest[32];
  uint64_t size = 0;
  std::string checked = "not checked (give --launcher-exe FILE)";
  bool haveDigest = false;
  if (!exe.empty()) {
    haveDigest = HashFile(exe, "", digest, &size, nullptr, &error);
    if (!haveDigest) report->Problem("--launcher-exe: " + error);
  } else if (tree.remote()) {
    haveDigest = tree.HashUrl(m.url, digest, &size, &error);
    if (!haveDigest) report->Problem("launcher build " + m.url + ": " + error);
  }
  if (haveDigest) {
    if (sodium_memcmp(digest, m.sha256, 32) != 0) {
      report->Problem("launcher build: SHA-256 " + HexEncode(digest, 32) +
                      " differs from launcher_manifest.json's " + HexEncode(m.sha256, 32));
    } else {
      checked = "hash verified";
    }
  }
  std::printf("launcher_manifest.json: version %lld, %s, build %s\n",
              static_cast<long long>(m.version), m.url.c_str(), checked.c_str());
  return m.version;
}

// Version of a signed document in the previous copy, -1 when absent or unreadable.
int64_t PreviousVersion(Tree& previous, const std::string& name) {
  std::string doc, error;
  bool missing = false;
  if (!previous.Read(name + ".json", &doc, &missing, &error)) return -1;
  return ReadVersion(doc);
}

int CmdVerify(const Args& a) {
  if (a.plain.size() != 1) return UsageError("verify takes one DIR or URL");
  if (!a.options.count("public-key")) return UsageError("verify needs --public-key");
  unsigned char pk[32];
  std::string error;
  if (!LoadPublicKey(a.options.at("public-key"), pk, &error)) return Fail(error);
  Tree tree(a.plain[0]);
  if (!tree.remote() && !fs::is_directory(tree.where()))
    return Fail(tree.where() + " is neither a folder nor an http:// or https:// URL");
  Report report;
  std::map<std::string, int64_t> versions;
  versions["manifest"] = VerifyContent(tree, "manifest", false, pk, &report);
  versions["manifest_hd"] = VerifyContent(tree, "manifest_hd", true, pk, &report);
  const std::string exe = a.options.count("launcher-exe") ? a.options.at("launcher-exe") : "";
  versions["launcher_manifest"] = VerifyLauncher(tree, pk, exe, &report);
  if (a.options.count("previous")) {
    Tree previous(a.options.at("previous"));
    for (const auto& [name, version] : versions) {
      const int64_t before = PreviousVersion(previous, name);
      if (before < 0) continue;
      if (version < 0) {
        std::printf("%s.json: was at version %lld in the previous copy, now absent or bad\n",
                    name.c_str(), static_cast<long long>(before));
      } else if (version < before) {
        report.Problem(name + ".json: version " + std::to_string(version) +
                       " is lower than the previous " + std::to_string(before) +
                       "; launchers that applied it refuse the rollback");
      }
    }
  }
  if (!report.problems.empty()) {
    std::printf("%zu problem(s) in %s\n", report.problems.size(), tree.where().c_str());
    return 1;
  }
  std::printf("OK: %s\n", tree.where().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (sodium_init() < 0) return Fail("libsodium failed to initialise");
  const std::string cmd = argv[1];
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  Args a;
  if (cmd == "keygen") {
    a = ParseArgs(argc, argv, 2, {});
  } else if (cmd == "content") {
    a = ParseArgs(argc, argv, 2, {"key", "version", "source", "out", "name"});
  } else if (cmd == "launcher") {
    a = ParseArgs(argc, argv, 2, {"key", "version", "url", "exe", "out"});
  } else if (cmd == "verify") {
    a = ParseArgs(argc, argv, 2, {"public-key", "previous", "launcher-exe"});
  } else {
    return UsageError("unknown command '" + cmd + "'");
  }
  if (!a.error.empty()) return UsageError(a.error);
  try {
    if (cmd == "keygen") return CmdKeygen(a);
    if (cmd == "content") return CmdContent(a);
    if (cmd == "launcher") return CmdLauncher(a);
    return CmdVerify(a);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
