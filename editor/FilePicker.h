// A small modal file picker over the files of one directory: the entries
// that lead to regular files, symbolic links to them included.
#pragma once

#include <string>

// Draws the modal popup popup_name while it is open (the caller opens it
// with ImGui::OpenPopup in the same ID scope and calls this every frame)
// and returns the chosen path in the frame in which "OK" is pressed: the
// directory, a backslash and the "Filename" field's text; else "".
std::string ShowFilePickerPopup(const char* popup_name, const char* directory);
// The directory's files (as above) in byte order as plain text; pressing the
// mouse on a name puts it in the "Filename" field.
void ListResourceFiles(const char* directory);
