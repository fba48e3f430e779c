// What the Shader Editor shares with its number panel and the editor frame.
#pragma once

class ShaderProgram;

// The program the Shader Editor shows: g_demo's shaders[g_current_shader],
// or null when the index is outside the list (there is no current program).
ShaderProgram* CurrentShader();

// When a change of the text relinks its program while "Auto-recompile" is on.
enum class RelinkPace {
    AtOnce,  // slider and colour write-backs: a drag moves the picture as it goes
    Typed,   // at once while the program's last link took under 50 ms, else
             // once the text has not changed for 300 ms
};
// Stores g_shader_text as the current program's fragment source and, while
// "Auto-recompile" is on, relinks the program at the pace given; nothing
// without a current program.
void StoreShaderText(RelinkPace pace);

// Runs the relink that waits for the text to rest once it has rested 300 ms,
// and drops it when its program or document is gone. The editor frame calls
// it every frame, so a relink also comes while the Shader Editor is closed.
void RunDueShaderRelink();
