// The HTTP client against nginx and the fault-injecting server (tests/harness/fault_server.py).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/http_client.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// Same bytes as fault_server.body_bytes(n).
std::string Pattern(size_t n) {
  static const std::string unit = "0123456789abcdefghijklmnopqrstuvwxyz\n";
  std::string out;
  out.reserve(n);
  while (out.size() < n) out += unit;
  out.resize(n);
  return out;
}

std::wstring Fault(const std::wstring& path) { return L"http://" + TestHost() + L":47290" + path; }
std::wstring FaultTlsDrop(const std::wstring& path) {
  return L"https://" + TestHost() + L":47291" + path;
}
std::wstring FaultTls(const std::wstring& path) { return L"https://" + TestHost() + L":47292" + path; }
// A loopback address where nothing listens.
constexpr wchar_t kDeadHost[] = L"127.0.0.253";

std::wstring ServersDir() { return UnixToWindowsPath(GetEnv("TALVORE_TEST_SERVERS")); }
std::wstring FaultLog() { return ServersDir() + L"\\logs\\fault.log"; }

size_t FaultLogSize() { return ReadBytesOr(FaultLog()).size(); }
// Other suites use the same servers at the same time, so only this suite's requests are looked
// at: below /http-test/ on nginx, and on the fault server's TLS listener, which no one else uses.
std::string FaultTlsLogSince(size_t offset) {
  Sleep(50);
  const std::string all = ReadBytesOr(FaultLog());
  std::string mine;
  for (size_t start = offset; start < all.size();) {
    size_t end = all.find('\n', start);
    end = end == std::string::npos ? all.size() : end + 1;
    if (all.compare(start, 6, "47292 ") == 0) mine += all.substr(start, end - start);
    start = end;
  }
  return mine;
}
std::vector<std::string> OwnRequestsSince(long long offset, const char* below = " /http-test/") {
  std::vector<std::string> mine;
  for (const std::string& line : LogLinesSince(offset))
    if (line.find(below) != std::string::npos) mine.push_back(line);
  return mine;
}

struct Calls {
  std::vector<std::pair<uint64_t, uint64_t>> seen;
  HttpProgress Callback() {
    return [this](uint64_t received, uint64_t total) { seen.emplace_back(received, total); };
  }
  // Received grows strictly and every call reports the same total.
  void ExpectProgress(uint64_t finalReceived, uint64_t total) const {
    ASSERT_FALSE(seen.empty());
    uint64_t last = 0;
    for (const auto& [received, t] : seen) {
      EXPECT_GT(received, last);
      EXPECT_EQ(t, total);
      last = received;
    }
    EXPECT_EQ(last, finalReceived);
  }
};

class HttpClient : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::wstring www = ServerWwwDir() + L"\\http-test";
    CreateDirs(www);
    ASSERT_TRUE(WriteBytes(www + L"\\small.bin", Pattern(kSmall)));
    ASSERT_TRUE(WriteBytes(www + L"\\empty.bin", ""));
  }
  static constexpr size_t kSmall = 150000;
  static std::wstring Path() { return L"/http-test/small.bin"; }
  static std::wstring Dir() {
    static const std::wstring dir = FreshDir(L"client");
    return dir;
  }
};

TEST(HttpUrl, SplitsHostPortAndPath) {
  struct Case {
    const wchar_t* url;
    const wchar_t* host;
    INTERNET_PORT port;
    const wchar_t* path;
    bool secure;
  } cases[] = {
      {L"https://example.org/a/b.json", L"example.org", 443, L"/a/b.json", true},
      {L"http://example.org", L"example.org", 80, L"/", false},
      {L"https://127.0.0.1:47443/x", L"127.0.0.1", 47443, L"/x", true},
      {L"http://h:8080/a/b?c=d", L"h", 8080, L"/a/b?c=d", false},
  };
  for (const Case& c : cases) {
    http_detail::HttpTarget t;
    ASSERT_TRUE(http_detail::ParseHttpUrl(c.url, &t)) << Narrow(c.url);
    EXPECT_EQ(t.host, c.host);
    EXPECT_EQ(t.port, c.port);
    EXPECT_EQ(t.path, c.path);
    EXPECT_EQ(t.secure, c.secure);
  }
}

