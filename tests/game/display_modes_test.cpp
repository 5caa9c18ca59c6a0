#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "game/display_modes.h"

namespace {

std::vector<DisplayMode> Modes(std::initializer_list<std::pair<int, int>> sizes) {
  std::vector<DisplayMode> out;
  for (const auto& s : sizes) out.push_back(DisplayMode{s.first, s.second});
  return out;
}

}  // namespace

TEST(DisplayModes, FilterCollapseSortAndCut) {
  const DisplayMode screen{1366, 768};
  struct Case {
    const char* what;
    std::vector<EnumeratedMode> enumerated;
    std::vector<DisplayMode> expected;
  } cases[] = {
      {"depths and rates collapse, small and 16-bit modes go",
       {{1920, 1080, 32}, {800, 600, 32}, {1024, 768, 16}, {1024, 768, 32}, {1920, 1080, 32}},
       Modes({{1024, 768}, {1920, 1080}})},
      {"only small or portrait modes: the screen size",
       {{800, 600, 32}, {1023, 768, 32}, {1280, 719, 32}, {1080, 1920, 32}, {1920, 1080, 24}},
       Modes({{1366, 768}})},
      {"nothing enumerated", {}, Modes({{1366, 768}})},
      {"square counts as landscape, same width orders by height",
       {{1280, 1024, 32}, {1280, 720, 32}, {1024, 1024, 32}},
       Modes({{1024, 1024}, {1280, 720}, {1280, 1024}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<DisplayMode> got = SelectDisplayModes(c.enumerated, screen);
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].width, c.expected[i].width) << i;
      EXPECT_EQ(got[i].height, c.expected[i].height) << i;
    }
  }
}

TEST(DisplayModes, KeepsTheTwentyLargest) {
  std::vector<EnumeratedMode> enumerated;
  for (int i = 24; i >= 0; --i) enumerated.push_back({1024 + 40 * i, 720 + (i % 3), 32});
  const std::vector<DisplayMode> got = SelectDisplayModes(enumerated, DisplayMode{1024, 768});
  ASSERT_EQ(got.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(got[i].width, 1024 + 40 * (i + 5)) << i;
    EXPECT_EQ(got[i].height, 720 + ((i + 5) % 3)) << i;
  }
}

TEST(DisplayModes, InitialChoice) {
  const std::vector<DisplayMode> modes = Modes({{1024, 768}, {1280, 720}, {1920, 1080}});
  struct Case {
    DisplayMode desktop;
    int width, height;
    int expected;
  } cases[] = {
      {{1280, 720}, 1920, 1080, 2},  // configured beats desktop
      {{1920, 1080}, 1024, 768, 0},
      {{1280, 720}, 1280, 600, 1},   // configured not listed: desktop
      {{1600, 900}, 1280, 600, 2},   // neither listed: largest
      {{1024, 768}, 1600, 900, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InitialDisplayModeIndex(modes, c.desktop, c.width, c.height), c.expected)
        << c.width << "x" << c.height << " on " << c.desktop.width << "x" << c.desktop.height;
  }
  EXPECT_EQ(InitialDisplayModeIndex({}, DisplayMode{1024, 768}, 1024, 768), -1);
}

// The real enumeration of the test display.
TEST(DisplayModes, PrimaryDisplay) {
  const DisplayMode desktop = DefaultDisplayMode();
  EXPECT_GT(desktop.width, 0);
  EXPECT_GT(desktop.height, 0);
  EXPECT_EQ(desktop.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(desktop.height, GetSystemMetrics(SM_CYSCREEN));

  g_displayModes = Modes({{1, 1}});
  BuildDisplayModeList();
  ASSERT_FALSE(g_displayModes.empty());
  EXPECT_LE(g_displayModes.size(), 20u);
  EXPECT_TRUE(std::is_sorted(g_displayModes.begin(), g_displayModes.end()));
  EXPECT_EQ(std::adjacent_find(g_displayModes.begin(), g_displayModes.end()),
            g_displayModes.end());
  if (g_displayModes.size() > 1 || g_displayModes[0] != desktop) {
    for (const DisplayMode& m : g_displayModes) {
      EXPECT_GE(m.width, 1024);
      EXPECT_GE(m.height, 720);
      EXPECT_GE(m.width, m.height);
    }
  }
  const int index = InitialDisplayModeIndex(0, 0);
  ASSERT_GE(index, 0);
  ASSERT_LT(index, static_cast<int>(g_displayModes.size()));
  const bool desktopListed =
      std::find(g_displayModes.begin(), g_displayModes.end(), desktop) != g_displayModes.end();
  if (desktopListed) EXPECT_EQ(g_displayModes[index], desktop);
  else EXPECT_EQ(index, static_cast<int>(g_displayModes.size()) - 1);
}
