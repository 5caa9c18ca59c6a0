#include <gtest/gtest.h>

#include "app/self_install.h"
#include "app/startup_flags.h"
#include "app/window_placement.h"
#include "tests/support/test_support.h"

namespace ts = testing_support;

TEST(GetFlagValue, Cases) {
  struct Case {
    const wchar_t* commandLine;
    const wchar_t* flag;
    const wchar_t* expected;
  } cases[] = {
      {L"x.exe --apply-launcher-version=42 more", L"--apply-launcher-version=", L"42"},
      {L"x.exe --apply-launcher-version=42\tmore", L"--apply-launcher-version=", L"42"},
      {L"x.exe --apply-launcher-update=\"C:\\a b\\T.exe\" --apply-launcher-version=7",
       L"--apply-launcher-update=", L"C:\\a b\\T.exe"},
      {L"x.exe --apply-launcher-update=\"C:\\a b\\T.exe\" --apply-launcher-version=7",
       L"--apply-launcher-version=", L"7"},
      {L"x.exe", L"--apply-launcher-version=", L""},
      {L"x", L"--apply-launcher-version=", L""},  // shorter than the flag
      {L"x.exe --apply-launcher-version=", L"--apply-launcher-version=", L""},  // ends the line
      {L"x.exe --apply-launcher-update=\"C:\\unclosed", L"--apply-launcher-update=", L""},
      {L"x.exe --apply-launcher-update=\"", L"--apply-launcher-update=", L""},
      {L"x.exe --apply-launcher-update=\"\"", L"--apply-launcher-update=", L""},
      // the first occurrence wins
      {L"x.exe --f=1 --f=2", L"--f=", L"1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetFlagValue(c.commandLine, c.flag), c.expected) << ts::Narrow(c.commandLine);
  }
}

TEST(CleanupFlag, FindsOnlyQuotedPaths) {
  struct Case {
    const wchar_t* commandLine;
    bool found;
    const wchar_t* path;
  } cases[] = {
      {L"a.exe --cleanup-original=\"C:\\d\\old.exe\"", true, L"C:\\d\\old.exe"},
      {L"a.exe --cleanup-original=\"\"", true, L""},
      {L"a.exe --cleanup-original=\"C:\\d\\old.exe", false, L""},  // unclosed quote
      {L"a.exe --cleanup-original=C:\\d\\old.exe", false, L""},    // no opening quote
      {L"a.exe", false, L""},
  };
  for (const Case& c : cases) {
    std::wstring path;
    EXPECT_EQ(FindCleanupPath(c.commandLine, kFlagCleanupOriginal, &path), c.found)
        << ts::Narrow(c.commandLine);
    if (c.found) {
      EXPECT_EQ(path, c.path);
    }
  }
}

TEST(CleanupFlag, DeletesExistingFileAtFirstAttemptAndRetriesMissingOne) {
  const std::wstring dir = ts::FreshDir(L"cleanup");
  const std::wstring file = dir + L"\\old.exe";
  ASSERT_TRUE(ts::WriteBytes(file, "x"));
  EXPECT_EQ(DeleteFileWithRetries(file, 20, 0), 1);
  EXPECT_FALSE(ts::FileExists(file));
  EXPECT_EQ(DeleteFileWithRetries(file, 20, 0), 20);
}

TEST(CleanupFlag, RunCleanupFlagUsesTheRealCommandLine) {
  // This process was started without clean-up flags: nothing happens and nothing waits.
  const ULONGLONG start = GetTickCount64();
  RunCleanupFlag(kFlagCleanupOriginal);
  RunCleanupFlag(kFlagCleanupSelfUpdateTemp);
  EXPECT_LT(GetTickCount64() - start, 4000u);
}

TEST(LoadBaseUrl, FirstNonEmptyLine) {
  struct Case {
    const char* bytes;
    const wchar_t* expected;  // nullptr: the default
  } cases[] = {
      {"http://h/launcher\r\nsecond\r\n", L"http://h/launcher"},
      {"\r\n\n\r\nhttp://third/line\n", L"http://third/line"},
      {"   \nhttp://x\n", L"   "},  // spaces are a line
      {" http://x/ \r\r\n", L" http://x/ "},
      {"http://no-final-newline", L"http://no-final-newline"},
      {"\r\n\r\n", nullptr},
      {"", nullptr},
      {"\xEF\xBB\xBFhttp://bom", L"\x00EF\x00BB\x00BFhttp://bom"},  // one char per byte
  };
  const std::wstring dir = ts::FreshDir(L"cfg");
  for (const Case& c : cases) {
    ASSERT_TRUE(ts::WriteBytes(dir + L"\\launcher.cfg", c.bytes));
    EXPECT_EQ(LoadBaseUrl(dir), c.expected ? std::wstring(c.expected) : kDefaultBaseUrl)
        << c.bytes;
  }
  DeleteFileW((dir + L"\\launcher.cfg").c_str());
  EXPECT_EQ(LoadBaseUrl(dir), kDefaultBaseUrl);
  EXPECT_EQ(kDefaultBaseUrl.substr(kDefaultBaseUrl.size() - 9), L"/launcher");
}

TEST(LoadBaseUrl, FileOpenForWritingByAnotherProcessIsStillRead) {
  const std::wstring dir = ts::FreshDir(L"cfg-shared");
  const std::wstring path = dir + L"\\launcher.cfg";
  ASSERT_TRUE(ts::WriteBytes(path, "http://shared\n"));
  HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(LoadBaseUrl(dir), L"http://shared");
  CloseHandle(writer);
}

TEST(InstallFolder, NameOrGameClientKeepsTheLauncherInPlace) {
  const std::wstring base = ts::FreshDir(L"install-folder");
  for (const wchar_t* name : {L"Talvore", L"talvore", L"TALVORE", L"tAlVoRe"}) {
    ts::CreateDirs(base + L"\\" + name);
    EXPECT_TRUE(IsInstallFolder(base + L"\\" + name)) << ts::Narrow(name);
  }
  ts::CreateDirs(base + L"\\Games");
  EXPECT_FALSE(IsInstallFolder(base + L"\\Games"));
  EXPECT_FALSE(IsInstallFolder(base + L"\\Talvore2"));
  ts::WriteBytes(base + L"\\Games\\kaldrunclient.exe", "MZ");
  EXPECT_TRUE(IsInstallFolder(base + L"\\Games"));
}

TEST(UiScale, ChoiceFromWorkAreaAndFrame) {
  const int fw = 6, fh = 29;  // a typical frame
  struct Case {
    int workW, workH;
    float expected;
  } cases[] = {
      {1456 + fw + 8, 884 + fh + 8, 1.3f},      // exact fit
      {1456 + fw + 7, 884 + fh + 8, 1.2f},      // one pixel short in width
      {1456 + fw + 8, 884 + fh + 7, 1.2f},      // one pixel short in height
      // 1.2f * 680 rounds above 816 in single precision, so 1.2 needs one more row.
      {1344 + fw + 8, 816 + fh + 8, 1.1f},
      {1344 + fw + 8, 816 + fh + 9, 1.2f},
      {1232 + fw + 8, 748 + fh + 8, 1.1f},      // exact fit; at x87 precision 1.0
      {1232 + fw + 7, 2000, 1.0f},
      {1120 + fw + 8, 680 + fh + 8, 1.0f},
      {800, 600, 1.0f},                          // nothing fits
      {3840, 2100, 1.3f},                        // never above 1.3
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseUiScale(c.workW, c.workH, fw, fh), c.expected) << c.workW << "x" << c.workH;
  }
}

TEST(UiScale, ClientSizesAndPlacement) {
  struct Case {
    float scale;
    LONG w, h;
  } sizes[] = {{1.3f, 1456, 884}, {1.2f, 1344, 816}, {1.1f, 1232, 748}, {1.0f, 1120, 680}};
  for (const Case& c : sizes) {
    const SIZE s = ScaledClientSize(c.scale);
    EXPECT_EQ(s.cx, c.w);
    EXPECT_EQ(s.cy, c.h);
  }
  const RECT work{0, 0, 1600, 960};
  POINT p = CenteredWindowOrigin(work, 1470, 919);
  EXPECT_EQ(p.x, 65);
  EXPECT_EQ(p.y, 20);
  // Too big: pinned to the top-left corner of the work area, extending beyond it.
  const RECT small{100, 50, 900, 650};
  p = CenteredWindowOrigin(small, 1134, 715);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 50);
  // Odd differences truncate toward zero.
  const RECT odd{0, 0, 1001, 1001};
  p = CenteredWindowOrigin(odd, 100, 100);
  EXPECT_EQ(p.x, 450);
}
