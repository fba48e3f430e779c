// The Shader Editor window.
#include "EditorWindows.h"

void ShaderEditorWindow() {}