TEST_F(HttpClient, RefusedUrlsSendNothing) {
  const std::wstring h = TestHost();
  const std::wstring urls[] = {
      L"HTTP://" + h + L":47280" + Path(),
      L"Https://" + h + L":47443" + Path(),
      L"HTTPS://" + h + L":47443" + Path(),
      L"ftp://" + h + Path(),
      L"",
      L"http:/" + h + Path(),
      L"http://" + std::wstring(300, L'a') + L"/x",          // host beyond 256 characters
      L"http://" + h + L":47280/http-test/" + std::wstring(3000, L'p'),  // path beyond 2,048
  };
  const long long before = LogSize();
  for (const std::wstring& url : urls) {
    std::string body = "keep";
    const HttpResult m = HttpDownloadToMemory(url, body);
    EXPECT_FALSE(m.ok);
    EXPECT_EQ(m.status, 0u);
    EXPECT_EQ(m.error, "URL invalida") << Narrow(url.substr(0, 60));
    EXPECT_EQ(body, "keep");
    const std::wstring dest = Dir() + L"\\refused.bin";
    const HttpResult f = HttpDownloadToFile(url, dest);
    EXPECT_EQ(f.error, "URL invalida");
    EXPECT_FALSE(FileExists(dest));
  }
  EXPECT_TRUE(OwnRequestsSince(before).empty());
}

TEST_F(HttpClient, DirectDownloadWithProgressAndUserAgent) {
  const long long before = LogSize();
  std::string body = "stale";
  Calls calls;
  const HttpResult m = HttpDownloadToMemory(HttpRoot() + Path(), body, calls.Callback());
  EXPECT_TRUE(m.ok);
  EXPECT_EQ(m.status, 200u);
  EXPECT_EQ(m.error, "");
  EXPECT_EQ(body, Pattern(kSmall));
  calls.ExpectProgress(kSmall, kSmall);

  const std::wstring dest = Dir() + L"\\direct.bin";
  Calls fileCalls;
  const HttpResult f = HttpDownloadToFile(HttpRoot() + Path(), dest, fileCalls.Callback());
  EXPECT_TRUE(f.ok) << f.error;
  EXPECT_EQ(ReadBytesOr(dest), Pattern(kSmall));
  fileCalls.ExpectProgress(kSmall, kSmall);

  const auto lines = OwnRequestsSince(before);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) {
    EXPECT_NE(line.find("GET /http-test/small.bin 200"), std::string::npos) << line;
    EXPECT_NE(line.find("\"TalvoreLauncher/1.0\""), std::string::npos) << line;
  }
}

// The secure attempt fails before any response; the plain retry goes to port 80 of the same
// host, never to the URL's own port, and leaves no trace in the result.
TEST_F(HttpClient, UntrustedCertificateFallsBackToPort80) {
  std::string direct;
  const HttpResult reference = HttpDownloadToMemory(HttpRoot() + Path(), direct);
  for (const std::wstring& url : {HttpsRoot() + Path(), FaultTlsDrop(Path())}) {
    const long long before = LogSize();
    std::string body;
    Calls calls;
    const HttpResult m = HttpDownloadToMemory(url, body, calls.Callback());
    EXPECT_EQ(m.ok, reference.ok) << Narrow(url);
    EXPECT_EQ(m.status, reference.status);
    EXPECT_EQ(m.error, reference.error);
    EXPECT_EQ(body, direct);
    calls.ExpectProgress(kSmall, kSmall);
    const std::wstring dest = Dir() + L"\\fallback.bin";
    const HttpResult f = HttpDownloadToFile(url, dest);
    EXPECT_TRUE(f.ok) << f.error;
    EXPECT_EQ(ReadBytesOr(dest), direct);
    const auto lines = OwnRequestsSince(before);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines)
      EXPECT_EQ(line.rfind(Narrow(TestHost()) + ":80 GET /http-test/small.bin 200", 0), 0u) << line;
  }
}

TEST_F(HttpClient, BothAttemptsFailedNamesBoth) {
  const std::regex refusedTwice(
      R"(https: WinHttpSendRequest falhou \(erro [0-9]+\) / http: WinHttpSendRequest falhou \(erro [0-9]+\))");
  std::string body;
  HttpResult r = HttpDownloadToMemory(std::wstring(L"https://") + kDeadHost + L":47443/http-test/x", body);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.status, 0u);
  EXPECT_TRUE(std::regex_match(r.error, refusedTwice)) << r.error;

  r = HttpDownloadToMemory(HttpsRoot() + L"/http-test/missing", body);
  EXPECT_EQ(r.status, 404u);
  EXPECT_TRUE(std::regex_match(
      r.error, std::regex(R"(https: WinHttpSendRequest falhou \(erro [0-9]+\) / http: HTTP status 404)")))
      << r.error;

  // Plain HTTP gets no second attempt.
  const long long before = LogSize();
  r = HttpDownloadToMemory(std::wstring(L"http://") + kDeadHost + L":47280/http-test/x", body);
  EXPECT_EQ(r.status, 0u);
  EXPECT_TRUE(std::regex_match(r.error, std::regex(R"(WinHttpSendRequest falhou \(erro [0-9]+\))")))
      << r.error;
  EXPECT_TRUE(OwnRequestsSince(before, " /http-test/x ").empty());
}

