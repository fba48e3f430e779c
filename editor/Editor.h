// The editing interface drawn over the running demo (Ctrl+T).
#pragma once

// Draws one frame of the editor: the main window "Velmara :: 0.1" with its
// fields and the Timeline, each shown tool window, the main menu bar, the
// Ctrl shortcut released this frame (shortcut_key, an SDL key code; 0 for
// none) and, while frames are being exported, one step of the export and
// nothing else. document_name is the 256-byte g_document_name buffer, edited
// in place. True when the editor drew the demo itself this frame (an export
// step, or the Viewport is shown), so the main loop must not draw it again.
bool ShowEditor(char* document_name, int shortcut_key);
// Called by the main loop between the platform backend's NewFrame and
// ImGui::NewFrame, since the backend reads the mouse buttons itself. While
// mouse-look steers the camera (it is on and the Viewport, drawn in the last
// frame, has the focus), a new press of the left button ends it; from that
// press until the button is released, io.MouseDown[0] reads up, so the click
// only ends mouse-look and no item under the hidden cursor receives it.
void FilterMouseLookClick();
