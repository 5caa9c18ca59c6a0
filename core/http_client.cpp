#include "core/http_client.h"

#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#ifndef WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
#define WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY 4
#endif
#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

namespace http_detail {

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, wcslen(prefix), prefix) == 0;
}

}  // namespace

std::string WithLastError(const char* message) {
  const DWORD code = GetLastError();
  return std::string(message) + " (erro " + std::to_string(static_cast<unsigned long>(code)) + ")";
}

bool ParseHttpUrl(const std::wstring& url, HttpTarget* target) {
  bool secure;
  if (StartsWith(url, L"https://")) {
    secure = true;
  } else if (StartsWith(url, L"http://")) {
    secure = false;
  } else {
    return false;
  }
  wchar_t host[256];
  wchar_t path[2048];
  wchar_t extra[2048];
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = static_cast<DWORD>(std::size(extra));
  if (url.size() > 0xFFFF ||
      !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
    return false;
  }
  if (parts.dwHostNameLength == 0) return false;
  target->host.assign(host, parts.dwHostNameLength);
  // Path and query are sent unchanged; the launcher's own URLs carry no query.
  target->path.assign(path, parts.dwUrlPathLength);
  target->path.append(extra, parts.dwExtraInfoLength);
  if (target->path.empty()) target->path = L"/";
  target->secure = secure;
  target->port = parts.nPort != 0 ? parts.nPort
                                  : static_cast<INTERNET_PORT>(secure ? INTERNET_DEFAULT_HTTPS_PORT
                                                                      : INTERNET_DEFAULT_HTTP_PORT);
  return true;
}

handles::UniqueInternet OpenHttpHandle(HttpResult* result) {
  handles::UniqueInternet session(WinHttpOpen(kHttpUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    session.reset(WinHttpOpen(kHttpUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  }
  if (!session) {
    result->error = WithLastError("WinHttpOpen falhou");
    return session;
  }
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
  if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                        sizeof(protocols))) {
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1;
    WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                     sizeof(protocols));  // when refused too, the platform's defaults remain
  }
  return session;
}

