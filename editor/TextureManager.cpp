// The Texture Manager window.
#include "EditorWindows.h"

void ShowTextureManager() {}
