#include "publish_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "core/json.h"
#include "updater/version_number.h"

namespace publish {

namespace fs = std::filesystem;

namespace {

std::string Errno() { return std::strerror(errno); }

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::string Human(uint64_t bytes) {
  char buf[32];
  if (bytes >= (1ull << 30)) {
    std::snprintf(buf, sizeof(buf), "%.2f GiB", static_cast<double>(bytes) / (1ull << 30));
  } else {
    std::snprintf(buf, sizeof(buf), "%.1f MiB", static_cast<double>(bytes) / (1ull << 20));
  }
  return buf;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra;
    unsigned cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    const unsigned minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Web servers make ETag and Last-Modified from the size and the modification time in whole
// seconds. A same-size replacement written in the same second as the file it replaces would
// keep both, and a cache that revalidates would go on serving the old bytes; so the new file's
// time always moves past the old one's.
bool MoveTimePastReplaced(const std::string& tmp, const std::string& target, std::string* error) {
  struct stat old {}, fresh {};
  if (::stat(target.c_str(), &old) != 0) return true;  // nothing replaced
  if (::stat(tmp.c_str(), &fresh) != 0) {
    *error = tmp + ": " + Errno();
    return false;
  }
  if (fresh.st_mtim.tv_sec > old.st_mtim.tv_sec) return true;
  const timespec times[2] = {{0, UTIME_OMIT}, {old.st_mtim.tv_sec + 1, 0}};
  if (::utimensat(AT_FDCWD, tmp.c_str(), times, 0) != 0) {
    *error = tmp + ": " + Errno();
    return false;
  }
  return true;
}

}  // namespace

bool ReadFile(const std::string& path, std::string* bytes, std::string* error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = path + ": " + Errno();
    return false;
  }
  bytes->clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) bytes->append(buf, n);
  const bool bad = std::ferror(f);
  std::fclose(f);
  if (bad) {
    *error = path + ": read error";
    return false;
  }
  return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error) {
  const std::string tmp = path + ".publish-tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    *error = tmp + ": " + Errno();
    return false;
  }
  const bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  const std::string why = Errno();
  if (::close(fd) != 0 || !ok) {
    ::unlink(tmp.c_str());
    *error = path + ": " + why;
    return false;
  }
  if (!MoveTimePastReplaced(tmp, path, error)) {
    ::unlink(tmp.c_str());
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    *error = path + ": " + Errno();
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

std::string HexEncode(const unsigned char* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 15]);
  }
  return out;
}

bool HexDecode(const std::string& text, std::vector<unsigned char>* out) {
  if (text.size() % 2 != 0) return false;
  out->clear();
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<unsigned char>(hi * 16 + lo));
  }
  return true;
}

std::string Base64Encode(const unsigned char* data, size_t size) {
  std::string out(sodium_base64_encoded_len(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(&out[0], out.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
  out.resize(std::strlen(out.c_str()));
  return out;
}

bool Base64Decode(const std::string& text, std::vector<unsigned char>* out) {
  out->clear();
  std::string s;
  for (char c : text)
    if (c != '\n' && c != '\r' && c != ' ' && c != '=') s.push_back(c);
  if (s.size() % 4 == 1) return false;
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  uint32_t acc = 0;
  int bits = 0;
  for (char c : s) {
    const int v = value(c);
    if (v < 0) return false;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<unsigned char>((acc >> bits) & 0xFF));
    }
  }
  return true;
}

ProgressLine::ProgressLine(const char* verb, uint64_t totalFiles, uint64_t totalBytes)
    : verb_(verb), totalFiles_(totalFiles), totalBytes_(totalBytes), tty_(isatty(2) != 0) {
  lastPrint_ = Now();
}

ProgressLine::~ProgressLine() {
  if (printed_) {
    Print(true);
    if (tty_) std::fputc('\n', stderr);
  }
}

void ProgressLine::AddBytes(uint64_t n) {
  bytes_ += n;
  Print(false);
}

void ProgressLine::FileDone() {
  ++files_;
  Print(false);
}

void ProgressLine::Print(bool force) {
  const double now = Now();
  // On a terminal the line is redrawn in place; in a log one line every few seconds.
  if (!force && now - lastPrint_ < (tty_ ? 0.25 : 5.0)) return;
  lastPrint_ = now;
  printed_ = true;
  std::fprintf(stderr, "%s%s %llu/%llu files, %s of %s%s", tty_ ? "\r" : "", verb_,
               static_cast<unsigned long long>(files_),
               static_cast<unsigned long long>(totalFiles_), Human(bytes_).c_str(),
               Human(totalBytes_).c_str(), tty_ ? "   " : "\n");
  std::fflush(stderr);
}

bool HashFile(const std::string& path, const std::string& copyTo, unsigned char digest[32],
              uint64_t* size, ProgressLine* progress, std::string* error) {
  const int in = ::open(path.c_str(), O_RDONLY);
  if (in < 0) {
    *error = path + ": " + Errno();
    return false;
  }
  int out = -1;
  std::string tmp;
  if (!copyTo.empty()) {
    std::error_code ec;
    fs::create_directories(fs::path(copyTo).parent_path(), ec);
    tmp = copyTo + ".publish-tmp";
    out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
      *error = tmp + ": " + Errno();
      ::close(in);
      return false;
    }
  }
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  constexpr size_t kBuf = 1 << 20;
  std::unique_ptr<unsigned char[]> buf(new unsigned char[kBuf]);
  uint64_t total = 0;
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(in, buf.get(), kBuf);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = path + ": " + Errno();
      ok = false;
      break;
    }
    if (n == 0) break;
    crypto_hash_sha256_update(&state, buf.get(), static_cast<unsigned long long>(n));
    if (out >= 0 && !WriteAll(out, reinterpret_cast<const char*>(buf.get()),
                              static_cast<size_t>(n))) {
      *error = tmp + ": " + Errno();
      ok = false;
      break;
    }
    total += static_cast<uint64_t>(n);
    if (progress) progress->AddBytes(static_cast<uint64_t>(n));
  }
  ::close(in);
  if (out >= 0) {
    if (::close(out) != 0 && ok) {
      *error = tmp + ": " + Errno();
      ok = false;
    }
    if (ok) ok = MoveTimePastReplaced(tmp, copyTo, error);
    if (ok && std::rename(tmp.c_str(), copyTo.c_str()) != 0) {
      *error = copyTo + ": " + Errno();
      ok = false;
    }
    if (!ok) ::unlink(tmp.c_str());
  }
  crypto_hash_sha256_final(&state, digest);
  *size = total;
  if (progress) progress->FileDone();
  return ok;
}

