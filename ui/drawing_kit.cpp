#include "ui/drawing_kit.h"

void LoadEmbeddedFont(HINSTANCE /*instance*/) {}
void LoadEmbeddedImages(HINSTANCE /*instance*/) {}
void PreRenderBackground() {}
