// Blocking HTTP GET downloads over WinHTTP, into a file or into memory. Every call opens and
// closes its own handles; an HTTPS attempt that gets no response at all is retried once over
// plain HTTP on port 80 (content is signed and hashed, so the transport is not trusted).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "core/handles.h"

struct HttpResult {
  bool ok = false;
  DWORD status = 0;   // status of the last response received; 0 when none arrived
  std::string error;  // Portuguese text when ok is false
};

// (bytes received so far, total); total is the Content-Length, or 0 when absent.
using HttpProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;

inline constexpr wchar_t kHttpUserAgent[] = L"TalvoreLauncher/1.0";
// Largest body HttpDownloadToMemory accepts: manifests, signatures, the feed and pictures are
// far smaller, and a hostile server must not be able to exhaust memory.
inline constexpr std::uint64_t kHttpMaxMemoryBody = 64ull * 1024 * 1024;

// The destination is created (or truncated) only once a status-200 response has arrived. After
// a failed read or write the partial file stays on disk.
HttpResult HttpDownloadToFile(const std::wstring& url, const std::wstring& destPath,
                              const HttpProgress& progress = HttpProgress());

// body is emptied once a status-200 response has arrived, then filled; after a failure it may
// hold part of the body, which callers ignore.
HttpResult HttpDownloadToMemory(const std::wstring& url, std::string& body,
                                const HttpProgress& progress = HttpProgress());

// Internal steps, exposed for the tests.
namespace http_detail {

struct HttpTarget {
  std::wstring host;
  std::wstring path;
  INTERNET_PORT port = 0;
  bool secure = false;
};

// Only lower-case "https://" and "http://" are accepted.
bool ParseHttpUrl(const std::wstring& url, HttpTarget* target);

// Session handle with the user agent and the TLS protocol restriction; fills result->error on
// failure.
handles::UniqueInternet OpenHttpHandle(HttpResult* result);

// One GET; on success connect and request hold the open handles. On failure they hold whatever
// was opened, for the caller to close.
bool SendGet(HINTERNET session, const HttpTarget& target, HttpResult* result,
             handles::UniqueInternet* connect, handles::UniqueInternet* request);

// SendGet, then one plain-HTTP retry on port 80 when a secure attempt got no response.
bool SendGetWithFallback(HINTERNET session, const HttpTarget& target, HttpResult* result,
                         handles::UniqueInternet* connect, handles::UniqueInternet* request);

// Content-Length as a number; 0 when absent or unreadable.
std::uint64_t QueryContentLength(HINTERNET request);

// message + " (erro " + GetLastError() + ")".
std::string WithLastError(const char* message);

}  // namespace http_detail
