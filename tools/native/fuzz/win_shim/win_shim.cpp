// Portable definitions behind the shim headers. Only the text conversion and the locale calls
// do real work; everything that would touch files, processes or the screen fails.
#include <windows.h>
#include <bcrypt.h>
#include <shellapi.h>
#include <winhttp.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

thread_local DWORD g_lastError = 0;

void AppendUtf16(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// UTF-8 to UTF-16 as Windows does it without MB_ERR_INVALID_CHARS: each maximal ill-formed
// subsequence becomes one U+FFFD (overlongs, surrogates and values past U+10FFFF included).
std::u16string DecodeUtf8(const unsigned char* s, size_t n) {
  std::u16string out;
  size_t i = 0;
  while (i < n) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int need;
    unsigned char lo = 0x80, hi = 0xBF;
    uint32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2, cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3, cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n || s[j] < lo || s[j] > hi) {
        ok = false;
        break;
      }
      cp = cp << 6 | (s[j] & 0x3F);
      lo = 0x80, hi = 0xBF;
    }
    if (ok) {
      AppendUtf16(out, cp);
    } else {
      out.push_back(0xFFFD);
    }
    i = j;
  }
  return out;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, const char* text, int bytes, wchar_t* out,
                        int units) {
  if (codePage != CP_UTF8 || !text || bytes == 0 || units < 0) {
    g_lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  const size_t length = bytes < 0 ? std::strlen(text) + 1 : static_cast<size_t>(bytes);
  const std::u16string decoded = DecodeUtf8(reinterpret_cast<const unsigned char*>(text), length);
  if (decoded.size() > 0x7FFFFFFF) {
    g_lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  const int count = static_cast<int>(decoded.size());
  if (units == 0) return count;
  if (!out || count > units) {
    g_lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  for (int k = 0; k < count; ++k) out[k] = static_cast<wchar_t>(decoded[static_cast<size_t>(k)]);
  return count;
}

DWORD GetLastError() { return g_lastError; }
void SetLastError(DWORD error) { g_lastError = error; }
void Sleep(DWORD) {}

DWORD GetModuleFileNameW(HMODULE, wchar_t* buffer, DWORD size) {
  static const wchar_t kPath[] = L"C:\\fuzz\\fuzz.exe";
  const DWORD length = static_cast<DWORD>(sizeof(kPath) / sizeof(kPath[0]) - 1);
  if (!buffer || size <= length) return 0;
  std::wmemcpy(buffer, kPath, length + 1);
  return length;
}

LPWSTR GetCommandLineW() {
  static wchar_t line[] = L"fuzz.exe";
  return line;
}

HANDLE CreateFileW(LPCWSTR, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE) {
  g_lastError = ERROR_FILE_NOT_FOUND;
  return INVALID_HANDLE_VALUE;
}
BOOL ReadFile(HANDLE, void*, DWORD, DWORD* got, OVERLAPPED*) {
  if (got) *got = 0;
  return FALSE;
}
BOOL WriteFile(HANDLE, const void*, DWORD, DWORD* written, OVERLAPPED*) {
  if (written) *written = 0;
  return FALSE;
}
BOOL FlushFileBuffers(HANDLE) { return FALSE; }
BOOL SetEndOfFile(HANDLE) { return FALSE; }
BOOL CloseHandle(HANDLE) { return TRUE; }
BOOL FindClose(HANDLE) { return TRUE; }
DWORD GetFileAttributesW(LPCWSTR) {
  g_lastError = ERROR_FILE_NOT_FOUND;
  return INVALID_FILE_ATTRIBUTES;
}
BOOL DeleteFileW(LPCWSTR) { return FALSE; }
BOOL MoveFileExW(LPCWSTR, LPCWSTR, DWORD) { return FALSE; }
BOOL CopyFileW(LPCWSTR, LPCWSTR, BOOL) { return FALSE; }
BOOL CreateDirectoryW(LPCWSTR, SECURITY_ATTRIBUTES*) { return FALSE; }
BOOL FreeLibrary(HMODULE) { return TRUE; }
HDC CreateCompatibleDC(HDC) { return nullptr; }
BOOL DeleteDC(HDC) { return TRUE; }
BOOL DeleteObject(HGDIOBJ) { return TRUE; }
HDC BeginPaint(HWND, PAINTSTRUCT*) { return nullptr; }
BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }
BOOL ShellExecuteExW(SHELLEXECUTEINFOW*) { return FALSE; }
BOOL WinHttpCloseHandle(HINTERNET) { return TRUE; }

NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG) { return -1; }
NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE, ULONG) { return 0; }
NTSTATUS BCryptCreateHash(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, BYTE*, ULONG, BYTE*, ULONG,
                          ULONG) {
  return -1;
}
NTSTATUS BCryptHashData(BCRYPT_HASH_HANDLE, BYTE*, ULONG, ULONG) { return -1; }
NTSTATUS BCryptFinishHash(BCRYPT_HASH_HANDLE, BYTE*, ULONG, ULONG) { return -1; }
NTSTATUS BCryptDestroyHash(BCRYPT_HASH_HANDLE) { return 0; }

FILE* _wfopen(const wchar_t*, const wchar_t*) { return nullptr; }

_locale_t _create_locale(int, const char* name) { return newlocale(LC_ALL_MASK, name, nullptr); }
double _strtod_l(const char* text, char** end, _locale_t locale) {
  return strtod_l(text, end, locale);
}
