#include <gtest/gtest.h>

#include <windows.h>

#include <random>

#include "core/handles.h"
#include "core/names.h"
#include "tests/support/test_support.h"
#include "updater/state_file.h"

using testing_support::FileExists;
using testing_support::FreshDir;
using testing_support::ListFilesRecursive;
using testing_support::ReadBytesOr;
using testing_support::TestsDir;
using testing_support::WriteBytes;
using names::kStateFile;
using names::kStateFileHd;
using updater::ReadAppliedLauncherVersion;
using updater::ReadAppliedVersion;
using updater::WriteAppliedLauncherVersion;
using updater::WriteAppliedVersion;

namespace {
const std::string kCombined12And17 =
    "{\n  \"applied_version\": 12,\n  \"applied_launcher_version\": 17\n}\n";
}

TEST(StateFile, TolerantReading) {
  const std::wstring dir = FreshDir(L"read");
  const std::wstring path = dir + L"\\" + kStateFile;
  struct Case {
    std::string bytes;
    int64_t applied, launcher;
  } cases[] = {
      {"", -1, -1},
      {"{}", -1, -1},
      {"not json", -1, -1},
      {"{\n  \"applied_version\": 1", -1, -1},  // truncated
      {"[12]", -1, -1},
      {"{\"applied_version\":\"12\",\"applied_launcher_version\":null}", -1, -1},
      {"{\"applied_version\":12.7}", 12, -1},
      {"{\"applied_version\":-3}", -3, -1},  // negative passed through
      {"{\"applied_version\":1e300}", INT64_MIN, -1},
      {"{\"applied_version\":1e999}", -1, -1},
      // Found by fuzzing: a 100-digit version, far beyond int64, must truncate without overflow.
      {"{\n  \"applied_version\": 12" + std::string(98, '5') + "\n}\n", INT64_MIN, -1},
      {"\xEF\xBB\xBF{\"x\":[],\"applied_launcher_version\":9,\"applied_version\":4}", 4, 9},
      {std::string(100000, '{'), -1, -1},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    EXPECT_EQ(ReadAppliedVersion(dir, kStateFile), c.applied) << c.bytes.substr(0, 40);
    EXPECT_EQ(ReadAppliedLauncherVersion(dir), c.launcher) << c.bytes.substr(0, 40);
  }
  DeleteFileW(path.c_str());
  EXPECT_EQ(ReadAppliedVersion(dir, kStateFile), -1);
  EXPECT_EQ(ReadAppliedLauncherVersion(dir), -1);
  EXPECT_EQ(updater::ReadWholeFile(path), "");
  ASSERT_TRUE(WriteBytes(path, std::string("a\r\n\0b", 5)));
  EXPECT_EQ(updater::ReadWholeFile(path), std::string("a\r\n\0b", 5));  // byte mode
}