namespace {

bool FirstLine(const std::string& path, std::string* line, std::string* error) {
  std::string bytes;
  if (!ReadFile(path, &bytes, error)) return false;
  const size_t end = bytes.find_first_of("\r\n");
  *line = bytes.substr(0, end);
  while (!line->empty() && (line->back() == ' ' || line->back() == '\t')) line->pop_back();
  return true;
}

}  // namespace

bool LoadSecretKey(const std::string& path, SecretKey* key, std::string* error) {
  std::string line;
  if (!FirstLine(path, &line, error)) return false;
  std::vector<unsigned char> raw;
  if (line.size() != 2 * crypto_sign_SECRETKEYBYTES || !HexDecode(line, &raw)) {
    *error = path + ": not a secret key file (expected one line of 128 hexadecimal digits)";
    return false;
  }
  std::memcpy(key->sk, raw.data(), sizeof(key->sk));
  // The second half must be the public key of the first, or signatures would not verify.
  unsigned char pk[crypto_sign_PUBLICKEYBYTES], sk[crypto_sign_SECRETKEYBYTES];
  crypto_sign_seed_keypair(pk, sk, key->sk);
  if (std::memcmp(sk, key->sk, sizeof(sk)) != 0) {
    *error = path + ": damaged secret key file (its public half does not match its seed)";
    sodium_memzero(sk, sizeof(sk));
    return false;
  }
  sodium_memzero(sk, sizeof(sk));
  std::memcpy(key->pk, pk, sizeof(pk));
  return true;
}

bool LoadPublicKey(const std::string& textOrPath, unsigned char pk[32], std::string* error) {
  std::string line = textOrPath;
  std::vector<unsigned char> raw;
  if (!(line.size() == 64 && HexDecode(line, &raw))) {
    if (!FirstLine(textOrPath, &line, error)) {
      *error = "public key: " + textOrPath + " is neither 64 hexadecimal digits nor a readable key file";
      return false;
    }
    if (line.size() == 128) line = line.substr(64);  // a secret key file ends with its public key
    if (!(line.size() == 64 && HexDecode(line, &raw))) {
      *error = textOrPath + ": no public key (expected 64 hexadecimal digits)";
      return false;
    }
  }
  std::memcpy(pk, raw.data(), 32);
  return true;
}

std::string SignatureFileText(const std::string& bytes, const SecretKey& key) {
  unsigned char sig[crypto_sign_BYTES];
  crypto_sign_detached(sig, nullptr, reinterpret_cast<const unsigned char*>(bytes.data()),
                       bytes.size(), key.sk);
  return Base64Encode(sig, sizeof(sig)) + "\n";
}

