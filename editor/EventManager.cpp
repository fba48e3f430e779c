// The Event Manager window.
#include "EditorWindows.h"

void ShowEventManager() {}
