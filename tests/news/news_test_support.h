// Pictures and GDI+ set-up shared by the news tests.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace news_test {

// A 24-bit BMP whose red channel rises from left to right (0 at x 0, 255 at the last column)
// and whose green channel rises from top to bottom, so a thumbnail shows which source pixels
// it was taken from.
inline std::string GradientBmp(int w, int h) {
  const int stride = (w * 3 + 3) & ~3;
  const uint32_t dataSize = static_cast<uint32_t>(stride * h);
  std::string b(54 + dataSize, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&](size_t at, uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  put16(26, 1);
  put16(28, 24);
  put32(34, dataSize);
  for (int row = 0; row < h; ++row) {
    const int y = h - 1 - row;  // bottom-up
    for (int x = 0; x < w; ++x) {
      const size_t at = 54 + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * 3;
      b[at + 0] = 0;                                                      // blue
      b[at + 1] = static_cast<char>(h > 1 ? y * 255 / (h - 1) : 0);       // green
      b[at + 2] = static_cast<char>(w > 1 ? x * 255 / (w - 1) : 0);       // red
    }
  }
  return b;
}

class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
  }
  // Left running: thumbnails are owned by the process, as in the launcher.
 private:
  ULONG_PTR token_ = 0;
};

}  // namespace news_test
