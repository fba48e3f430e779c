// The Effect Manager window.
#include "EditorWindows.h"

void ShowEffectManager() {}
