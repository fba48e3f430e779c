// What the Shader Editor shares with its number panel.
#pragma once

class ShaderProgram;

// The program the Shader Editor shows: g_demo's shaders[g_current_shader],
// or null when the index is outside the list (there is no current program).
ShaderProgram* CurrentShader();
// Stores g_shader_text as the current program's fragment source and, while
// "Auto-recompile" is on, relinks the program; nothing without a current
// program.
void StoreShaderText();