// HTTPS with a certificate the system trusts (the test prefix trusts the test CA): the path
// every player of a properly configured server takes. Nothing reaches plain HTTP.
TEST_F(HttpClient, TrustedHttpsDownloadsDirectly) {
  const long long before = LogSize();
  std::string body;
  Calls calls;
  const HttpResult m = HttpDownloadToMemory(TrustedHttpsRoot() + Path(), body, calls.Callback());
  ASSERT_TRUE(m.ok) << m.error;
  EXPECT_EQ(m.status, 200u);
  EXPECT_EQ(body, Pattern(kSmall));
  calls.ExpectProgress(kSmall, kSmall);
  const std::wstring dest = Dir() + L"\\trusted.bin";
  const HttpResult f = HttpDownloadToFile(TrustedHttpsRoot() + Path(), dest);
  ASSERT_TRUE(f.ok) << f.error;
  EXPECT_EQ(ReadBytesOr(dest), Pattern(kSmall));
  const std::vector<std::string> asked = OwnRequestsSince(before);
  ASSERT_EQ(asked.size(), 2u);
  for (const std::string& line : asked) {
    EXPECT_NE(line.find(":47444 GET /http-test/small.bin 200"), std::string::npos) << line;
  }
}

// A server that answers over HTTPS is never asked again over plain HTTP.
TEST_F(HttpClient, HttpsStatusIsNotRetried) {
  std::string body;
  const HttpResult good = HttpDownloadToMemory(FaultTls(L"/ok?n=1000"), body);
  ASSERT_TRUE(good.ok) << good.error;
  EXPECT_EQ(body, Pattern(1000));
  for (int code : {404, 500}) {
    const long long before = LogSize();
    const size_t faultBefore = FaultLogSize();
    const std::wstring path = L"/status/" + std::to_wstring(code);
    const HttpResult r = HttpDownloadToMemory(FaultTls(path), body);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, static_cast<DWORD>(code));
    EXPECT_EQ(r.error, "HTTP status " + std::to_string(code));
    EXPECT_TRUE(OwnRequestsSince(before, " /status/").empty());  // nothing reached port 80
    const std::string asked = FaultTlsLogSince(faultBefore);
    EXPECT_EQ(asked, "47292 GET " + Narrow(path) + " \"TalvoreLauncher/1.0\"\n");
  }
}

TEST_F(HttpClient, OnlyStatus200Counts) {
  const std::wstring dest = Dir() + L"\\status.bin";
  for (int code : {204, 206, 404, 500}) {
    const std::wstring url = Fault(L"/status/" + std::to_wstring(code));
    std::string body = "keep";
    const HttpResult m = HttpDownloadToMemory(url, body);
    EXPECT_FALSE(m.ok);
    EXPECT_EQ(m.status, static_cast<DWORD>(code));
    EXPECT_EQ(m.error, "HTTP status " + std::to_string(code));
    EXPECT_EQ(body, "keep");
    // The destination is touched only after a 200.
    ASSERT_TRUE(WriteBytes(dest, "old"));
    const HttpResult f = HttpDownloadToFile(url, dest);
    EXPECT_EQ(f.error, "HTTP status " + std::to_string(code));
    EXPECT_EQ(ReadBytesOr(dest), "old");
  }
  // A redirect on the same scheme is followed by the platform.
  std::string body;
  const HttpResult r = HttpDownloadToMemory(Fault(L"/status/301"), body);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(body, Pattern(100000));
}

TEST_F(HttpClient, BodyWithoutLengthReportsTotalZero) {
  for (const wchar_t* path : {L"/no-length", L"/chunked"}) {
    const size_t n = path[1] == L'n' ? 300000 : 250000;
    std::string body;
    Calls calls;
    const HttpResult m = HttpDownloadToMemory(Fault(path), body, calls.Callback());
    EXPECT_TRUE(m.ok) << m.error;
    EXPECT_EQ(body, Pattern(n));
    calls.ExpectProgress(n, 0);
    const std::wstring dest = Dir() + L"\\nolength.bin";
    Calls fileCalls;
    const HttpResult f = HttpDownloadToFile(Fault(path), dest, fileCalls.Callback());
    EXPECT_TRUE(f.ok) << f.error;
    EXPECT_EQ(ReadBytesOr(dest), Pattern(n));
    fileCalls.ExpectProgress(n, 0);
  }
  std::string body;
  Calls calls;
  EXPECT_TRUE(HttpDownloadToMemory(Fault(L"/slow-drip"), body, calls.Callback()).ok);
  EXPECT_EQ(body, Pattern(400));
  EXPECT_GT(calls.seen.size(), 1u);
}

