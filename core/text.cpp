#include "core/text.h"

#include <windows.h>

std::wstring Utf8ToWide(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  const int written = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, &wide[0], units);
  if (written <= 0) return std::wstring();
  wide.resize(static_cast<size_t>(written));
  return wide;
}

std::wstring DirectoryOfPath(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return L".";
  return path.substr(0, slash);
}

std::wstring GetAppDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return DirectoryOfPath(buffer);
}
