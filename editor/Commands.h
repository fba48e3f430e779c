// The editor's commands, apart from the drawing: loading and saving the
// document in both forms, importing music, the stand-alone export, the
// video-frame export and the pause toggle, with the status message they
// report through. Each acts on g_demo and the playback state at once and
// reports its outcome in the status message; none of them draws.
#pragma once

#include <cstdint>
#include <string>

struct SDL_Surface;

// "Load BIN": the package in the file named g_document_name. A load that
// fails keeps the current document and says why; the loaded document plays
// from its start, with the camera and volume kept.
void LoadBinary();
// "Load JSON" (Ctrl+L): the JSON document g_document_name + ".json". Only
// text that reads cleanly, whole, as a document loads: an object holding at
// least one of the document's members, with nothing but white space after
// it. Anything else keeps the current document, and the status gives the
// first reason that applies: "the file is empty" (nothing but white space),
// "line <n>: " with the reader's first message, "line <n>: text follows the
// end of the document", or "it is not a document" (another kind of value,
// or an object such as {} without any of the document's members).
void LoadJSON();
// "Save BIN": the package to g_document_name; the old file stays whole
// when the save fails. "Saved <name>", with "; the folder could not be
// synced: <reason>" when the file stands but its folder could not be synced.
void SaveBinary();
// "Save JSON" (Ctrl+S): the JSON document to g_document_name + ".json".
// "Saved <name>" is followed, as Save BIN's is, by a folder that could not
// be synced, then by what the JSON form cannot keep, in at most two notes,
// each after "; ": every kind of object of which two share a name, then
// every kind of object without a name that something links to.
void SaveJSON();
// "Import music.mp3": the file "music.mp3" becomes the document's music. A
// file that cannot be read, or that the audio library cannot decode, is
// refused with the reason, and the old music stays.
void ImportMusic();
// "Export Executable": the running program with the document's package
// appended, as "demo.exe"; silent when it works, unless its folder could
// not be synced ("Saved demo.exe; the folder could not be synced: ...").
void ExportExecutable();
// "Export Videoframes": from the next frame on, one image per frame into
// "render" at 60 frames per second of music time, playing.
void StartVideoExport();
// One step of the video-frame export: seeks to frame g_export_frame's beat
// (stored in beat) and writes its image, a PNG made in memory and saved
// through g_write_frame_file, so no frame file is ever left empty or cut.
// False when the export ends here: the beat passed the end beat (nothing
// written), or the image could not be written whole (the status says
// "Cannot write render/<n>.png: <reason>"). g_export_frame is -1 then.
bool WriteVideoFrame(float* beat);
// How the video export saves a frame's bytes: WriteWholeFile, unless a test
// puts a function of its own in its place (one that fails, say).
using FrameFileWriter = bool (*)(const char* path, const void* data, uint64_t length, std::string* error,
                                 std::string* note);
extern FrameFileWriter g_write_frame_file;
// "Play"/"Pause" (Space): the document's pause flag flips; the music pauses
// with it or resumes in step with the beat.
void TogglePause();

// Sets the status text shown in the main menu bar for 2000 ms.
void SetStatusMessage(std::string text);
// Sets the status text for a typed value that a field refused. A save while
// it is shown keeps it, right after its own "Saved <name>; ".
void SetRefusalMessage(std::string text);
// The status text while it is shown, else "".
const std::string& GetStatusMessage();
// The status text as it stands at tick count now: shown while fewer than
// 2000 ms have passed since it was set.
const std::string& StatusMessageAt(uint32_t now);
