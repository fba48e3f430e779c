// The editing interface drawn over the running demo.
#pragma once

// Draws one frame of the editor windows. shortcut_key is the key code of a
// Ctrl shortcut released this frame (0 for none). Returns true when the
// editor already drew the demo itself this frame.
bool ShowEditor(char* document_name, int shortcut_key);
