#include <gtest/gtest.h>

#include "core/text.h"
#include "tests/support/test_support.h"

TEST(Utf8ToWide, Cases) {
  struct Case {
    std::string bytes;
    std::wstring expected;
  } cases[] = {
      {"", L""},
      {"\xC3\xA7", L"\x00E7"},
      {"\xFF", L"\xFFFD"},
      {"\xEF\xBB\xBF" "A", L"\xFEFF" L"A"},
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},  // embedded NUL converted too
      {"Atualiza\xC3\xA7\xC3\xA3o", L"Atualiza\x00E7\x00E3o"},
      {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},  // outside the BMP: a surrogate pair
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToWide(c.bytes), c.expected);
}

TEST(AppDirectory, FolderOfTheExecutable) {
  const std::wstring dir = GetAppDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), L'\\');
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  EXPECT_EQ(std::wstring(self).substr(0, dir.size() + 1), dir + L"\\");
  EXPECT_EQ(std::wstring(self).find(L'\\', dir.size() + 1), std::wstring::npos);
}

TEST(AppDirectory, OnlyBackslashSeparates) {
  EXPECT_EQ(DirectoryOfPath(L"C:\\TalvoreLauncher.exe"), L"C:");  // drive root
  EXPECT_EQ(DirectoryOfPath(L"C:\\a\\b/c.exe"), L"C:\\a");
  EXPECT_EQ(DirectoryOfPath(L"a/b/c.exe"), L".");
  EXPECT_EQ(DirectoryOfPath(L"C:\\a\\\\b.exe"), L"C:\\a\\");
}