TEST_F(HttpClient, EmptyBodyGivesEmptyResult) {
  const std::wstring urls[] = {Fault(L"/empty"), Fault(L"/empty-no-length"),
                               HttpRoot() + L"/http-test/empty.bin"};
  for (const std::wstring& url : urls) {
    std::string body = "stale";
    Calls calls;
    const HttpResult m = HttpDownloadToMemory(url, body, calls.Callback());
    EXPECT_TRUE(m.ok) << Narrow(url) << " " << m.error;
    EXPECT_EQ(m.status, 200u);
    EXPECT_EQ(body, "");
    EXPECT_TRUE(calls.seen.empty());
    const std::wstring dest = Dir() + L"\\empty.bin";
    ASSERT_TRUE(WriteBytes(dest, "stale"));
    const HttpResult f = HttpDownloadToFile(url, dest);
    EXPECT_TRUE(f.ok) << f.error;
    EXPECT_TRUE(FileExists(dest));
    EXPECT_EQ(ReadBytesOr(dest, "missing"), "");
  }
}

TEST_F(HttpClient, DestinationInMissingFolderFailsAfterRequest) {
  const long long before = LogSize();
  const HttpResult f = HttpDownloadToFile(HttpRoot() + Path(), Dir() + L"\\no\\such\\dir\\x.bin");
  EXPECT_FALSE(f.ok);
  EXPECT_EQ(f.status, 200u);
  EXPECT_EQ(f.error, "nao foi possivel criar arquivo de destino");
  EXPECT_EQ(OwnRequestsSince(before).size(), 1u);
}

TEST_F(HttpClient, WriteFailureIsAFailedDownload) {
  // Wine maps Z:\dev\full to the device that refuses every write.
  const HttpResult f = HttpDownloadToFile(HttpRoot() + Path(), L"Z:\\dev\\full");
  EXPECT_FALSE(f.ok);
  EXPECT_EQ(f.error, "falha ao gravar arquivo de destino");
}

// Cut-off bodies are failures; the partial file stays for the caller to discard.
TEST_F(HttpClient, CutOffBodyIsAFailedDownload) {
  const std::regex readFailure(R"(WinHttp(QueryDataAvailable|ReadData) falhou \(erro [0-9]+\))");
  struct Case {
    const wchar_t* path;
    size_t announced;
    bool reset;  // connection reset rather than closed early
  } cases[] = {{L"/reset-mid-body", 8000000, true}, {L"/short-body", 200000, false}};
  for (const Case& c : cases) {
    std::string body;
    const HttpResult m = HttpDownloadToMemory(Fault(c.path), body);
    EXPECT_FALSE(m.ok) << Narrow(c.path);
    EXPECT_EQ(m.status, 200u);
    if (c.reset) {
      // Depending on timing the platform reports the reset, or just an early end.
      EXPECT_TRUE(std::regex_match(m.error, readFailure) || m.error == "resposta incompleta")
          << m.error;
    } else {
      EXPECT_EQ(m.error, "resposta incompleta");
    }
    const std::wstring dest = Dir() + L"\\cut.bin";
    const HttpResult f = HttpDownloadToFile(Fault(c.path), dest);
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.error.empty(), false);
    const std::string partial = ReadBytesOr(dest);
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), c.announced);
    EXPECT_EQ(partial, Pattern(partial.size()));
  }
}

TEST_F(HttpClient, MemoryBodyIsCapped) {
  std::string body;
  // Announced too large: refused before reading.
  HttpResult r = HttpDownloadToMemory(Fault(L"/huge-length"), body);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.status, 200u);
  EXPECT_EQ(r.error, "resposta grande demais");
  EXPECT_TRUE(body.empty());
  // No length at all: stopped at the cap.
  r = HttpDownloadToMemory(Fault(L"/endless"), body);
  EXPECT_EQ(r.error, "resposta grande demais");
  EXPECT_LE(body.size(), kHttpMaxMemoryBody);
  // The cap itself is allowed.
  r = HttpDownloadToMemory(Fault(L"/ok?n=" + std::to_wstring(kHttpMaxMemoryBody)), body);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(body.size(), kHttpMaxMemoryBody);
  r = HttpDownloadToMemory(Fault(L"/ok?n=" + std::to_wstring(kHttpMaxMemoryBody + 1)), body);
  EXPECT_EQ(r.error, "resposta grande demais");
  body = std::string();
}

TEST_F(HttpClient, ConcurrentCallsAreIndependent) {
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      std::string body;
      const std::wstring url = (i % 2 ? HttpsRoot() : HttpRoot()) + Path();
      if (HttpDownloadToMemory(url, body).ok && body == Pattern(kSmall)) ++good;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(good.load(), 4);
}

}  // namespace
