#include "Editor.h"

// The editor windows are not built yet: nothing is drawn, and the main loop
// draws the demo full screen.
bool ShowEditor(char* document_name, int shortcut_key) {
    (void)document_name;
    (void)shortcut_key;
    return false;
}