TEST(StateFile, ExactLayouts) {
  const std::wstring dir = FreshDir(L"layouts");
  const std::wstring path = dir + L"\\" + kStateFile;
  ASSERT_TRUE(WriteAppliedVersion(dir, kStateFile, 12));
  const std::string twelve = ReadBytesOr(path);
  const unsigned char expected28[] = {0x7B, 0x0A, 0x20, 0x20, 0x22, 0x61, 0x70, 0x70, 0x6C, 0x69,
                                      0x65, 0x64, 0x5F, 0x76, 0x65, 0x72, 0x73, 0x69, 0x6F, 0x6E,
                                      0x22, 0x3A, 0x20, 0x31, 0x32, 0x0A, 0x7D, 0x0A};
  EXPECT_EQ(twelve, std::string(reinterpret_cast<const char*>(expected28), 28));

  ASSERT_TRUE(WriteBytes(path, "{\"applied_launcher_version\": 17}"));
  ASSERT_TRUE(WriteAppliedVersion(dir, kStateFile, 12));
  EXPECT_EQ(ReadBytesOr(path), kCombined12And17);
  WriteAppliedLauncherVersion(dir, 18);
  EXPECT_EQ(ReadBytesOr(path),
            "{\n  \"applied_version\": 12,\n  \"applied_launcher_version\": 18\n}\n");
  ASSERT_TRUE(WriteAppliedVersion(dir, kStateFile, 9223372036854775807LL));
  EXPECT_EQ(ReadBytesOr(path), "{\n  \"applied_version\": 9223372036854775807,\n"
                               "  \"applied_launcher_version\": 18\n}\n");

  DeleteFileW(path.c_str());
  WriteAppliedLauncherVersion(dir, 17);
  EXPECT_EQ(ReadBytesOr(path), "{\n  \"applied_launcher_version\": 17\n}\n");
  ASSERT_TRUE(WriteBytes(path, "garbage"));
  WriteAppliedLauncherVersion(dir, 0);
  EXPECT_EQ(ReadBytesOr(path), "{\n  \"applied_launcher_version\": 0\n}\n");

  // The high-definition file never gains the launcher key, and the base file is not touched.
  ASSERT_TRUE(WriteAppliedVersion(dir, kStateFileHd, 3));
  EXPECT_EQ(ReadBytesOr(dir + L"\\" + kStateFileHd), "{\n  \"applied_version\": 3\n}\n");
  EXPECT_EQ(ReadBytesOr(path), "{\n  \"applied_launcher_version\": 0\n}\n");
  EXPECT_EQ(ListFilesRecursive(dir),
            (std::vector<std::wstring>{kStateFile, kStateFileHd}));  // no temporary left
}

TEST(StateFile, FailedWriteKeepsTheOldFile) {
  const std::wstring dir = FreshDir(L"failed");
  const std::wstring path = dir + L"\\" + kStateFile;
  ASSERT_TRUE(WriteBytes(path, kCombined12And17));
  // A folder where the temporary file goes makes the write fail before anything is replaced.
  ASSERT_TRUE(CreateDirectoryW((path + L".tmp").c_str(), nullptr));
  EXPECT_FALSE(WriteAppliedVersion(dir, kStateFile, 13));
  WriteAppliedLauncherVersion(dir, 20);
  EXPECT_EQ(ReadBytesOr(path), kCombined12And17);
  RemoveDirectoryW((path + L".tmp").c_str());

  EXPECT_FALSE(WriteAppliedVersion(dir, kStateFile, -1));  // never writes a sign
  EXPECT_FALSE(WriteAppliedVersion(dir + L"\\missing", kStateFile, 1));
  EXPECT_EQ(ReadBytesOr(path), kCombined12And17);
}

// A writer killed at random moments, many times over, never leaves a file that reads as -1,
// and the recorded versions never go down.
TEST(StateFile, SurvivesBeingKilledWhileWriting) {
  const std::wstring dir = FreshDir(L"crash");
  ASSERT_TRUE(WriteAppliedVersion(dir, kStateFile, 1));
  WriteAppliedLauncherVersion(dir, 1);
  const std::wstring writer = TestsDir() + L"\\trust_state_writer.exe";
  ASSERT_TRUE(FileExists(writer));
  std::mt19937 random(12345);
  int64_t lastApplied = 1, lastLauncher = 1;
  for (int round = 0; round < 30; ++round) {
    std::wstring cmd = L"\"" + writer + L"\" \"" + dir + L"\" " + std::to_wstring(lastApplied + 1);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    handles::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    // Kill only once it is busy writing, at a random moment.
    EXPECT_TRUE(testing_support::WaitFor(
        [&] { return ReadAppliedVersion(dir, kStateFile) > lastApplied; }, 20000));
    Sleep(random() % 25);
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 10000);

    const int64_t applied = ReadAppliedVersion(dir, kStateFile);
    const int64_t launcher = ReadAppliedLauncherVersion(dir);
    ASSERT_GE(applied, lastApplied) << "round " << round << ": "
                                    << ReadBytesOr(dir + L"\\" + kStateFile);
    ASSERT_GE(launcher, lastLauncher) << "round " << round;
    lastApplied = applied;
    lastLauncher = launcher;
  }
  EXPECT_GT(lastApplied, 30);
}