bool SendGet(HINTERNET session, const HttpTarget& target, HttpResult* result,
             handles::UniqueInternet* connect, handles::UniqueInternet* request) {
  connect->reset(WinHttpConnect(session, target.host.c_str(), target.port, 0));
  if (!*connect) {
    result->error = WithLastError("WinHttpConnect falhou");
    return false;
  }
  request->reset(WinHttpOpenRequest(connect->get(), L"GET", target.path.c_str(), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                    target.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!*request) {
    result->error = WithLastError("WinHttpOpenRequest falhou");
    return false;
  }
  if (!WinHttpSendRequest(request->get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    result->error = WithLastError("WinHttpSendRequest falhou");
    return false;
  }
  if (!WinHttpReceiveResponse(request->get(), nullptr)) {
    result->error = WithLastError("WinHttpReceiveResponse falhou");
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!WinHttpQueryHeaders(request->get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    status = 0;
  }
  result->status = status;
  if (status != 200) {
    result->error = "HTTP status " + std::to_string(static_cast<unsigned long>(status));
    return false;
  }
  return true;
}

bool SendGetWithFallback(HINTERNET session, const HttpTarget& target, HttpResult* result,
                         handles::UniqueInternet* connect, handles::UniqueInternet* request) {
  if (SendGet(session, target, result, connect, request)) return true;
  if (!target.secure || result->status != 0) return false;
  // No answer at all over TLS (refused, handshake or certificate failure): the same host and
  // path over plain HTTP on port 80; a port given in the URL belongs to the secure service.
  request->reset();
  connect->reset();
  const std::string secureError = result->error;
  result->error.clear();
  result->status = 0;
  HttpTarget plain = target;
  plain.port = INTERNET_DEFAULT_HTTP_PORT;
  plain.secure = false;
  if (SendGet(session, plain, result, connect, request)) return true;
  result->error = "https: " + secureError + " / http: " + result->error;
  return false;
}

std::uint64_t QueryContentLength(HINTERNET request) {
  wchar_t text[64 / sizeof(wchar_t)];
  DWORD size = sizeof(text);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                           text, &size, WINHTTP_NO_HEADER_INDEX)) {
    return 0;
  }
  const size_t count = std::min<size_t>(size / sizeof(wchar_t), std::size(text));
  std::uint64_t value = 0;
  size_t i = 0;
  while (i < count && text[i] == L' ') ++i;
  if (i == count) return 0;
  for (; i < count && text[i] != L'\0'; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return 0;
    const std::uint64_t digit = static_cast<std::uint64_t>(text[i] - L'0');
    if (value > (UINT64_MAX - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace http_detail

namespace {

using namespace http_detail;

// Large reads keep the per-call overhead of WinHTTP (and of Wine) small on fast links.
constexpr DWORD kReadBufferSize = 1024 * 1024;

struct OpenRequest {
  handles::UniqueInternet session;
  handles::UniqueInternet connect;
  handles::UniqueInternet request;
};

// Parses the URL and performs the GET; true with open handles when a 200 arrived.
bool StartDownload(const std::wstring& url, HttpResult* result, OpenRequest* open) {
  HttpTarget target;
  if (!ParseHttpUrl(url, &target)) {
    result->error = "URL invalida";
    return false;
  }
  open->session = OpenHttpHandle(result);
  if (!open->session) return false;
  return SendGetWithFallback(open->session.get(), target, result, &open->connect, &open->request);
}

// A body shorter than the length the server announced is a cut-off transfer, not a success.
bool CheckComplete(std::uint64_t received, std::uint64_t total, HttpResult* result) {
  if (total != 0 && received != total) {
    result->error = "resposta incompleta";
    return false;
  }
  return true;
}

}  // namespace

HttpResult HttpDownloadToFile(const std::wstring& url, const std::wstring& destPath,
                              const HttpProgress& progress) {
  HttpResult result;
  OpenRequest open;
  if (!StartDownload(url, &result, &open)) return result;
  const std::uint64_t total = QueryContentLength(open.request.get());

  handles::UniqueStdio file(_wfopen(destPath.c_str(), L"wb"));
  if (!file) {
    result.error = "nao foi possivel criar arquivo de destino";
    return result;
  }
  // Writes are already in large blocks; stdio's own buffer would only add a copy.
  setvbuf(file.get(), nullptr, _IONBF, 0);
  std::unique_ptr<char[]> buffer(new char[kReadBufferSize]);
  std::uint64_t received = 0;
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(open.request.get(), &available)) {
      result.error = WithLastError("WinHttpQueryDataAvailable falhou");
      return result;
    }
    if (available == 0) break;
    // Ask for a whole buffer: WinHTTP returns what the connection delivers up to that size.
    DWORD read = 0;
    if (!WinHttpReadData(open.request.get(), buffer.get(), kReadBufferSize, &read)) {
      result.error = WithLastError("WinHttpReadData falhou");
      return result;
    }
    if (read == 0) break;
    if (std::fwrite(buffer.get(), 1, read, file.get()) != read) {
      result.error = "falha ao gravar arquivo de destino";
      return result;
    }
    received += read;
    if (progress) progress(received, total);
  }
  if (std::fclose(file.release()) != 0) {
    result.error = "falha ao gravar arquivo de destino";
    return result;
  }
  if (!CheckComplete(received, total, &result)) return result;
  result.ok = true;
  return result;
}

HttpResult HttpDownloadToMemory(const std::wstring& url, std::string& body,
                                const HttpProgress& progress) {
  HttpResult result;
  OpenRequest open;
  if (!StartDownload(url, &result, &open)) return result;
  const std::uint64_t total = QueryContentLength(open.request.get());

  body.clear();
  if (total > kHttpMaxMemoryBody) {
    result.error = "resposta grande demais";
    return result;
  }
  if (total != 0) body.reserve(static_cast<size_t>(total));
  std::uint64_t received = 0;
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(open.request.get(), &available)) {
      result.error = WithLastError("WinHttpQueryDataAvailable falhou");
      return result;
    }
    if (available == 0) break;
    if (received + available > kHttpMaxMemoryBody) {
      result.error = "resposta grande demais";
      return result;
    }
    const size_t start = body.size();
    body.resize(start + available);
    DWORD read = 0;
    if (!WinHttpReadData(open.request.get(), &body[start], available, &read)) {
      body.resize(start);
      result.error = WithLastError("WinHttpReadData falhou");
      return result;
    }
    body.resize(start + read);
    if (read == 0) break;
    received += read;
    if (progress) progress(received, total);
  }
  if (!CheckComplete(received, total, &result)) return result;
  result.ok = true;
  return result;
}
