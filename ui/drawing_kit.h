// Embedded images and font, the pre-rendered background and the drawing helpers shared by
// both windows.
#pragma once

#include <windows.h>

void LoadEmbeddedFont(HINSTANCE instance);
void LoadEmbeddedImages(HINSTANCE instance);
void PreRenderBackground();
