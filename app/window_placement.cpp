#include "app/window_placement.h"

float ChooseUiScale(int workWidth, int workHeight, int frameWidth, int frameHeight) {
  const int availableWidth = workWidth - frameWidth - 8;
  const int availableHeight = workHeight - frameHeight - 8;
  static const float kCandidates[] = {1.3f, 1.2f, 1.1f, 1.0f};
  for (float candidate : kCandidates) {
    if (static_cast<float>(availableWidth) >= candidate * kDesignWidth &&
        static_cast<float>(availableHeight) >= candidate * kDesignHeight)
      return candidate;
  }
  return 1.0f;
}

SIZE ScaledClientSize(float scale) {
  SIZE size;
  size.cx = static_cast<LONG>(scale * kDesignWidth + 0.5f);
  size.cy = static_cast<LONG>(scale * kDesignHeight + 0.5f);
  return size;
}

POINT CenteredWindowOrigin(const RECT& workArea, int w, int h) {
  const int workWidth = workArea.right - workArea.left;
  const int workHeight = workArea.bottom - workArea.top;
  POINT origin;
  origin.x = workArea.left + (workWidth - w) / 2;
  origin.y = workArea.top + (workHeight - h) / 2;
  if (origin.x < workArea.left) origin.x = workArea.left;
  if (origin.y < workArea.top) origin.y = workArea.top;
  return origin;
}