std::string PathProblem(const std::string& path) {
  if (path.empty()) return "empty path";
  if (!ValidUtf8(path)) return "not valid UTF-8";
  if (path[0] == '/' || path[0] == '\\') return "absolute path";
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '/' || c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  parts.push_back(part);
  for (const std::string& p : parts) {
    if (p.empty()) return "empty folder name";
    if (p == "." || p == "..") return "'" + p + "' leaves or aliases a folder";
    for (char c : p) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x20) return "control character in name";
      if (std::strchr("<>:\"|?*", c)) {
        return std::string("character '") + c + "' is not allowed in Windows file names" +
               (c == ':' ? " (drive or stream)" : "");
      }
    }
    if (p.back() == '.' || p.back() == ' ') return "name ends with a dot or a space";
    std::string base = Upper(p.substr(0, p.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* d : kDevices)
      if (base == d) return "reserved Windows device name";
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
        base[3] >= '1' && base[3] <= '9') {
      return "reserved Windows device name";
    }
  }
  if (parts.size() == 1) {
    // The launcher keeps its own files beside the game's.
    static const char* const kOwn[] = {"LAUNCHER.CFG", "LAUNCHER_STATE.JSON",
                                       "LAUNCHER_STATE_HD.JSON", "TALVORELAUNCHER.EXE"};
    for (const char* own : kOwn)
      if (Upper(parts[0]) == own) return "name of one of the launcher's own files";
  }
  return "";
}

int64_t TruncateVersion(double v) { return updater::TruncateToInt64(v); }

namespace {

template <typename Fn>
bool Guarded(Fn fn, std::string* error) {
  try {
    return fn();
  } catch (const std::exception& e) {
    *error = std::string("not valid JSON: ") + e.what();
    return false;
  }
}

}  // namespace

bool ParseContentManifest(const std::string& bytes, int64_t* version,
                          std::vector<ManifestEntry>* entries, std::string* error) {
  return Guarded(
      [&] {
        const jsonmin::Value root = jsonmin::Parse(bytes);
        if (root.type != jsonmin::Type::Object) {
          *error = "the root is not an object";
          return false;
        }
        const jsonmin::Value* v = root.Find("version");
        *version = TruncateVersion(v && (v->type == jsonmin::Type::Number) ? v->number : -1.0);
        if (*version < 0) {
          *error = "no valid 'version'";
          return false;
        }
        const jsonmin::Value* files = root.Find("files");
        if (!files || files->type != jsonmin::Type::Array) {
          *error = "no valid 'files'";
          return false;
        }
        for (const jsonmin::Value& item : files->items) {
          ManifestEntry e;
          const jsonmin::Value* p = item.Find("path");
          if (p && (p->type == jsonmin::Type::String)) e.path = p->text;
          if (e.path.empty()) {
            *error = "an entry without 'path'";
            return false;
          }
          const std::string problem = PathProblem(e.path);
          if (!problem.empty()) {
            *error = "entry '" + e.path + "': " + problem;
            return false;
          }
          const jsonmin::Value* s = item.Find("size");
          if (s && (s->type == jsonmin::Type::Number)) e.size = TruncateVersion(s->number);
          const jsonmin::Value* h = item.Find("sha256");
          std::vector<unsigned char> digest;
          if (!h || h->type != jsonmin::Type::String || h->text.size() != 64 || !HexDecode(h->text, &digest)) {
            *error = "entry '" + e.path + "': invalid 'sha256'";
            return false;
          }
          std::memcpy(e.sha256, digest.data(), 32);
          entries->push_back(e);
        }
        return true;
      },
      error);
}

bool ParseLauncherManifest(const std::string& bytes, LauncherManifest* out, std::string* error) {
  return Guarded(
      [&] {
        const jsonmin::Value root = jsonmin::Parse(bytes);
        if (root.type != jsonmin::Type::Object) {
          *error = "the root is not an object";
          return false;
        }
        const jsonmin::Value* v = root.Find("version");
        out->version = TruncateVersion(v && (v->type == jsonmin::Type::Number) ? v->number : -1.0);
        if (out->version < 0) {
          *error = "no valid 'version'";
          return false;
        }
        const jsonmin::Value* u = root.Find("url");
        if (u && (u->type == jsonmin::Type::String)) out->url = u->text;
        if (out->url.compare(0, 8, "https://") != 0 && out->url.compare(0, 7, "http://") != 0) {
          *error = "'url' is not an absolute http:// or https:// URL";
          return false;
        }
        const jsonmin::Value* h = root.Find("sha256");
        std::vector<unsigned char> digest;
        if (!h || h->type != jsonmin::Type::String || h->text.size() != 64 || !HexDecode(h->text, &digest)) {
          *error = "invalid 'sha256'";
          return false;
        }
        std::memcpy(out->sha256, digest.data(), 32);
        return true;
      },
      error);
}

int64_t ReadVersion(const std::string& bytes) {
  try {
    const jsonmin::Value root = jsonmin::Parse(bytes);
    const jsonmin::Value* v = root.Find("version");
    if (!v || v->type != jsonmin::Type::Number) return -1;
    const int64_t version = TruncateVersion(v->number);
    return version < 0 ? -1 : version;
  } catch (const std::exception&) {
    return -1;
  }
}

std::string JsonEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\u%04x", u);
      out += buf;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace publish
