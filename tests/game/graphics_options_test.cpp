#include <gtest/gtest.h>

#include <windows.h>

#include "game/display_modes.h"
#include "game/graphics_options.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

std::wstring IniIn(const std::wstring& dir) { return dir + L"\\talvore_graficos.ini"; }

}  // namespace

TEST(GraphicsOptions, Probe) {
  const std::wstring dir = FreshDir(L"probe");
  ApplyGraphicsPreset(dir, 1);
  std::string s = ReadBytesOr(IniIn(dir));
  for (char& ch : s) if (ch == '\r') ch = '~';
  printf("%s\n----\n", s.c_str());
  PrepareGraphicsOptions(dir);
  s = ReadBytesOr(IniIn(dir));
  for (char& ch : s) if (ch == '\r') ch = '~';
  printf("%s\n----\n", s.c_str());
  s = ReadBytesOr(dir + L"\\kaldrun.cfg");
  printf("%s\n----\n", s.c_str());
}
